// The demo setup dialog: amplitude, period and noise of the synthetic
// waveforms used without a device.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace vexa {

class TNumEditVexa;
class TVirtualScopeVexaRM;

class TDemoSetupForm : public QDialog {
    Q_OBJECT
public:
    explicit TDemoSetupForm(QWidget *parent = nullptr);

    TVirtualScopeVexaRM *VirtualScope() const { return FVirtualScope; }
    // Stores the model and shows its demo values in the six edits.
    void SetVirtualScope(TVirtualScopeVexaRM *scope);
    // The dialog's tool-tip switch (the row labels show theirs always).
    bool ShowHints() const { return FShowHints; }
    void SetShowHints(bool show) { FShowHints = show; }

    // Writes the six values into the model, each rounded to the nearest
    // integer (halves to even), in the order PeriodA, PeriodB, AmplitudeA,
    // AmplitudeB, NoiseA, NoiseB. A field that holds no number throws
    // EConvertErrorVexa; the fields before it have been applied then.
    void ApplyTo(TVirtualScopeVexaRM &scope) const;
    // The nearest integer of v, halves to even, kept inside 32 bits.
    static int32_t RoundToInt(double v);

    TNumEditVexa *AmpChannelA() const { return FAmpChannelA; }
    TNumEditVexa *AmpChannelB() const { return FAmpChannelB; }
    TNumEditVexa *PeriodChannelA() const { return FPeriodChannelA; }
    TNumEditVexa *PeriodChannelB() const { return FPeriodChannelB; }
    TNumEditVexa *NoiseChannelA() const { return FNoiseChannelA; }
    TNumEditVexa *NoiseChannelB() const { return FNoiseChannelB; }
    QPushButton *Button1() const { return FButton1; }
    QPushButton *Button2() const { return FButton2; }
    QLabel *AmplitudeLabel() const { return FAmplitudeLabel; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TVirtualScopeVexaRM *FVirtualScope = nullptr;
    bool FShowHints = true;
    QLabel *FChannelALabel, *FChannelBLabel;
    QLabel *FAmplitudeLabel, *FPeriodLabel, *FNoiseLabel;
    QLabel *FLabel5, *FLabel6, *FLabel1;
    TNumEditVexa *FAmpChannelA, *FPeriodChannelA, *FNoiseChannelA;
    TNumEditVexa *FAmpChannelB, *FPeriodChannelB, *FNoiseChannelB;
    QPushButton *FButton1, *FButton2;
};

} // namespace vexa
