// A front panel with all thirteen binders on a real scope model, as the main
// window wires it, plus a listener that records every notification.
#pragma once

#include "panel/ArmControlsVexaRM.h"
#include "panel/ChannelControlsVexaRM.h"
#include "panel/DensityControlsVexaRM.h"
#include "panel/InformationPanelAVexaRM.h"
#include "panel/InformationPanelBVexaRM.h"
#include "panel/MeasurementRecordControlsVexaRM.h"
#include "panel/ModeDisplayVexaRM.h"
#include "panel/OpenSaveControlsVexaRM.h"
#include "panel/SourceControlsVexaRM.h"
#include "panel/SweepControlsVexaRM.h"
#include "panel/TimeBaseControlsVexaRM.h"
#include "panel/TriggerControlsVexaRM.h"
#include "panel/VerticalShiftsVexaRM.h"

#include "panel/ChannelIndicationButtonVexa.h"
#include "panel/LongerTimeEditVexaRM.h"
#include "panel/OnOffButtonVexa.h"
#include "model/ScopeListenerVexaRM.h"
#include "panel/UnitValueLabel.h"
#include "panel/VerticalSlideVexa.h"
#include "model/VirtualScopeVexaRM.h"
#include "panel/VoltageValueEditVexa.h"

#include "tests/support/TestSupport.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QScrollBar>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace vexa::test {

// Records (kind, sender group) of every notification it receives, and
// detaches on kind 3 like every listener must.
class RecordingListener : public IScopeListenerVexaRM {
public:
    TVirtualScopeVexaRM *Scope = nullptr;
    void OnScopeNotification(int32_t kind, const int32_t &senderGroup) override;
    std::vector<std::pair<int32_t, int32_t>> Seen;
    // How many notifications of this kind and group were received.
    int Count(int32_t kind, int32_t group) const;
    void Clear() { Seen.clear(); }
};

// Answers the save-file dialog from a script and remembers what it was asked.
class ScriptedSaveDialog : public ISaveFileDialogVexaRM {
public:
    QString AskFileName(const QString &fileName, const QString &defaultExt,
                        const QString &filter) override;
    QString Answer;      // returned as the operator's choice
    QString ChangeDirTo; // when set, the dialog moves the current directory
    int Asked = 0;
    QString AskedName, AskedExt, AskedFilter;
};

class PanelFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A left click on a button, a press and a release on a widget.
    static void Click(QWidget *w);
    static void Press(QWidget *w, QPoint at);
    static void Release(QWidget *w, QPoint at);
    // A mouse move with the left button held.
    static void Drag(QWidget *w, QPoint to);
    // Types text into an edit and confirms it with Enter.
    static void TypeAndEnter(QWidget *edit, const QString &text);
    // Fires the repeat timer once, as its interval elapsing would.
    static void FireTimer(QTimer *timer);

    TVirtualScopeVexaRM Scope;
    ScriptedDialogs Dialogs;
    ScriptedSaveDialog SaveDialog;
    RecordingListener Recorder;

    std::unique_ptr<QWidget> Panel;
    QTimer *Timer1 = nullptr;

    TChannelIndicationButtonVexa *SlideUpA, *SlideUpB, *SlideDownA, *SlideDownB;
    TVerticalSlideVexa *SlideA, *SlideB;
    TChannelIndicationButtonVexa *AcdcA, *AcdcB, *ProbeA, *ProbeB, *GndA, *GndB;
    TChannelIndicationButtonVexa *DensUpA, *DensUpB, *DensDownA, *DensDownB;
    QLabel *InfoChannelA, *InfoAcdcA, *InfoProbeA, *InfoChannelB, *InfoAcdcB, *InfoProbeB;
    TUnitValueLabel *DensityValueA, *DensityValueB, *TriggerVoltageA, *TriggerVoltageB;
    QWidget *InfoColorA, *InfoColorB;
    TOnOffButtonVexa *ChannelButtonA, *ChannelButtonB;
    TOnOffButtonVexa *TrigSourceA, *TrigSourceB;
    QPushButton *TrigUnderA, *TrigUnderB, *TrigRelation;
    TVoltageValueEditVexa *TrigLevelA, *TrigLevelB;
    TOnOffButtonVexa *ArmSourceA, *ArmSourceB, *ArmSourceE;
    QPushButton *ArmUnderA, *ArmUnderB, *ArmUnderE;
    TVoltageValueEditVexa *ArmLevelA, *ArmLevelB;
    TOnOffButtonVexa *StartButton, *StopButton, *TrButton, *FrButton, *DefButton, *ContButton;
    TLongerTimeEditVexaRM *LengthEdit;
    QLineEdit *SaveFileEdit;
    QPushButton *BrowseButton;
    TOnOffButtonVexa *SaveButton, *ClearFileButton;
    TOnOffButtonVexa *GridButton, *DisplayButton, *BeamButton, *LineButton, *EkgButton, *RollButton;
    QScrollBar *GridBrightness;
    TOnOffButtonVexa *SweepMin, *SweepMax, *SweepAvg, *SweepSingle, *SweepCalc, *ClearScreen;
    QScrollBar *SmpBar, *DspBar;
    TUnitValueLabel *SamplesPerSecond, *SecondPerDivider, *FreqPerDiv, *DspSmp;

    std::unique_ptr<TVerticalShiftsVexaRM> Shifts;
    std::unique_ptr<TSourceControlsVexaRM> Source;
    std::unique_ptr<TDensityControlsVexaRM> Density;
    std::unique_ptr<TInformationPanelAVexaRM> InfoA;
    std::unique_ptr<TInformationPanelBVexaRM> InfoB;
    std::unique_ptr<TChannelControlsVexaRM> Channels;
    std::unique_ptr<TTriggerControlsVexaRM> Trigger;
    std::unique_ptr<TOpenSaveControlsVexaRM> OpenSave;
    std::unique_ptr<TMeasurementRecordControlsVexaRM> Record;
    std::unique_ptr<TModeDisplayVexaRM> Mode;
    std::unique_ptr<TSweepControlsVexaRM> Sweep;
    std::unique_ptr<TTimeBaseControlsVexaRM> TimeBase;
    std::unique_ptr<TArmControlsVexaRM> Arm;

private:
    template <class W> W *Make(QRect geometry);
};

} // namespace vexa::test
