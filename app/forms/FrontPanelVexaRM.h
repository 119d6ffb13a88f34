// The main window's client area: every group box and front-panel widget
// with its caption, hint and design geometry, and the layout on resize.
#pragma once

#include "MainLayoutVexaRM.h"

#include <QPushButton>
#include <QWidget>

class QGroupBox;
class QLabel;
class QLineEdit;
class QScrollBar;
class QTimer;

namespace vexa {

class TCaptionLabelVexaRM;
class TChannelIndicationButtonVexa;
class TGlyphButtonVexa;
class TLampShapeVexaRM;
class TLongerTimeEditVexaRM;
class TOnOffButtonVexa;
class TUnitValueLabel;
class TVerticalSlideVexa;
class TVoltageValueEditVexa;

class TFrontPanelVexaRM : public QWidget {
    Q_OBJECT
public:
    // The keys that start and stop a measurement anywhere in the window.
    static constexpr Qt::Key kStartKey = Qt::Key_F5;
    static constexpr Qt::Key kStopKey = Qt::Key_F6;

    explicit TFrontPanelVexaRM(QWidget *parent = nullptr);

    // The two trace displays (children of this panel, same place).
    void SetDisplays(QWidget *rollDisplay, QWidget *ekgDisplay);
    // Lays every component out for the panel's current size.
    void LayOut();
    // The geometry the last LayOut produced.
    const TMainLayoutVexaRM &Layout() const { return FLayout; }
    // Whether a resize lays the panel out (off while the program ends).
    bool LayoutEnabled() const { return FLayoutEnabled; }
    void SetLayoutEnabled(bool enabled) { FLayoutEnabled = enabled; }
    // Sets the tool-tip texts of every widget.
    void SetHints();
    // The smallest size at which every control is shown whole and nothing
    // overlaps: the bottom row side by side, the information panels' texts,
    // and the left and right columns above the bottom row.
    QSize NeededSize() const;

    // Group boxes.
    QGroupBox *Channels() const { return FChannels; }
    QGroupBox *Mode() const { return FMode; }
    QGroupBox *SweepPanel() const { return FSweepPanel; }
    QGroupBox *SavePanel() const { return FSavePanel; }
    QGroupBox *TimeBasePanel() const { return FTimeBasePanel; }
    QGroupBox *RecordPanel() const { return FRecordPanel; }
    QGroupBox *TriggerPanel() const { return FTriggerPanel; }
    QGroupBox *ARMPanel() const { return FARMPanel; }
    QGroupBox *InfoPanelA() const { return FInfoPanelA; }
    QGroupBox *InfoPanelB() const { return FInfoPanelB; }
    QGroupBox *Source() const { return FSource; }
    QGroupBox *VerticalShifts() const { return FVerticalShifts; }
    QGroupBox *Density() const { return FDensity; }
    QWidget *RollDisplay() const { return FRollDisplay; }
    QWidget *EKGDisplay() const { return FEKGDisplay; }
    TCaptionLabelVexaRM *InactiveDispLabel() const { return FInactiveDispLabel; }

    // Channels and mode.
    TOnOffButtonVexa *ChannelButtonA() const { return FChannelButtonA; }
    TOnOffButtonVexa *ChannelButtonB() const { return FChannelButtonB; }
    TOnOffButtonVexa *BeamButton() const { return FBeamButton; }
    TOnOffButtonVexa *LineButton() const { return FLineButton; }
    TOnOffButtonVexa *RewButtonVexa1() const { return FRewButtonVexa1; }
    TOnOffButtonVexa *RollButtonVexa2() const { return FRollButtonVexa2; }
    TOnOffButtonVexa *DisplayButtonVexa() const { return FDisplayButtonVexa; }
    TOnOffButtonVexa *GridButtonVexa3() const { return FGridButtonVexa3; }
    QScrollBar *GridBrightness() const { return FGridBrightness; }
    // Sweep.
    TOnOffButtonVexa *SweepSingleButton() const { return FSweepSingleButton; }
    TOnOffButtonVexa *SweepCalcButton() const { return FSweepCalcButton; }
    TOnOffButtonVexa *SweepMaximum() const { return FSweepMaximum; }
    TOnOffButtonVexa *SweepAverage() const { return FSweepAverage; }
    TOnOffButtonVexa *SweepMinimum() const { return FSweepMinimum; }
    TOnOffButtonVexa *ClearScreen() const { return FClearScreen; }
    // Save.
    QLineEdit *SaveFileEdit() const { return FSaveFileEdit; }
    TGlyphButtonVexa *SaveFileBrowseButton() const { return FSaveFileBrowseButton; }
    TOnOffButtonVexa *ClearFileButton() const { return FClearFileButton; }
    TOnOffButtonVexa *SaveButton() const { return FSaveButton; }
    QLabel *SizeLabel() const { return FSizeLabel; }
    TUnitValueLabel *FileSizeLabel() const { return FFileSizeLabel; }
    // Time base.
    QScrollBar *SmpScrollBar() const { return FSmpScrollBar; }
    QScrollBar *DSPScrollBar() const { return FDSPScrollBar; }
    TUnitValueLabel *SamplesPerSecond() const { return FSamplesPerSecond; }
    TUnitValueLabel *SecondPerDivider() const { return FSecondPerDivider; }
    TUnitValueLabel *FreqPerDiv() const { return FFreqPerDiv; }
    TUnitValueLabel *DSP_SMP() const { return FDSP_SMP; }
    // Record.
    TOnOffButtonVexa *DefRecordButtonVexa1() const { return FDefRecordButtonVexa1; }
    TOnOffButtonVexa *ContRecordButtonVexa1() const { return FContRecordButtonVexa1; }
    TOnOffButtonVexa *TRRecordButtonVexa1() const { return FTRRecordButtonVexa1; }
    TOnOffButtonVexa *FRRecordButtonVexa1() const { return FFRRecordButtonVexa1; }
    TOnOffButtonVexa *StartRecordButtonVexa1() const { return FStartRecordButtonVexa1; }
    TOnOffButtonVexa *StopRecordButtonVexa2() const { return FStopRecordButtonVexa2; }
    QLabel *LengthLabel() const { return FLengthLabel; }
    TLongerTimeEditVexaRM *LongerTimeEditVexaRM1() const { return FLongerTimeEditVexaRM1; }
    // Trigger.
    TOnOffButtonVexa *TriggerAButtonVexa1() const { return FTriggerAButtonVexa1; }
    TOnOffButtonVexa *TriggerBButtonVexa1() const { return FTriggerBButtonVexa1; }
    QPushButton *TriggerAUnderOverButton() const { return FTriggerAUnderOverButton; }
    QPushButton *TriggerBUnderOverButton() const { return FTriggerBUnderOverButton; }
    QPushButton *TriggersRelationButton() const { return FTriggersRelationButton; }
    TVoltageValueEditVexa *TriggerAVoltageValueEditVexa1() const { return FTriggerAVoltage; }
    TVoltageValueEditVexa *TriggerBVoltageValueEditVexa1() const { return FTriggerBVoltage; }
    TLampShapeVexaRM *TriggerLED() const { return FTriggerLED; }
    // Arm.
    TOnOffButtonVexa *ARMSourceA() const { return FARMSourceA; }
    TOnOffButtonVexa *ArmSourceB() const { return FArmSourceB; }
    TOnOffButtonVexa *ARMSourceE() const { return FARMSourceE; }
    QPushButton *ArmUnderA() const { return FArmUnderA; }
    QPushButton *ArmUnderB() const { return FArmUnderB; }
    QPushButton *ArmUnderExternal() const { return FArmUnderExternal; }
    TVoltageValueEditVexa *ArmVoltageA() const { return FArmVoltageA; }
    TVoltageValueEditVexa *ArmVoltageB() const { return FArmVoltageB; }
    TLampShapeVexaRM *ArmLED() const { return FArmLED; }
    // Information panels.
    QLabel *InfoChannelA() const { return FInfoChannelA; }
    QLabel *InfoAcdcA() const { return FInfoAcdcA; }
    QLabel *InfoProbeA() const { return FInfoProbeA; }
    TUnitValueLabel *DensityValueA() const { return FDensityValueA; }
    TUnitValueLabel *TriggerVoltageA() const { return FTriggerVoltageA; }
    TUnitValueLabel *ActualVoltageA() const { return FActualVoltageA; }
    QWidget *InfoColoA() const { return FInfoColoA; }
    QLabel *InfoChannelB() const { return FInfoChannelB; }
    QLabel *InfoAcdcB() const { return FInfoAcdcB; }
    QLabel *InfoProbeB() const { return FInfoProbeB; }
    TUnitValueLabel *DensityValueB() const { return FDensityValueB; }
    TUnitValueLabel *TriggerVoltageB() const { return FTriggerVoltageB; }
    TUnitValueLabel *ActualVoltageB() const { return FActualVoltageB; }
    QWidget *InfoColorB() const { return FInfoColorB; }
    // "DEMO" in both information panels while the program runs without the
    // device (the title says so too).
    QLabel *DemoLabelA() const { return FDemoLabelA; }
    QLabel *DemoLabelB() const { return FDemoLabelB; }
    void SetDemoShown(bool shown);
    // Source.
    TChannelIndicationButtonVexa *ProbeButtonA() const { return FProbeButtonA; }
    TChannelIndicationButtonVexa *ProbeButtonB() const { return FProbeButtonB; }
    TChannelIndicationButtonVexa *ACDCButtonA() const { return FACDCButtonA; }
    TChannelIndicationButtonVexa *ACDCButtonB() const { return FACDCButtonB; }
    TChannelIndicationButtonVexa *GNDButtonA() const { return FGNDButtonA; }
    TChannelIndicationButtonVexa *GNDButtonB() const { return FGNDButtonB; }
    // Vertical shifts.
    TChannelIndicationButtonVexa *SlideUpButtonA() const { return FSlideUpButtonA; }
    TChannelIndicationButtonVexa *SlideUpButtonB() const { return FSlideUpButtonB; }
    TChannelIndicationButtonVexa *SlideDownButtonA() const { return FSlideDownButtonA; }
    TChannelIndicationButtonVexa *SlideDownButtonB() const { return FSlideDownButtonB; }
    TVerticalSlideVexa *VerticalSlideA() const { return FVerticalSlideA; }
    TVerticalSlideVexa *VerticalSlideB() const { return FVerticalSlideB; }
    QTimer *Timer1() const { return FTimer1; }
    // Range.
    TChannelIndicationButtonVexa *DensityUpButtonA() const { return FDensityUpButtonA; }
    TChannelIndicationButtonVexa *DensityUpButtonB() const { return FDensityUpButtonB; }
    TChannelIndicationButtonVexa *DensityDownButtonA() const { return FDensityDownButtonA; }
    TChannelIndicationButtonVexa *DensityDownButtonB() const { return FDensityDownButtonB; }

protected:
    void resizeEvent(QResizeEvent *event) override;

signals:
    // Emitted after every layout pass.
    void LaidOut();

private:
    void BuildLeftColumn();
    void BuildBottomRow();
    void BuildInfoPanels();
    void BuildRightColumn();
    void SetTabOrder();
    void ReadGeometry();

    TMainLayoutVexaRM FLayout;
    bool FLayoutEnabled = true;
    QGroupBox *FChannels, *FMode, *FSweepPanel, *FSavePanel, *FTimeBasePanel, *FRecordPanel;
    QGroupBox *FTriggerPanel, *FARMPanel, *FInfoPanelA, *FInfoPanelB, *FSource;
    QGroupBox *FVerticalShifts, *FDensity;
    QWidget *FRollDisplay = nullptr, *FEKGDisplay = nullptr;
    TCaptionLabelVexaRM *FInactiveDispLabel;

    TOnOffButtonVexa *FChannelButtonA, *FChannelButtonB;
    TOnOffButtonVexa *FBeamButton, *FLineButton, *FRewButtonVexa1, *FRollButtonVexa2;
    TOnOffButtonVexa *FDisplayButtonVexa, *FGridButtonVexa3;
    QScrollBar *FGridBrightness;
    TOnOffButtonVexa *FSweepSingleButton, *FSweepCalcButton, *FSweepMaximum, *FSweepAverage;
    TOnOffButtonVexa *FSweepMinimum, *FClearScreen;
    QLineEdit *FSaveFileEdit;
    TGlyphButtonVexa *FSaveFileBrowseButton;
    TOnOffButtonVexa *FClearFileButton, *FSaveButton;
    QLabel *FSizeLabel;
    TUnitValueLabel *FFileSizeLabel;
    QScrollBar *FSmpScrollBar, *FDSPScrollBar;
    TUnitValueLabel *FSamplesPerSecond, *FSecondPerDivider, *FFreqPerDiv, *FDSP_SMP;
    TOnOffButtonVexa *FDefRecordButtonVexa1, *FContRecordButtonVexa1;
    TOnOffButtonVexa *FTRRecordButtonVexa1, *FFRRecordButtonVexa1;
    TOnOffButtonVexa *FStartRecordButtonVexa1, *FStopRecordButtonVexa2;
    QLabel *FLengthLabel;
    TLongerTimeEditVexaRM *FLongerTimeEditVexaRM1;
    TOnOffButtonVexa *FTriggerAButtonVexa1, *FTriggerBButtonVexa1;
    QPushButton *FTriggerAUnderOverButton, *FTriggerBUnderOverButton, *FTriggersRelationButton;
    TVoltageValueEditVexa *FTriggerAVoltage, *FTriggerBVoltage;
    TLampShapeVexaRM *FTriggerLED;
    TOnOffButtonVexa *FARMSourceA, *FArmSourceB, *FARMSourceE;
    QPushButton *FArmUnderA, *FArmUnderB, *FArmUnderExternal;
    TVoltageValueEditVexa *FArmVoltageA, *FArmVoltageB;
    TLampShapeVexaRM *FArmLED;
    QLabel *FInfoChannelA, *FInfoAcdcA, *FInfoProbeA;
    TUnitValueLabel *FDensityValueA, *FTriggerVoltageA, *FActualVoltageA;
    QWidget *FInfoColoA;
    QLabel *FInfoChannelB, *FInfoAcdcB, *FInfoProbeB;
    TUnitValueLabel *FDensityValueB, *FTriggerVoltageB, *FActualVoltageB;
    QWidget *FInfoColorB;
    QLabel *FDemoLabelA, *FDemoLabelB;
    TChannelIndicationButtonVexa *FProbeButtonA, *FProbeButtonB, *FACDCButtonA, *FACDCButtonB;
    TChannelIndicationButtonVexa *FGNDButtonA, *FGNDButtonB;
    TChannelIndicationButtonVexa *FSlideUpButtonA, *FSlideUpButtonB;
    TChannelIndicationButtonVexa *FSlideDownButtonA, *FSlideDownButtonB;
    TVerticalSlideVexa *FVerticalSlideA, *FVerticalSlideB;
    QTimer *FTimer1;
    TChannelIndicationButtonVexa *FDensityUpButtonA, *FDensityUpButtonB;
    TChannelIndicationButtonVexa *FDensityDownButtonA, *FDensityDownButtonB;
};

} // namespace vexa
