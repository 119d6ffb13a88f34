#include "MeasurementListVexaRM.h"

#include "ViewTextVexaRM.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QSignalBlocker>

#include <set>

namespace vexa::view {

namespace {
constexpr int kMaxRatesShown = 3;

QString RatesOf(const rec::TRecordReaderVexaRM &r, const rec::TMeasurement &m) {
    std::set<uint32_t> rates;
    for (uint64_t s = m.FirstSection; s < m.FirstSection + m.SectionCount; ++s)
        rates.insert(r.Sections()[s].Scale.Rate);
    QStringList out;
    for (uint32_t rate : rates) {
        if (out.size() == kMaxRatesShown) {
            out << QStringLiteral("\u2026");
            break;
        }
        out << QString::fromStdString(FormatRate(rate));
    }
    return out.join(QStringLiteral(", "));
}
} // namespace

TMeasurementListVexaRM::TMeasurementListVexaRM(QWidget *parent) : QTreeWidget(parent) {
    setRootIsDecorated(false);
    setUniformRowHeights(true);
    setAlternatingRowColors(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setHeaderLabels({tr("#"), tr("Starts at"), tr("Duration"), tr("Rate"), tr("Complete")});
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    headerItem()->setToolTip(1, tr("Where the measurement begins in the file"));
    connect(this, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) {
        if (item) emit Chosen(static_cast<uint32_t>(indexOfTopLevelItem(item)));
    });
}

void TMeasurementListVexaRM::SetReader(const rec::TRecordReaderVexaRM *reader, uint32_t current) {
    const QSignalBlocker block(this);
    const auto count = reader ? reader->Measurements().size() : 0;
    while (topLevelItemCount() > static_cast<int>(count))
        delete takeTopLevelItem(topLevelItemCount() - 1);
    for (size_t i = 0; i < count; ++i) {
        const rec::TMeasurement &m = reader->Measurements()[i];
        QTreeWidgetItem *item = i < static_cast<size_t>(topLevelItemCount())
                                    ? topLevelItem(static_cast<int>(i))
                                    : new QTreeWidgetItem(this);
        item->setText(0, QString::number(i + 1));
        item->setText(1, QString::fromStdString(FormatBytes(m.StartOffset)));
        item->setText(2, QString::fromStdString(FormatTime(m.Duration, 3)));
        item->setText(3, RatesOf(*reader, m));
        item->setText(4, !m.HasStart ? tr("no start") : m.Complete ? tr("yes") : tr("incomplete"));
        for (int c = 0; c < 4; ++c)
            item->setTextAlignment(c, Qt::AlignRight | Qt::AlignVCenter);
    }
    if (current < count) setCurrentItem(topLevelItem(static_cast<int>(current)));
}

QSize TMeasurementListVexaRM::sizeHint() const {
    QSize hint = QTreeWidget::sizeHint();
    hint.setWidth(header()->length() + 2 * frameWidth() + verticalScrollBar()->sizeHint().width());
    return hint;
}

void TMeasurementListVexaRM::Choose(uint32_t m) {
    if (m < static_cast<uint32_t>(topLevelItemCount()))
        setCurrentItem(topLevelItem(static_cast<int>(m)));
}

} // namespace vexa::view
