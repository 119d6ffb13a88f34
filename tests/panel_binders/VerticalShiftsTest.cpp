// The vertical-position controls: arrow clicks, held buttons and slides with
// the repeat timer, knob drags, and the refresh on every kind they follow.
#include "PanelFixture.h"

#include "common/ScopeConstsVexaRM.h"

namespace vexa::test {
namespace {

class VerticalShiftsTest : public PanelFixture {
protected:
    // The knob's position on slide A as the model computes it.
    int KnobA() { return Scope.ScaledLevelChannelA(); }
};

TEST_F(VerticalShiftsTest, OneClickOnAnArrowMovesTheLevelByExactlyOne) {
    EXPECT_EQ(Scope.MaxChannelA(), 100); // the slide's bar height
    const int a = Scope.VerticalLevelChannelA();
    const int b = Scope.VerticalLevelChannelB();
    EXPECT_FALSE(Timer1->isActive()); // binding stopped it

    Click(SlideUpA);
    EXPECT_EQ(Scope.VerticalLevelChannelA(), a - 1);
    Click(SlideDownB);
    EXPECT_EQ(Scope.VerticalLevelChannelB(), b + 1);
    Click(SlideDownA);
    Click(SlideDownA);
    EXPECT_EQ(Scope.VerticalLevelChannelA(), a + 1);
    Click(SlideUpB);
    EXPECT_EQ(Scope.VerticalLevelChannelB(), b);

    // Every notification came from group 4 as SettingsChanged; the release
    // switched the position logging back on and stopped the repeat.
    ASSERT_FALSE(Recorder.Seen.empty());
    EXPECT_EQ(Recorder.Count(kNotifySettingsChanged, 4), int(Recorder.Seen.size()));
    EXPECT_TRUE(Scope.SettingsToFile());
    EXPECT_FALSE(Timer1->isActive());
    // The slides' tooltips show the level counted from the bottom.
    EXPECT_EQ(SlideA->toolTip(), "Position A: " + QString::number(4095 - (a + 1)));
    EXPECT_EQ(SlideB->toolTip(), "Position B: " + QString::number(4095 - b));
}

TEST_F(VerticalShiftsTest, AHeldArrowRepeatsOnceASecondUntilReleased) {
    const int a = Scope.VerticalLevelChannelA();
    const int b = Scope.VerticalLevelChannelB();
    const QPoint centre(SlideDownA->width() / 2, SlideDownA->height() / 2);
    Press(SlideDownA, centre);
    // The press only arms the repeat and stops position logging.
    EXPECT_EQ(Scope.VerticalLevelChannelA(), a);
    EXPECT_FALSE(Scope.SettingsToFile());
    EXPECT_TRUE(Timer1->isActive());
    EXPECT_EQ(Timer1->interval(), 1000);
    EXPECT_EQ(Shifts->RepeatChannel(), kChannelA);
    EXPECT_EQ(Shifts->RepeatStep(), +1);

    FireTimer(Timer1);
    FireTimer(Timer1);
    EXPECT_EQ(Scope.VerticalLevelChannelA(), a + 2);
    EXPECT_EQ(SlideA->toolTip(), "Position A: " + QString::number(4095 - (a + 2)));

    Release(SlideDownA, centre); // the click that follows adds its own step
    EXPECT_EQ(Scope.VerticalLevelChannelA(), a + 3);
    EXPECT_FALSE(Timer1->isActive());
    EXPECT_TRUE(Scope.SettingsToFile());
    EXPECT_EQ(Scope.VerticalLevelChannelB(), b);
}

TEST_F(VerticalShiftsTest, APressAboveOrBelowTheKnobStepsFiveAndRepeats) {
    const int a = Scope.VerticalLevelChannelA();
    const int p = KnobA();
    Press(SlideA, QPoint(10, p + 11));
    EXPECT_EQ(Scope.VerticalLevelChannelA(), a + 5);
    EXPECT_FALSE(Shifts->GrabA());
    EXPECT_EQ(Shifts->RepeatStep(), +5);
    EXPECT_TRUE(Timer1->isActive());
    FireTimer(Timer1);
    EXPECT_EQ(Scope.VerticalLevelChannelA(), a + 10);
    Release(SlideA, QPoint(10, p + 11));
    EXPECT_FALSE(Timer1->isActive());
    EXPECT_EQ(SlideA->BarPosition(), Scope.ScaledLevelChannelA());

    const int q = KnobA();
    Press(SlideA, QPoint(10, q - 11));
    EXPECT_EQ(Scope.VerticalLevelChannelA(), a + 5);
    EXPECT_EQ(Shifts->RepeatStep(), -5);
    Release(SlideA, QPoint(10, q - 11));
    // Channel B's slide moves channel B only.
    const int b = Scope.VerticalLevelChannelB();
    Press(SlideB, QPoint(10, Scope.ScaledLevelChannelB() + 30));
    Release(SlideB, QPoint(10, 0));
    EXPECT_EQ(Scope.VerticalLevelChannelB(), b + 5);
    EXPECT_EQ(Scope.VerticalLevelChannelA(), a + 5);
}

TEST_F(VerticalShiftsTest, APressExactlyTenPixelsFromTheKnobNeitherGrabsNorSteps) {
    const int a = Scope.VerticalLevelChannelA();
    const int p = KnobA();
    for (int y : {p + 10, p - 10}) {
        Press(SlideA, QPoint(10, y));
        EXPECT_FALSE(Shifts->GrabA()) << y;
        EXPECT_EQ(Scope.VerticalLevelChannelA(), a) << y;
        // The repeat still starts, with the step of no earlier press.
        EXPECT_TRUE(Timer1->isActive());
        EXPECT_EQ(Shifts->RepeatStep(), 0);
        FireTimer(Timer1);
        EXPECT_EQ(Scope.VerticalLevelChannelA(), a);
        Release(SlideA, QPoint(10, y));
    }
    // One pixel nearer grabs the knob instead.
    Press(SlideA, QPoint(10, p + 9));
    EXPECT_TRUE(Shifts->GrabA());
    EXPECT_FALSE(Timer1->isActive());
    Release(SlideA, QPoint(10, p + 9));
    EXPECT_FALSE(Shifts->GrabA());
}

TEST_F(VerticalShiftsTest, DraggingTheKnobStopsAtTheAcceptedRange) {
    const int p = KnobA();
    Press(SlideA, QPoint(10, p));
    ASSERT_TRUE(Shifts->GrabA());
    Recorder.Clear();
    Drag(SlideA, QPoint(10, 60));
    EXPECT_EQ(Scope.VerticalLevelChannelA(), 60 * 4095 / 100);
    EXPECT_EQ(SlideA->BarPosition(), Scope.ScaledLevelChannelA());
    EXPECT_EQ(Recorder.Count(kNotifySettingsChanged, 4), 1);

    Drag(SlideA, QPoint(10, 100)); // the bar height itself is still accepted
    EXPECT_EQ(Scope.VerticalLevelChannelA(), 4095);
    const int bottom = SlideA->BarPosition();
    Drag(SlideA, QPoint(10, 101)); // beyond it the model refuses
    Drag(SlideA, QPoint(10, 140));
    EXPECT_EQ(Scope.VerticalLevelChannelA(), 4095);
    EXPECT_EQ(SlideA->BarPosition(), bottom);
    Drag(SlideA, QPoint(10, 1));
    EXPECT_EQ(Scope.VerticalLevelChannelA(), 1 * 4095 / 100);
    const int top = Scope.VerticalLevelChannelA();
    Drag(SlideA, QPoint(10, -3)); // above the top: refused
    EXPECT_EQ(Scope.VerticalLevelChannelA(), top);
    Release(SlideA, QPoint(10, -3));
    EXPECT_TRUE(Scope.SettingsToFile());

    // Moves without a grab are ignored.
    const int before = Scope.VerticalLevelChannelA();
    Drag(SlideA, QPoint(10, 50));
    Drag(SlideB, QPoint(10, 50));
    EXPECT_EQ(Scope.VerticalLevelChannelA(), before);
}

TEST_F(VerticalShiftsTest, RefreshesOnLevelsSetBackResizeAndPreInitializeOnly) {
    Scope.SetVerticalLevelChannelA(2048);
    Scope.Notify(kNotifyLevelsSetBack, kGroupDataFlow);
    EXPECT_EQ(SlideA->BarPosition(), 2048 * 100 / 4096);
    EXPECT_EQ(SlideA->toolTip(), QStringLiteral("Position A: 2047"));

    // The main window resizes the slide, sets its bar height and sends 5.
    SlideA->SetBarHeight(200);
    Scope.Notify(kNotifyResized, kGroupMainWindow);
    EXPECT_EQ(Scope.MaxChannelA(), 200);
    EXPECT_EQ(SlideA->BarPosition(), 2048 * 200 / 4096);

    Scope.SetColorChannelA(0x0000FF);
    Scope.Notify(kNotifyPreInitialize, kGroupSystem);
    EXPECT_EQ(SlideA->BarColor(), Scope.ColorChannelA());
    EXPECT_EQ(SlideUpA->ChannelColor(), Scope.ColorChannelA());

    // A kind it does not follow leaves the widgets alone.
    Scope.SetVerticalLevelChannelA(100);
    Scope.Notify(kNotifyDeviceRestart, kGroupDataFlow);
    EXPECT_EQ(SlideA->BarPosition(), 2048 * 200 / 4096);
}

TEST_F(VerticalShiftsTest, BindingAnotherWidgetUnhooksThePreviousOne) {
    auto *other = new TChannelIndicationButtonVexa(Panel.get());
    other->setGeometry(0, 0, 40, 24);
    other->show();
    Shifts->SetSlideUpButtonA(other);
    const int a = Scope.VerticalLevelChannelA();
    Click(SlideUpA);
    EXPECT_EQ(Scope.VerticalLevelChannelA(), a);
    Click(other);
    EXPECT_EQ(Scope.VerticalLevelChannelA(), a - 1);
    // A widget destroyed while bound leaves the binder working.
    delete other;
    Scope.Notify(kNotifySettingsChanged, kGroupMainWindow);
    EXPECT_EQ(Shifts->SlideUpButtonA(), nullptr);
}

} // namespace
} // namespace vexa::test
