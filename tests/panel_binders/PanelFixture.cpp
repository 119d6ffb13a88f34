#include "PanelFixture.h"

#include "common/ScopeConstsVexaRM.h"
#include "panel/ValueTextVexa.h"

#include <QApplication>
#include <QDir>
#include <QMetaObject>
#include <QMouseEvent>
#include <QTest>

namespace vexa::test {

void RecordingListener::OnScopeNotification(int32_t kind, const int32_t &senderGroup) {
    Seen.emplace_back(kind, senderGroup);
    if (kind == kNotifyDetach && Scope) {
        Scope->UnregisterListener(this);
        Scope = nullptr;
    }
}

int RecordingListener::Count(int32_t kind, int32_t group) const {
    int n = 0;
    for (const auto &s : Seen)
        if (s.first == kind && s.second == group) ++n;
    return n;
}

QString ScriptedSaveDialog::AskFileName(const QString &fileName, const QString &defaultExt,
                                        const QString &filter) {
    ++Asked;
    AskedName = fileName;
    AskedExt = defaultExt;
    AskedFilter = filter;
    if (!ChangeDirTo.isEmpty()) QDir::setCurrent(ChangeDirTo);
    return Answer;
}

template <class W> W *PanelFixture::Make(QRect geometry) {
    auto *w = new W(Panel.get());
    w->setGeometry(geometry);
    return w;
}

void PanelFixture::SetUp() {
    Scope.ApplyStoredValues();
    Scope.SetDialogs(&Dialogs);
    Panel = std::make_unique<QWidget>();
    Panel->resize(800, 600);
    const QRect button(0, 0, 40, 24);

    Timer1 = new QTimer(Panel.get());
    Timer1->setInterval(50); // the binder gives it its own interval
    Timer1->start();
    SlideUpA = Make<TChannelIndicationButtonVexa>(button);
    SlideUpB = Make<TChannelIndicationButtonVexa>(button);
    SlideDownA = Make<TChannelIndicationButtonVexa>(button);
    SlideDownB = Make<TChannelIndicationButtonVexa>(button);
    SlideA = Make<TVerticalSlideVexa>(QRect(0, 0, 20, 115));
    SlideB = Make<TVerticalSlideVexa>(QRect(0, 0, 20, 115));
    for (auto *s : {SlideA, SlideB}) {
        s->SetBarWidth(20);
        s->SetBarHeight(100);
    }
    AcdcA = Make<TChannelIndicationButtonVexa>(button);
    AcdcB = Make<TChannelIndicationButtonVexa>(button);
    ProbeA = Make<TChannelIndicationButtonVexa>(button);
    ProbeB = Make<TChannelIndicationButtonVexa>(button);
    GndA = Make<TChannelIndicationButtonVexa>(button);
    GndB = Make<TChannelIndicationButtonVexa>(button);
    for (auto *b : {AcdcA, AcdcB, GndA, GndB})
        b->SetLatching(true);
    DensUpA = Make<TChannelIndicationButtonVexa>(button);
    DensUpB = Make<TChannelIndicationButtonVexa>(button);
    DensDownA = Make<TChannelIndicationButtonVexa>(button);
    DensDownB = Make<TChannelIndicationButtonVexa>(button);
    InfoChannelA = Make<QLabel>(button);
    InfoAcdcA = Make<QLabel>(button);
    InfoProbeA = Make<QLabel>(button);
    InfoChannelB = Make<QLabel>(button);
    InfoAcdcB = Make<QLabel>(button);
    InfoProbeB = Make<QLabel>(button);
    DensityValueA = Make<TUnitValueLabel>(button);
    DensityValueB = Make<TUnitValueLabel>(button);
    TriggerVoltageA = Make<TUnitValueLabel>(button);
    TriggerVoltageB = Make<TUnitValueLabel>(button);
    for (auto *l : {DensityValueA, DensityValueB})
        l->SetControlType(kUnitTypeDeflection);
    for (auto *l : {TriggerVoltageA, TriggerVoltageB})
        l->SetControlType(kUnitTypeVoltage);
    InfoColorA = Make<QWidget>(button);
    InfoColorB = Make<QWidget>(button);
    ChannelButtonA = Make<TOnOffButtonVexa>(button);
    ChannelButtonB = Make<TOnOffButtonVexa>(button);
    TrigSourceA = Make<TOnOffButtonVexa>(button);
    TrigSourceB = Make<TOnOffButtonVexa>(button);
    TrigUnderA = Make<QPushButton>(button);
    TrigUnderB = Make<QPushButton>(button);
    TrigRelation = Make<QPushButton>(button);
    TrigLevelA = Make<TVoltageValueEditVexa>(QRect(0, 0, 80, 24));
    TrigLevelB = Make<TVoltageValueEditVexa>(QRect(0, 0, 80, 24));
    ArmSourceA = Make<TOnOffButtonVexa>(button);
    ArmSourceB = Make<TOnOffButtonVexa>(button);
    ArmSourceE = Make<TOnOffButtonVexa>(button);
    ArmUnderA = Make<QPushButton>(button);
    ArmUnderB = Make<QPushButton>(button);
    ArmUnderE = Make<QPushButton>(button);
    ArmLevelA = Make<TVoltageValueEditVexa>(QRect(0, 0, 80, 24));
    ArmLevelB = Make<TVoltageValueEditVexa>(QRect(0, 0, 80, 24));
    StartButton = Make<TOnOffButtonVexa>(button);
    StopButton = Make<TOnOffButtonVexa>(button);
    TrButton = Make<TOnOffButtonVexa>(button);
    FrButton = Make<TOnOffButtonVexa>(button);
    DefButton = Make<TOnOffButtonVexa>(button);
    ContButton = Make<TOnOffButtonVexa>(button);
    LengthEdit = Make<TLongerTimeEditVexaRM>(QRect(0, 0, 100, 24));
    SaveFileEdit = Make<QLineEdit>(QRect(0, 0, 200, 24));
    BrowseButton = Make<QPushButton>(button);
    SaveButton = Make<TOnOffButtonVexa>(button);
    ClearFileButton = Make<TOnOffButtonVexa>(button);
    GridButton = Make<TOnOffButtonVexa>(button);
    DisplayButton = Make<TOnOffButtonVexa>(button);
    BeamButton = Make<TOnOffButtonVexa>(button);
    LineButton = Make<TOnOffButtonVexa>(button);
    EkgButton = Make<TOnOffButtonVexa>(button);
    RollButton = Make<TOnOffButtonVexa>(button);
    GridBrightness = Make<QScrollBar>(QRect(0, 0, 120, 16));
    GridBrightness->setOrientation(Qt::Horizontal);
    GridBrightness->setRange(25, 100);
    SweepMin = Make<TOnOffButtonVexa>(button);
    SweepMax = Make<TOnOffButtonVexa>(button);
    SweepAvg = Make<TOnOffButtonVexa>(button);
    SweepSingle = Make<TOnOffButtonVexa>(button);
    SweepCalc = Make<TOnOffButtonVexa>(button);
    ClearScreen = Make<TOnOffButtonVexa>(button);
    SmpBar = Make<QScrollBar>(QRect(0, 0, 120, 16));
    DspBar = Make<QScrollBar>(QRect(0, 0, 120, 16));
    SmpBar->setOrientation(Qt::Horizontal);
    DspBar->setOrientation(Qt::Horizontal);
    SmpBar->setRange(0, 15);
    DspBar->setRange(0, 16);
    SamplesPerSecond = Make<TUnitValueLabel>(button);
    SecondPerDivider = Make<TUnitValueLabel>(button);
    FreqPerDiv = Make<TUnitValueLabel>(button);
    DspSmp = Make<TUnitValueLabel>(button);
    SamplesPerSecond->SetControlType(kUnitTypeSamplingRate);
    SecondPerDivider->SetControlType(kUnitTypeTimePerDivision);
    FreqPerDiv->SetControlType(kUnitTypeFrequencyPerDiv);
    DspSmp->SetControlType(kUnitTypeSamples);
    // The binders, in the main window's registration order.
    Shifts = std::make_unique<TVerticalShiftsVexaRM>();
    Shifts->SetControlGroup(4);
    Shifts->SetVirtualScope(&Scope);
    Shifts->SetSlideUpButtonA(SlideUpA);
    Shifts->SetSlideUpButtonB(SlideUpB);
    Shifts->SetSlideDownButtonA(SlideDownA);
    Shifts->SetSlideDownButtonB(SlideDownB);
    Shifts->SetVerticalSlideA(SlideA);
    Shifts->SetVerticalSlideB(SlideB);
    Shifts->SetTimer(Timer1);

    Source = std::make_unique<TSourceControlsVexaRM>();
    Source->SetControlGroup(3);
    Source->SetVirtualScope(&Scope);
    Source->SetACDCButtonA(AcdcA);
    Source->SetACDCButtonB(AcdcB);
    Source->SetProbeButtonA(ProbeA);
    Source->SetProbeButtonB(ProbeB);
    Source->SetGroundA(GndA);
    Source->SetGroundB(GndB);

    Density = std::make_unique<TDensityControlsVexaRM>();
    Density->SetControlGroup(2);
    Density->SetVirtualScope(&Scope);
    Density->SetDensityUpButtonA(DensUpA);
    Density->SetDensityUpButtonB(DensUpB);
    Density->SetDensityDownButtonA(DensDownA);
    Density->SetDensityDownButtonB(DensDownB);

    InfoB = std::make_unique<TInformationPanelBVexaRM>();
    InfoB->SetControlGroup(1);
    InfoB->SetVirtualScope(&Scope);
    InfoB->SetChannelB(InfoChannelB);
    InfoB->SetAcdcB(InfoAcdcB);
    InfoB->SetProbeB(InfoProbeB);
    InfoB->SetDensityB(DensityValueB);
    InfoB->SetTriggerLevelVoltageB(TriggerVoltageB);
    InfoB->SetChannelColorB(InfoColorB);

    InfoA = std::make_unique<TInformationPanelAVexaRM>();
    InfoA->SetControlGroup(1);
    InfoA->SetVirtualScope(&Scope);
    InfoA->SetChannelA(InfoChannelA);
    InfoA->SetAcdcA(InfoAcdcA);
    InfoA->SetProbeA(InfoProbeA);
    InfoA->SetDensityA(DensityValueA);
    InfoA->SetTriggerLevelVoltageA(TriggerVoltageA);
    InfoA->SetChannelColorA(InfoColorA);

    Channels = std::make_unique<TChannelControlsVexaRM>();
    Channels->SetControlGroup(6);
    Channels->SetVirtualScope(&Scope);
    Channels->SetChannelButtonA(ChannelButtonA);
    Channels->SetChannelButtonB(ChannelButtonB);

    Trigger = std::make_unique<TTriggerControlsVexaRM>();
    Trigger->SetControlGroup(8);
    Trigger->SetVirtualScope(&Scope);
    Trigger->SetTriggerSourceA(TrigSourceA);
    Trigger->SetTriggerSourceB(TrigSourceB);
    Trigger->SetTrigUnderOverA(TrigUnderA);
    Trigger->SetTrigUnderOverB(TrigUnderB);
    Trigger->SetTrigRelation(TrigRelation);
    Trigger->SetTriggerLevelEditA(TrigLevelA);
    Trigger->SetTriggerLevelEditB(TrigLevelB);

    OpenSave = std::make_unique<TOpenSaveControlsVexaRM>();
    OpenSave->SetControlGroup(7);
    OpenSave->SetVirtualScope(&Scope);
    OpenSave->SetSaveFileEdit(SaveFileEdit);
    OpenSave->SetSaveFileBrowse(BrowseButton);
    OpenSave->SetSaveButton(SaveButton);
    OpenSave->SetCLFButton(ClearFileButton);
    OpenSave->SetSaveDialog(&SaveDialog);

    Record = std::make_unique<TMeasurementRecordControlsVexaRM>();
    Record->SetControlGroup(9);
    Record->SetVirtualScope(&Scope);
    Record->SetMeasurementStart(StartButton);
    Record->SetMeasurementStop(StopButton);
    Record->SetRecordTriggered(TrButton);
    Record->SetRecordFree(FrButton);
    Record->SetRecordDefined(DefButton);
    Record->SetRecordContinuos(ContButton);
    Record->SetRecordTimeLength(LengthEdit);

    Mode = std::make_unique<TModeDisplayVexaRM>();
    Mode->SetControlGroup(11);
    Mode->SetVirtualScope(&Scope);
    Mode->SetGridButton(GridButton);
    Mode->SetDisplayButton(DisplayButton);
    Mode->SetBeamFinder(BeamButton);
    Mode->SetLineModeDisplay(LineButton);
    Mode->SetEKGModeDisplay(EkgButton);
    Mode->SetRollModeDisplay(RollButton);
    Mode->SetGridScroll(GridBrightness);

    Sweep = std::make_unique<TSweepControlsVexaRM>();
    Sweep->SetControlGroup(12);
    Sweep->SetVirtualScope(&Scope);
    Sweep->SetMakeMinimumButton(SweepMin);
    Sweep->SetMakeMaximumButton(SweepMax);
    Sweep->SetMakeAvgButton(SweepAvg);
    Sweep->SetSingleButton(SweepSingle);
    Sweep->SetCalcButton(SweepCalc);
    Sweep->SetClearScreenButton(ClearScreen);

    TimeBase = std::make_unique<TTimeBaseControlsVexaRM>();
    TimeBase->SetControlGroup(14);
    TimeBase->SetVirtualScope(&Scope);
    TimeBase->SetSMPScrollBar(SmpBar);
    TimeBase->SetDSPScrollBar(DspBar);
    TimeBase->SetSMPRatio(SamplesPerSecond);
    TimeBase->SetDSPRatio(SecondPerDivider);
    TimeBase->SetDSPRatioHz(FreqPerDiv);
    TimeBase->SetDSP_SMPRatio(DspSmp);

    Arm = std::make_unique<TArmControlsVexaRM>();
    Arm->SetControlGroup(18);
    Arm->SetVirtualScope(&Scope);
    Arm->SetArmSourceA(ArmSourceA);
    Arm->SetArmSourceB(ArmSourceB);
    Arm->SetExternalSource(ArmSourceE);
    Arm->SetTrigUnderOverA(ArmUnderA);
    Arm->SetTrigUnderOverB(ArmUnderB);
    Arm->SetTrigUnderOverExternal(ArmUnderE);
    Arm->SetArmLevelEditA(ArmLevelA);
    Arm->SetArmLevelEditB(ArmLevelB);

    Recorder.Scope = &Scope;
    Scope.RegisterListener(kGroupMainWindow, &Recorder);
    Panel->show();
    Scope.StartApplication();
    Recorder.Clear();
}

void PanelFixture::TearDown() {
    Scope.StopApplication();
    Scope.SetDialogs(nullptr);
}

void PanelFixture::Click(QWidget *w) {
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, QPoint(w->width() / 2, w->height() / 2));
}

void PanelFixture::Press(QWidget *w, QPoint at) {
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, at);
}

void PanelFixture::Release(QWidget *w, QPoint at) {
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, at);
}

void PanelFixture::Drag(QWidget *w, QPoint to) {
    QMouseEvent move(QEvent::MouseMove, QPointF(to), QPointF(w->mapToGlobal(to)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

void PanelFixture::TypeAndEnter(QWidget *edit, const QString &text) {
    edit->setFocus();
    if (auto *line = qobject_cast<QLineEdit *>(edit)) line->clear();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

void PanelFixture::FireTimer(QTimer *timer) {
    QMetaObject::invokeMethod(timer, "timeout", Qt::DirectConnection);
}

} // namespace vexa::test
