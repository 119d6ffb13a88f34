// Trigger and arm conditions: sources, under/over, relation, levels typed in
// the voltage edits, and what a running measurement locks.
#include "PanelFixture.h"

#include "common/ScopeConstsVexaRM.h"

namespace vexa::test {
namespace {

class TriggerArmTest : public PanelFixture {};

TEST_F(TriggerArmTest, ButtonsToggleTheirConditionAndShowIt) {
    EXPECT_EQ(TrigUnderA->text(), QStringLiteral(">"));
    Click(TrigUnderA);
    EXPECT_TRUE(Scope.TriggerUnderA());
    EXPECT_FALSE(Scope.TriggerUnderB());
    EXPECT_EQ(TrigUnderA->text(), QStringLiteral("<"));
    EXPECT_EQ(TrigUnderB->text(), QStringLiteral(">"));
    EXPECT_EQ(Recorder.Count(kNotifySettingsChanged, 8), 1);

    // The relation can only be chosen while both sources are on.
    EXPECT_FALSE(TrigRelation->isEnabled());
    Click(TrigSourceA);
    EXPECT_TRUE(Scope.TriggerSourceA());
    EXPECT_TRUE(TrigSourceA->Down());
    EXPECT_FALSE(TrigRelation->isEnabled());
    Click(TrigSourceB);
    EXPECT_TRUE(TrigRelation->isEnabled());
    EXPECT_EQ(TrigRelation->text(), QStringLiteral("OR"));
    Click(TrigRelation);
    EXPECT_TRUE(Scope.TriggerRelation());
    EXPECT_EQ(TrigRelation->text(), QStringLiteral("AND"));
    Click(TrigSourceA);
    EXPECT_FALSE(TrigSourceA->Down());
    EXPECT_FALSE(TrigRelation->isEnabled());
    EXPECT_EQ(TrigRelation->text(), QStringLiteral("AND"));
}

TEST_F(TriggerArmTest, ATypedLevelIsAppliedOnEnterOnly) {
    TrigLevelA->setFocus();
    TrigLevelA->clear();
    QTest::keyClicks(TrigLevelA, "350m");
    EXPECT_DOUBLE_EQ(Scope.TriggerLevelA(), 200.0); // not yet confirmed
    QTest::keyClick(TrigLevelA, Qt::Key_Return);
    EXPECT_DOUBLE_EQ(Scope.TriggerLevelA(), 350.0);
    EXPECT_EQ(TrigLevelA->text(), QStringLiteral("350m"));
    EXPECT_DOUBLE_EQ(TriggerVoltageA->MainValue(), 350.0); // info panel in the same pass
    EXPECT_EQ(Recorder.Count(kNotifySettingsChanged, 8), 1);

    TypeAndEnter(TrigLevelB, QStringLiteral("1.5"));
    EXPECT_DOUBLE_EQ(Scope.TriggerLevelB(), 1500.0);
    EXPECT_EQ(TrigLevelB->text(), QStringLiteral("1.5"));
    EXPECT_DOUBLE_EQ(Scope.TriggerLevelA(), 350.0);
}

TEST_F(TriggerArmTest, KeysThatChangeNothingLeaveAFieldConfirmedAndLeavingAnEditUndoesIt) {
    Panel->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Panel.get()));
    const QColor blue(0, 0, 255);
    auto blueText = [&](QLineEdit *e) { return e->palette().color(QPalette::Text) == blue; };
    Scope.SetARMLevelA(300);
    Scope.Notify(kNotifySettingsChanged, kGroupSystem);
    for (QLineEdit *field : std::initializer_list<QLineEdit *>{
             TrigLevelA, TrigLevelB, ArmLevelA, ArmLevelB, LengthEdit, SaveFileEdit}) {
        SCOPED_TRACE(field->metaObject()->className());
        field->setEnabled(true); // the length edit is off in continuous mode
        field->setFocus();
        const QString shown = field->text();
        for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Alt, Qt::Key_Shift, Qt::Key_Left, Qt::Key_End})
            QTest::keyClick(field, key);
        EXPECT_FALSE(blueText(field));
        // A changed text is unconfirmed; leaving it shows the value in force.
        QTest::keyClicks(field, "7");
        EXPECT_TRUE(blueText(field));
        ArmSourceA->setFocus();
        EXPECT_EQ(field->text(), shown);
        EXPECT_FALSE(blueText(field));
    }
    EXPECT_DOUBLE_EQ(Scope.ARMLevelA(), 300.0);
    EXPECT_DOUBLE_EQ(Scope.TriggerLevelA(), 200.0);
    EXPECT_EQ(Recorder.Count(kNotifySettingsChanged, 8), 0);
    EXPECT_EQ(Recorder.Count(kNotifySettingsChanged, 18), 0);
}

TEST_F(TriggerArmTest, AnUnparseableLevelRestoresTheModelsValue) {
    for (const char *bad : {"5.m", "m", "-", ""}) {
        TypeAndEnter(TrigLevelA, QString::fromLatin1(bad));
        EXPECT_DOUBLE_EQ(Scope.TriggerLevelA(), 200.0) << bad;
        EXPECT_EQ(TrigLevelA->text(), QStringLiteral("200m")) << bad;
    }
    TypeAndEnter(ArmLevelB, QStringLiteral("m"));
    EXPECT_DOUBLE_EQ(Scope.ARMLevelB(), 0.0);
    EXPECT_EQ(ArmLevelB->text(), QStringLiteral("0m"));
}

TEST_F(TriggerArmTest, ArmButtonsAndLevels) {
    Click(ArmSourceA);
    Click(ArmSourceE);
    EXPECT_TRUE(Scope.ARMSourceA());
    EXPECT_FALSE(Scope.ARMSourceB());
    EXPECT_TRUE(Scope.ARMSourceExternal());
    EXPECT_TRUE(ArmSourceE->Down());
    EXPECT_EQ(ArmUnderE->text(), QStringLiteral("1"));
    Click(ArmUnderE);
    EXPECT_TRUE(Scope.ARMUnderExternal());
    EXPECT_EQ(ArmUnderE->text(), QStringLiteral("0"));
    Click(ArmUnderB);
    EXPECT_TRUE(Scope.ARMUnderB());
    EXPECT_EQ(ArmUnderB->text(), QStringLiteral("<"));
    EXPECT_EQ(ArmUnderA->text(), QStringLiteral(">"));
    TypeAndEnter(ArmLevelA, QStringLiteral("-2"));
    EXPECT_DOUBLE_EQ(Scope.ARMLevelA(), -2000.0);
    EXPECT_EQ(ArmLevelA->text(), QStringLiteral("-2"));
    EXPECT_EQ(Recorder.Count(kNotifySettingsChanged, 18), 5);
}

TEST_F(TriggerArmTest, ARunningMeasurementLocksTheTriggerButNotTheArm) {
    Click(TrigSourceA);
    Click(TrigSourceB);
    ASSERT_TRUE(TrigRelation->isEnabled());
    Click(StartButton);
    ASSERT_TRUE(Scope.MeasurementStarted());
    for (QWidget *w :
         std::initializer_list<QWidget *>{TrigLevelA, TrigLevelB, TrigSourceA, TrigSourceB,
                                          TrigUnderA, TrigUnderB, TrigRelation})
        EXPECT_FALSE(w->isEnabled()) << w->metaObject()->className();
    for (QWidget *w :
         std::initializer_list<QWidget *>{ArmSourceA, ArmSourceB, ArmSourceE, ArmUnderA, ArmUnderB,
                                          ArmUnderE, ArmLevelA, ArmLevelB})
        EXPECT_TRUE(w->isEnabled()) << w->metaObject()->className();
    Click(ArmUnderA); // still works while running
    EXPECT_TRUE(Scope.ARMUnderA());

    Click(StopButton);
    EXPECT_FALSE(Scope.MeasurementStarted());
    for (QWidget *w :
         std::initializer_list<QWidget *>{TrigLevelA, TrigSourceB, TrigUnderA, TrigRelation})
        EXPECT_TRUE(w->isEnabled());
}

} // namespace
} // namespace vexa::test
