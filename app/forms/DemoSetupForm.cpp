#include "DemoSetupForm.h"

#include "panel/NumEditVexa.h"
#include "model/VirtualScopeVexaRM.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>

#include <cmath>
#include <limits>

namespace vexa {

namespace {

QLabel *MakeLabel(QWidget *parent, const QString &text, int x, int y) {
    auto *l = new QLabel(text, parent);
    l->move(x, y);
    l->adjustSize();
    return l;
}

TNumEditVexa *MakeEdit(QWidget *parent, const QString &designText, int x, int y) {
    auto *e = new TNumEditVexa(parent);
    e->SetFloating(false);
    e->setGeometry(x, y, 41, 21);
    e->setText(designText);
    return e;
}

} // namespace

TDemoSetupForm::TDemoSetupForm(QWidget *parent) : QDialog(parent) {
    // The places of the controls are fixed; a condensed face keeps the row
    // names clear of the controls beside them.
    QFont condensed = font();
    condensed.setStretch(QFont::Condensed);
    condensed.setPointSize(8);
    setFont(condensed);
    setWindowTitle(QStringLiteral("Demo setup"));
    setFixedSize(211, 129);

    FChannelALabel = MakeLabel(this, QStringLiteral("Channel A"), 56, 8);
    FChannelBLabel = MakeLabel(this, QStringLiteral("Channel B"), 120, 8);
    FAmplitudeLabel = MakeLabel(this, QStringLiteral("Amplitude"), 7, 32);
    FAmplitudeLabel->setToolTip(QStringLiteral("Set the demo waveform amplitude"));
    FPeriodLabel = MakeLabel(this, QStringLiteral("Period"), 7, 56);
    FPeriodLabel->setToolTip(QStringLiteral("Set the demo waveform period"));
    FNoiseLabel = MakeLabel(this, QStringLiteral("Noise"), 7, 79);
    FNoiseLabel->setToolTip(QStringLiteral("Set the demo waveform noise"));
    FLabel5 = MakeLabel(this, QStringLiteral("mV"), 168, 32);
    FLabel6 = MakeLabel(this, QStringLiteral("mS"), 168, 56);
    FLabel1 = MakeLabel(this, QStringLiteral("mV"), 168, 79);

    FAmpChannelA = MakeEdit(this, QStringLiteral("20"), 58, 24);
    FPeriodChannelA = MakeEdit(this, QStringLiteral("300"), 58, 48);
    FNoiseChannelA = MakeEdit(this, QStringLiteral("300"), 58, 72);
    FAmpChannelB = MakeEdit(this, QStringLiteral("10"), 122, 24);
    FPeriodChannelB = MakeEdit(this, QStringLiteral("100"), 122, 48);
    FNoiseChannelB = MakeEdit(this, QStringLiteral("100"), 122, 72);

    FButton1 = new QPushButton(QStringLiteral("OK"), this);
    FButton1->setGeometry(8, 96, 75, 25);
    FButton1->setDefault(true);
    connect(FButton1, &QPushButton::clicked, this, &QDialog::accept);
    FButton2 = new QPushButton(QStringLiteral("Cancel"), this);
    FButton2->setGeometry(104, 96, 75, 25);
    connect(FButton2, &QPushButton::clicked, this, &QDialog::reject); // Escape too

    // Channel A's column, channel B's, the noise row, then the buttons.
    setTabOrder(FAmpChannelA, FPeriodChannelA);
    setTabOrder(FPeriodChannelA, FAmpChannelB);
    setTabOrder(FAmpChannelB, FPeriodChannelB);
    setTabOrder(FPeriodChannelB, FNoiseChannelA);
    setTabOrder(FNoiseChannelA, FNoiseChannelB);
    setTabOrder(FNoiseChannelB, FButton1);
    setTabOrder(FButton1, FButton2);
    FAmpChannelA->setFocus();

    // The row labels explain the rows whatever the tool-tip switch says.
    for (QLabel *l : {FAmplitudeLabel, FPeriodLabel, FNoiseLabel})
        l->setProperty("vexaAlwaysHint", true);
    for (QWidget *w : findChildren<QWidget *>())
        if (w != FAmplitudeLabel && w != FPeriodLabel && w != FNoiseLabel)
            w->installEventFilter(this);
}

void TDemoSetupForm::SetVirtualScope(TVirtualScopeVexaRM *scope) {
    FVirtualScope = scope;
    if (!scope) return;
    FPeriodChannelA->SetNumValue(scope->PeriodA());
    FPeriodChannelB->SetNumValue(scope->PeriodB());
    FAmpChannelA->SetNumValue(scope->AmplitudeA());
    FAmpChannelB->SetNumValue(scope->AmplitudeB());
    FNoiseChannelA->SetNumValue(scope->NoiseA());
    FNoiseChannelB->SetNumValue(scope->NoiseB());
}

int32_t TDemoSetupForm::RoundToInt(double v) {
    double r = std::nearbyint(v); // the default rounding: halves to even
    if (std::isnan(r)) return 0;
    if (r >= double(std::numeric_limits<int32_t>::max()))
        return std::numeric_limits<int32_t>::max();
    if (r <= double(std::numeric_limits<int32_t>::min()))
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(r);
}

void TDemoSetupForm::ApplyTo(TVirtualScopeVexaRM &scope) const {
    scope.SetPeriodA(RoundToInt(FPeriodChannelA->NumValue()));
    scope.SetPeriodB(RoundToInt(FPeriodChannelB->NumValue()));
    scope.SetAmplitudeA(RoundToInt(FAmpChannelA->NumValue()));
    scope.SetAmplitudeB(RoundToInt(FAmpChannelB->NumValue()));
    scope.SetNoiseA(RoundToInt(FNoiseChannelA->NumValue()));
    scope.SetNoiseB(RoundToInt(FNoiseChannelB->NumValue()));
}

bool TDemoSetupForm::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::ToolTip && !FShowHints) return true;
    return QDialog::eventFilter(watched, event);
}

} // namespace vexa
