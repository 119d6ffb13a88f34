#include "ExportDialogVexaRM.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QComboBox>
#include <QVBoxLayout>

namespace vexa::view {

namespace {
struct TFormatChoice {
    const char *Text;
    rec::ExportFormat Format;
    bool Summary;
    const char *Suffix;
};
const TFormatChoice kFormats[] = {
    {"CSV, every sample", rec::ExportFormat::Csv, false, "csv"},
    {"CSV, min/max/mean per N samples", rec::ExportFormat::Csv, true, "csv"},
    {"WAV, 8-bit stereo (A left, B right)", rec::ExportFormat::Wav, false, "wav"},
    {"NPY, codes with a JSON scale file", rec::ExportFormat::Npy, false, "npy"},
    {"Record file", rec::ExportFormat::Record, false, "rmd"},
};
} // namespace

TExportDialogVexaRM::TExportDialogVexaRM(QWidget *parent, bool cursorsPlaced, const QString &path)
    : QDialog(parent) {
    setWindowTitle(tr("Export"));
    auto *form = new QFormLayout;
    FPath = new QLineEdit(path, this);
    auto *browse = new QPushButton(tr("&Browse\u2026"), this);
    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(FPath, 1);
    pathRow->addWidget(browse);
    auto *pathLabel = new QLabel(tr("&File:"), this);
    pathLabel->setBuddy(FPath);
    form->addRow(pathLabel, pathRow);
    FFormat = new QComboBox(this);
    for (const TFormatChoice &f : kFormats)
        FFormat->addItem(tr(f.Text));
    form->addRow(tr("F&ormat:"), FFormat);
    FDecimate = new QSpinBox(this);
    FDecimate->setRange(2, 1000000000);
    FDecimate->setValue(1000);
    FDecimate->setSuffix(tr(" samples per line"));
    form->addRow(tr("&Summary:"), FDecimate);
    auto *spans = new QVBoxLayout;
    static const char *const kSpans[] = {"&Between the cursors", "&Visible span",
                                         "&Whole measurement"};
    for (int i = 0; i < 3; ++i) {
        FSpan[i] = new QRadioButton(tr(kSpans[i]), this);
        spans->addWidget(FSpan[i]);
    }
    FSpan[0]->setEnabled(cursorsPlaced);
    FSpan[cursorsPlaced ? 0 : 1]->setChecked(true);
    form->addRow(tr("Span:"), spans);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    FOk = buttons->button(QDialogButtonBox::Ok);
    FOk->setText(tr("&Export"));
    auto *all = new QVBoxLayout(this);
    all->addLayout(form);
    all->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(browse, &QPushButton::clicked, this, &TExportDialogVexaRM::Browse);
    connect(FFormat, qOverload<int>(&QComboBox::currentIndexChanged), this,
            &TExportDialogVexaRM::FormatChanged);
    connect(FPath, &QLineEdit::textChanged, this,
            [this](const QString &t) { FOk->setEnabled(!t.trimmed().isEmpty()); });
    FormatChanged();
    FPath->setFocus();
    FPath->selectAll();
    setMinimumWidth(fontMetrics().horizontalAdvance(QLatin1Char('x')) * 60);
}

void TExportDialogVexaRM::FormatChanged() {
    const TFormatChoice &f = kFormats[FFormat->currentIndex()];
    FDecimate->setEnabled(f.Summary);
    const QString p = FPath->text();
    const QFileInfo info(p);
    if (!p.isEmpty() && !info.suffix().isEmpty()) {
        const QString base = p.left(p.size() - info.suffix().size());
        FPath->setText(base + QLatin1String(f.Suffix));
    }
}

void TExportDialogVexaRM::Browse() {
    const TFormatChoice &f = kFormats[FFormat->currentIndex()];
    const QString filter = tr("%1 files (*.%2)").arg(QString(f.Suffix).toUpper(), f.Suffix);
    const QString p = QFileDialog::getSaveFileName(this, tr("Export to"), FPath->text(), filter);
    if (!p.isEmpty()) FPath->setText(p);
}

rec::ExportFormat TExportDialogVexaRM::Format() const {
    return kFormats[FFormat->currentIndex()].Format;
}

uint64_t TExportDialogVexaRM::Decimate() const {
    return kFormats[FFormat->currentIndex()].Summary ? static_cast<uint64_t>(FDecimate->value())
                                                     : 0;
}

TExportDialogVexaRM::Span TExportDialogVexaRM::Which() const {
    if (FSpan[0]->isChecked()) return Span::Cursors;
    return FSpan[1]->isChecked() ? Span::Visible : Span::Whole;
}

QString TExportDialogVexaRM::Path() const {
    return FPath->text().trimmed();
}

} // namespace vexa::view
