// Source, range, channel on/off and the information panels that show them.
#include "PanelFixture.h"

#include "common/ScopeConstsVexaRM.h"

namespace vexa::test {
namespace {

class ChannelGroupsTest : public PanelFixture {};

TEST_F(ChannelGroupsTest, TheProbeCycleEndsBackAtOneToOne) {
    ASSERT_EQ(Scope.SourceProbeA(), 1);
    EXPECT_EQ(ProbeA->text(), QStringLiteral("    1:1"));
    const int density = Scope.DensityChannelA();
    const char *captions[] = {"  1:10", "1:100", "1:1000", "    1:1"};
    const int factors[] = {10, 100, 1000, 1};
    for (int i = 0; i < 4; ++i) {
        Click(ProbeA);
        EXPECT_EQ(Scope.SourceProbeA(), i == 3 ? 1 : i + 2);
        EXPECT_EQ(ProbeA->text(), QString::fromLatin1(captions[i]));
        // The information panel follows in the same pass.
        EXPECT_EQ(InfoProbeA->text(), QString::fromLatin1(captions[i]));
        EXPECT_DOUBLE_EQ(DensityValueA->MainValue(),
                         double(kRangeMilliVolts[density] * factors[i]));
    }
    EXPECT_EQ(Recorder.Count(kNotifySettingsChanged, 3), 4);
    EXPECT_EQ(Scope.SourceProbeB(), 1); // channel B untouched
    Click(ProbeB);
    EXPECT_EQ(ProbeB->text(), QStringLiteral("  1:10"));
    EXPECT_EQ(InfoProbeB->text(), QStringLiteral("  1:10"));
    EXPECT_EQ(ProbeA->text(), QStringLiteral("    1:1"));
}

TEST_F(ChannelGroupsTest, CouplingAndGroundFollowTheirButtons) {
    ASSERT_TRUE(Scope.SourceACDC_A());
    EXPECT_TRUE(AcdcA->Down()); // latched means DC
    EXPECT_EQ(InfoAcdcA->text(), QStringLiteral("DC"));
    Click(AcdcA);
    EXPECT_FALSE(Scope.SourceACDC_A());
    EXPECT_FALSE(AcdcA->Down());
    EXPECT_EQ(InfoAcdcA->text(), QStringLiteral("AC"));
    EXPECT_EQ(InfoAcdcB->text(), QStringLiteral("DC"));
    Click(AcdcB);
    EXPECT_EQ(InfoAcdcB->text(), QStringLiteral("AC"));

    Click(GndB);
    EXPECT_TRUE(Scope.GroundB());
    EXPECT_FALSE(Scope.GroundA());
    EXPECT_TRUE(GndB->Down());
    Click(GndB);
    EXPECT_FALSE(Scope.GroundB());
    // A ground state that comes from elsewhere (settings) shows too.
    Scope.SetGroundA(true);
    Scope.Notify(kNotifySettingsChanged, kGroupSettings);
    EXPECT_TRUE(GndA->Down());
}

TEST_F(ChannelGroupsTest, RangeButtonsStepWithinOneToNine) {
    Scope.SetDensityChannelA(8);
    Scope.Notify(kNotifySettingsChanged, kGroupMainWindow);
    Recorder.Clear();
    Click(DensUpA);
    EXPECT_EQ(Scope.DensityChannelA(), 9);
    EXPECT_DOUBLE_EQ(DensityValueA->MainValue(), 5000.0);
    Click(DensUpA);
    EXPECT_EQ(Scope.DensityChannelA(), 9);
    EXPECT_EQ(Recorder.Count(kNotifySettingsChanged, 2), 2);

    Scope.SetDensityChannelB(2);
    Click(DensDownB);
    EXPECT_EQ(Scope.DensityChannelB(), 1);
    Click(DensDownB);
    EXPECT_EQ(Scope.DensityChannelB(), 1);
    EXPECT_DOUBLE_EQ(DensityValueB->MainValue(), 10.0);
    Click(DensUpB);
    EXPECT_EQ(Scope.DensityChannelB(), 2);
    EXPECT_EQ(Scope.DensityChannelA(), 9);
}

TEST_F(ChannelGroupsTest, ASwitchedOffChannelEmptiesItsInformationPanel) {
    Scope.SetTriggerLevelA(150);
    Scope.Notify(kNotifySettingsChanged, kGroupMainWindow);
    EXPECT_DOUBLE_EQ(TriggerVoltageA->MainValue(), 150.0);
    ASSERT_TRUE(ChannelButtonA->Down());

    Click(ChannelButtonA);
    EXPECT_FALSE(Scope.StatusChannelA());
    EXPECT_FALSE(ChannelButtonA->Down());
    EXPECT_EQ(Recorder.Count(kNotifySettingsChanged, 6), 1);
    EXPECT_TRUE(InfoProbeA->text().isEmpty());
    EXPECT_TRUE(InfoAcdcA->text().isEmpty());
    EXPECT_TRUE(DensityValueA->MyString().isEmpty());
    // The trigger level keeps what it showed, even when the level changes.
    Scope.SetTriggerLevelA(300);
    Scope.Notify(kNotifySettingsChanged, kGroupMainWindow);
    EXPECT_DOUBLE_EQ(TriggerVoltageA->MainValue(), 150.0);
    // Channel B is still shown.
    EXPECT_FALSE(InfoProbeB->text().isEmpty());

    Click(ChannelButtonA);
    EXPECT_TRUE(Scope.StatusChannelA());
    EXPECT_EQ(InfoProbeA->text(), QStringLiteral("    1:1"));
    EXPECT_DOUBLE_EQ(TriggerVoltageA->MainValue(), 300.0);
    EXPECT_FALSE(DensityValueA->MyString().isEmpty());
}

TEST_F(ChannelGroupsTest, ChannelColoursReachEveryMarkerAndThePanelShape) {
    Scope.SetColorChannelA(0x102030);
    Scope.SetColorChannelB(0x405060);
    Scope.Notify(kNotifySettingsChanged, kGroupTimeBase);
    for (auto *b : {AcdcA, ProbeA, GndA, DensUpA, DensDownA, SlideUpA, SlideDownA})
        EXPECT_EQ(b->ChannelColor(), 0x102030u);
    for (auto *b : {AcdcB, ProbeB, GndB, DensUpB, DensDownB, SlideUpB, SlideDownB})
        EXPECT_EQ(b->ChannelColor(), 0x405060u);
    // Red sits in the low byte.
    EXPECT_EQ(InfoColorA->palette().color(QPalette::Window), QColor(0x30, 0x20, 0x10));
    EXPECT_EQ(InfoColorB->palette().color(QPalette::Window), QColor(0x60, 0x50, 0x40));
}

TEST_F(ChannelGroupsTest, ToolTipsCarryTheDocumentedTexts) {
    Shifts->ApplyToolTips();
    Source->ApplyToolTips();
    Density->ApplyToolTips();
    Channels->ApplyToolTips();
    Trigger->ApplyToolTips();
    EXPECT_EQ(ChannelButtonB->toolTip(), QStringLiteral("Activate/deactivate channel B"));
    EXPECT_EQ(AcdcA->toolTip(), QStringLiteral("AC/DC switch channel A"));
    EXPECT_EQ(ProbeB->toolTip(), QStringLiteral("Probe type channel B"));
    EXPECT_EQ(GndA->toolTip(), QStringLiteral("Ground channel A"));
    EXPECT_EQ(SlideUpB->toolTip(), QStringLiteral("Shift up trace B"));
    EXPECT_EQ(SlideDownA->toolTip(), QStringLiteral("Shift down trace A"));
    EXPECT_EQ(DensUpA->toolTip(), QStringLiteral("Increase channel A deflection factor"));
    EXPECT_EQ(DensDownB->toolTip(), QStringLiteral("Decrease channel B deflection factor"));
    EXPECT_EQ(TrigSourceB->toolTip(), QStringLiteral("Trigger source channel B"));
    // The trigger texts name their channel as well.
    EXPECT_EQ(TrigUnderA->toolTip(), QStringLiteral("Under/Over select channel A"));
    EXPECT_EQ(TrigLevelB->toolTip(), QStringLiteral("Trigger threshold channel B"));
    EXPECT_TRUE(TrigRelation->toolTip().isEmpty());
}

} // namespace
} // namespace vexa::test
