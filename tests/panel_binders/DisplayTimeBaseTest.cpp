// Display modes and grid, the sweep selection, and the time base with its
// backwards display-rate bar and the four rate readouts.
#include "PanelFixture.h"

#include "common/ScopeConstsVexaRM.h"

namespace vexa::test {
namespace {

class DisplayTimeBaseTest : public PanelFixture {};

TEST_F(DisplayTimeBaseTest, ModeButtonsSendTheirOwnKinds) {
    ASSERT_TRUE(Scope.ModeEKG());
    EXPECT_TRUE(EkgButton->Down());
    EXPECT_FALSE(RollButton->Down());
    Click(RollButton);
    EXPECT_FALSE(Scope.ModeEKG());
    EXPECT_EQ(Recorder.Seen, (std::vector<std::pair<int32_t, int32_t>>{{11, 11}}));
    EXPECT_TRUE(RollButton->Down());
    EXPECT_FALSE(EkgButton->Down());
    Recorder.Clear();
    Click(EkgButton);
    EXPECT_TRUE(Scope.ModeEKG());
    EXPECT_EQ(Recorder.Seen, (std::vector<std::pair<int32_t, int32_t>>{{10, 11}}));
    EXPECT_TRUE(EkgButton->Down());
    EXPECT_FALSE(RollButton->Down());
    Click(EkgButton); // again: still EKG, still latched
    EXPECT_TRUE(EkgButton->Down());

    Recorder.Clear();
    Click(BeamButton);
    Click(LineButton);
    Click(GridButton);
    EXPECT_TRUE(Scope.ModeBF());
    EXPECT_FALSE(Scope.ModeLine());
    EXPECT_FALSE(Scope.Grid());
    EXPECT_TRUE(BeamButton->Down());
    EXPECT_FALSE(LineButton->Down());
    EXPECT_FALSE(GridButton->Down());
    EXPECT_EQ(Recorder.Count(kNotifySettingsChanged, 11), 3);

    Scope.SetClearScreenRequested(false);
    Click(DisplayButton);
    EXPECT_FALSE(Scope.DisplayActive());
    EXPECT_TRUE(Scope.ClearScreenRequested()); // through the model's setter
    EXPECT_FALSE(DisplayButton->Down());
}

TEST_F(DisplayTimeBaseTest, EveryGridScrollSetsTheBrightnessAndSendsGridChanged) {
    EXPECT_EQ(GridBrightness->value(), 72);
    // Two clicks on the bar's arrow.
    GridBrightness->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    GridBrightness->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(Scope.GridBrightness(), 74);
    EXPECT_EQ(Recorder.Count(kNotifyGridChanged, 11), 2);
    EXPECT_EQ(Recorder.Seen.size(), 2u);
    GridBrightness->setFocus();
    QTest::keyClick(GridBrightness, Qt::Key_Home);
    EXPECT_EQ(Scope.GridBrightness(), 25);
    GridBrightness->setValue(50);
    EXPECT_EQ(Scope.RealGridColor(), 0x808080u);
    // A refresh that moves the bar is not taken for the operator's move.
    Recorder.Clear();
    Scope.SetGridBrightness(90);
    Scope.Notify(kNotifySettingsChanged, kGroupSettings);
    EXPECT_EQ(GridBrightness->value(), 90);
    EXPECT_EQ(Recorder.Seen.size(), 1u);
}

TEST_F(DisplayTimeBaseTest, SweepKeepsOneOfMaxMinAvgOn) {
    ASSERT_TRUE(Scope.MakeMaximum());
    ASSERT_TRUE(Scope.MakeMinimum());
    Click(SweepMax);
    EXPECT_FALSE(Scope.MakeMaximum());
    EXPECT_TRUE(Scope.MakeMinimum());
    EXPECT_FALSE(Scope.MakeAvg());
    // Turning off the last one falls back to averages.
    Click(SweepMin);
    EXPECT_FALSE(Scope.MakeMinimum());
    EXPECT_TRUE(Scope.MakeAvg());
    EXPECT_TRUE(SweepAvg->Down());
    EXPECT_FALSE(SweepMin->Down());
    Click(SweepMax);
    EXPECT_TRUE(Scope.MakeMaximum());
    EXPECT_FALSE(Scope.MakeAvg());
    Click(SweepMin);
    Click(SweepAvg);
    EXPECT_TRUE(Scope.MakeAvg());
    EXPECT_FALSE(Scope.MakeMaximum());
    EXPECT_FALSE(Scope.MakeMinimum());
    // Clicking averages off again leaves them on.
    Click(SweepAvg);
    EXPECT_TRUE(Scope.MakeAvg());
    EXPECT_TRUE(SweepAvg->Down());
    EXPECT_EQ(Recorder.Count(kNotifySettingsChanged, 12), 6);
}

TEST_F(DisplayTimeBaseTest, SingleModeDisablesTheReductionButtons) {
    Click(SweepSingle);
    EXPECT_TRUE(Scope.SingleMode());
    EXPECT_TRUE(SweepSingle->Down());
    EXPECT_FALSE(SweepCalc->Down());
    for (auto *b : {SweepMin, SweepMax, SweepAvg})
        EXPECT_FALSE(b->isEnabled());
    Click(SweepCalc);
    EXPECT_FALSE(Scope.SingleMode());
    for (auto *b : {SweepMin, SweepMax, SweepAvg})
        EXPECT_TRUE(b->isEnabled());

    Scope.SetClearScreenRequested(false);
    Click(ClearScreen);
    EXPECT_TRUE(Scope.ClearScreenRequested());
    EXPECT_FALSE(ClearScreen->Down());
}

TEST_F(DisplayTimeBaseTest, TheDisplayRateBarRunsBackwards) {
    // Initial settings: SMP 10 (100 kS/s), DSP 3 (1 s/div).
    EXPECT_EQ(SmpBar->value(), 10);
    EXPECT_EQ(DspBar->value(), 16 - 3);
    EXPECT_DOUBLE_EQ(SamplesPerSecond->MainValue(), 100000.0);
    EXPECT_DOUBLE_EQ(SecondPerDivider->MainValue(), 1.0);
    EXPECT_DOUBLE_EQ(DspSmp->MainValue(), 2000.0);
    EXPECT_DOUBLE_EQ(FreqPerDiv->MainValue(), 1.0);

    DspBar->setFocus();
    QTest::keyClick(DspBar, Qt::Key_Home); // left end, position 0
    EXPECT_EQ(Scope.DSPSetting(), 16);
    EXPECT_DOUBLE_EQ(SecondPerDivider->MainValue(), 20000.0);
    EXPECT_DOUBLE_EQ(FreqPerDiv->MainValue(), 1.0 / 20000.0);
    EXPECT_DOUBLE_EQ(DspSmp->MainValue(), 100000.0 * 20000.0 / 50.0);
    EXPECT_EQ(Recorder.Count(kNotifySettingsChanged, 14), 1);

    SmpBar->setFocus();
    QTest::keyClick(SmpBar, Qt::Key_End);
    EXPECT_EQ(Scope.SMPSetting(), 15);
    EXPECT_DOUBLE_EQ(SamplesPerSecond->MainValue(), 5000000.0);
}

TEST_F(DisplayTimeBaseTest, TheRateCouplingShowsOnBothBars) {
    DspBar->setFocus();
    QTest::keyClick(DspBar, Qt::Key_End); // position 16: DSP 0, 0.1 s/div
    EXPECT_EQ(Scope.DSPSetting(), 0);
    SmpBar->setFocus();
    QTest::keyClick(SmpBar, Qt::Key_Home); // SMP 0 raises DSP to 3
    EXPECT_EQ(Scope.SMPSetting(), 0);
    EXPECT_EQ(Scope.DSPSetting(), 3);
    EXPECT_EQ(DspBar->value(), 13);
    EXPECT_DOUBLE_EQ(SamplesPerSecond->MainValue(), 50.0);
    EXPECT_DOUBLE_EQ(DspSmp->MainValue(), 1.0);
}

TEST_F(DisplayTimeBaseTest, ToolTipsCarryTheDocumentedTexts) {
    Mode->ApplyToolTips();
    Sweep->ApplyToolTips();
    TimeBase->ApplyToolTips();
    Record->ApplyToolTips();
    OpenSave->ApplyToolTips();
    EXPECT_EQ(EkgButton->toolTip(), QStringLiteral("Display like cardiogram"));
    EXPECT_EQ(RollButton->toolTip(), QStringLiteral("Display rolling waveform"));
    EXPECT_EQ(DisplayButton->toolTip(),
              QStringLiteral("Activate/Deactivate measurement displaying"));
    EXPECT_EQ(GridBrightness->toolTip(), QStringLiteral("Adjust grid brightness"));
    EXPECT_EQ(SweepCalc->toolTip(), QStringLiteral("Calculate max/min/avg"));
    EXPECT_EQ(DspBar->toolTip(), QStringLiteral("Set display rate"));
    EXPECT_EQ(ContButton->toolTip(), QStringLiteral("Mode continuos"));
    EXPECT_EQ(LengthEdit->toolTip(), QStringLiteral("Length:"));
    EXPECT_EQ(SaveButton->toolTip(), QStringLiteral("Activate/Deactivate measurement saving"));
    EXPECT_TRUE(ClearFileButton->toolTip().isEmpty());
}

} // namespace
} // namespace vexa::test
