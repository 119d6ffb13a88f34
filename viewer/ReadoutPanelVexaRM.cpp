#include "ReadoutPanelVexaRM.h"

#include "TracePainterVexaRM.h"
#include "ViewTextVexaRM.h"

#include <QGridLayout>
#include <QLabel>

namespace vexa::view {

namespace {
QString Q(const std::string &s) {
    return QString::fromStdString(s);
}

QString ValueText(const TCursorValue &v, bool volts) {
    switch (v.What) {
    case TCursorValue::None:
        return QStringLiteral("\u2014");
    case TCursorValue::Arm:
        return QStringLiteral("ARM");
    case TCursorValue::Value:
        break;
    }
    return Q(FormatValue(v.V, volts));
}
} // namespace

TReadoutPanelVexaRM::TReadoutPanelVexaRM(QWidget *parent) : QWidget(parent) {
    auto *grid = new QGridLayout(this);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(2);
    FTimes = new QLabel(this);
    FTimes->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Long readouts wrap instead of widening the window.
    FTimes->setWordWrap(true);
    FTimes->setMinimumWidth(1);
    grid->addWidget(FTimes, 0, 0, 1, kColumns + 2);
    static const char *const kHeads[kColumns] = {"at 1", "at 2", "min", "max",
                                                 "mean", "RMS",  "p-p"};
    for (int c = 0; c < kColumns; ++c) {
        auto *head = new QLabel(tr(kHeads[c]), this);
        head->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        head->setEnabled(false);
        grid->addWidget(head, 1, c + 1);
    }
    for (int r = 0; r < 2; ++r) {
        auto *name = new QLabel(r == 0 ? QStringLiteral("A") : QStringLiteral("B"), this);
        const QColor color = TTracePainterVexaRM::ChannelColor(r);
        // The channel's trace colour on the trace background.
        name->setStyleSheet(QStringLiteral("QLabel { background: black; color: %1; padding: 0 6px;"
                                           " font-weight: bold; }")
                                .arg(color.name()));
        grid->addWidget(name, r + 2, 0);
        for (int c = 0; c < kColumns; ++c) {
            auto *cell = new QLabel(this);
            cell->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
            cell->setTextInteractionFlags(Qt::TextSelectableByMouse);
            FCells[r][c] = cell;
            grid->addWidget(cell, r + 2, c + 1);
        }
    }
    grid->setColumnStretch(kColumns + 1, 1);
    Clear();
}

void TReadoutPanelVexaRM::Clear() {
    FTimes->setText(tr("Cursors: click for cursor 1, right-click for cursor 2 (keys 1 and 2)"));
    for (auto &row : FCells)
        for (QLabel *cell : row)
            cell->clear();
}

void TReadoutPanelVexaRM::Show(const bool has[2], const TCursorReadout &r, const bool volts[2]) {
    if (!has[0] && !has[1]) {
        Clear();
        return;
    }
    QStringList parts;
    for (int k = 0; k < 2; ++k)
        if (has[k]) parts << tr("Cursor %1: %2").arg(k + 1).arg(Q(FormatTime(r.T[k])));
    const bool both = has[0] && has[1];
    if (both) {
        parts << QStringLiteral("\u0394t: %1").arg(Q(FormatTime(r.Dt)));
        parts << QStringLiteral("1/\u0394t: %1")
                     .arg(r.Dt ? Q(FormatFrequency(r.InvDt)) : QStringLiteral("\u2014"));
        QString n = QString::number(r.Stats.Periods);
        for (int i = n.size() - 3; i > 0; i -= 3)
            n.insert(i, QLatin1Char(','));
        parts << tr("%1 periods").arg(n);
    }
    // Lines break between the parts, never inside one.
    for (QString &part : parts)
        part.replace(QLatin1Char(' '), QChar(0x00A0));
    FTimes->setText(parts.join(QStringLiteral("    ")));
    for (int ch = 0; ch < 2; ++ch) {
        const rec::TChannelStats &s = r.Stats.Channel[ch];
        const bool statVolts = s.ScaleKnown;
        for (int k = 0; k < 2; ++k)
            FCells[ch][k]->setText(has[k] ? ValueText(r.At[k][ch], volts[ch]) : QString());
        const bool stats = both && s.Samples > 0;
        const double values[5] = {s.MinV, s.MaxV, s.MeanV, s.RmsV, r.PeakToPeak[ch]};
        for (int c = 0; c < 5; ++c)
            FCells[ch][2 + c]->setText(stats ? Q(FormatValue(values[c], statVolts))
                                             : (both ? QStringLiteral("\u2014") : QString()));
    }
}

QString TReadoutPanelVexaRM::Cell(int row, int column) const {
    return FCells[row][column]->text();
}

QString TReadoutPanelVexaRM::TimesText() const {
    return FTimes->text();
}

} // namespace vexa::view
