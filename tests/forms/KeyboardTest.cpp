// The main window worked with the keyboard alone: what Tab reaches and in
// which order, Space, the arrow keys, F5 and F6, and the menus' mnemonics.
#include "forms/FrontPanelVexaRM.h"
#include "forms/MainForm.h"
#include "panel/OnOffButtonVexa.h"
#include "tests/support/TestSupport.h"
#include "panel/VerticalSlideVexa.h"
#include "model/VirtualScopeVexaRM.h"
#include "panel/VoltageValueEditVexa.h"

#include <QAbstractSlider>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QSet>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

using namespace vexa;

namespace {

class KeyboardTest : public ::testing::Test {
protected:
    void SetUp() override {
        Old = QDir::currentPath();
        Dir = QString::fromStdString(test::MakeTempDir("vexa_keys_"));
        QDir::setCurrent(Dir);
    }
    void TearDown() override {
        QDir::setCurrent(Old);
        QDir(Dir).removeRecursively();
    }
    // Shows the window and waits until it is active (focus needs that).
    static bool ShowActive(TMainForm &form) {
        form.show();
        form.activateWindow();
        return QTest::qWaitForWindowActive(&form);
    }
    QString Old, Dir;
};

// The controls an operator works: buttons, scroll bars, slides and edits
// that are enabled and shown.
bool IsControl(QWidget *w) {
    const bool kind = qobject_cast<QAbstractButton *>(w) || qobject_cast<QAbstractSlider *>(w) ||
                      qobject_cast<TVerticalSlideVexa *>(w) || qobject_cast<QLineEdit *>(w);
    return kind && w->isEnabled() && w->isVisibleTo(w->window());
}

// Where a control should come in the Tab order, from the panel's geometry
// alone: the left column top to bottom, then the right column beside the
// display, then the bottom row's groups from left to right; inside each
// part row by row, left to right.
std::tuple<int, int, int, int> PlaceOf(const TFrontPanelVexaRM &panel, QWidget *w) {
    const QRect display = panel.Layout().Display;
    const QRect r(w->mapTo(&panel, QPoint(0, 0)), w->size());
    const QPoint c = r.center();
    if (c.y() > display.bottom()) {
        const auto *group = qobject_cast<QGroupBox *>(w->parentWidget());
        return {2, group ? group->x() : r.x(), r.y(), r.x()};
    }
    return {c.x() < display.left() ? 0 : 1, 0, r.y(), r.x()};
}

} // namespace

TEST_F(KeyboardTest, TabReachesEveryControlOnceInPanelOrder) {
    TMainForm form;
    ASSERT_TRUE(ShowActive(form));
    TFrontPanelVexaRM &panel = *form.FrontPanel();

    std::vector<QWidget *> expected;
    for (QWidget *w : panel.findChildren<QWidget *>())
        if (IsControl(w)) expected.push_back(w);
    std::stable_sort(expected.begin(), expected.end(), [&panel](QWidget *a, QWidget *b) {
        return PlaceOf(panel, a) < PlaceOf(panel, b);
    });
    ASSERT_GT(expected.size(), 50u);

    // From the first control, Tab by Tab until the focus comes round.
    expected.front()->setFocus(Qt::TabFocusReason);
    std::vector<QWidget *> chain;
    for (QWidget *w = QApplication::focusWidget(); w && chain.size() < 2 * expected.size();) {
        chain.push_back(w);
        QTest::keyClick(w, Qt::Key_Tab);
        w = QApplication::focusWidget();
        if (w == chain.front()) break;
    }
    ASSERT_EQ(chain.size(), expected.size());
    for (size_t i = 0; i < chain.size(); ++i)
        EXPECT_EQ(chain[i], expected[i])
            << "place " << i << ": " << chain[i]->metaObject()->className() << " "
            << chain[i]->toolTip().toStdString() << " instead of "
            << expected[i]->toolTip().toStdString();
}

TEST_F(KeyboardTest, SpaceArrowsAndTheStartStopKeysWorkTheInstrument) {
    TMainForm form;
    ASSERT_TRUE(ShowActive(form));
    TFrontPanelVexaRM &panel = *form.FrontPanel();
    TVirtualScopeVexaRM &scope = form.VirtualScope();
    scope.SetNotifyEnabled(true);
    scope.Notify(kNotifySettingsChanged, kGroupSystem);

    // Space presses the focused button.
    panel.ChannelButtonA()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(panel.ChannelButtonA(), Qt::Key_Space);
    EXPECT_FALSE(scope.StatusChannelA());
    QTest::keyClick(panel.ChannelButtonA(), Qt::Key_Space);
    EXPECT_TRUE(scope.StatusChannelA());

    // The arrow keys move the rate bars; the display bar runs backwards.
    const int32_t smp = scope.SMPSetting(), dsp = scope.DSPSetting();
    panel.SmpScrollBar()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(panel.SmpScrollBar(), Qt::Key_Left);
    EXPECT_EQ(scope.SMPSetting(), smp - 1);
    panel.DSPScrollBar()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(panel.DSPScrollBar(), Qt::Key_Left);
    EXPECT_EQ(scope.DSPSetting(), dsp + 1);

    // Up moves trace A up a step, Page Down five steps down; each release
    // lets the position be logged again.
    const int level = scope.VerticalLevelChannelA();
    panel.VerticalSlideA()->setFocus(Qt::TabFocusReason);
    QTest::keyPress(panel.VerticalSlideA(), Qt::Key_Up);
    EXPECT_FALSE(scope.SettingsToFile());
    QTest::keyRelease(panel.VerticalSlideA(), Qt::Key_Up);
    EXPECT_TRUE(scope.SettingsToFile());
    EXPECT_EQ(scope.VerticalLevelChannelA(), level - 1);
    QTest::keyClick(panel.VerticalSlideA(), Qt::Key_PageDown);
    EXPECT_EQ(scope.VerticalLevelChannelA(), level + 4);
    EXPECT_EQ(scope.VerticalLevelChannelB(), 1515);

    // F5 and F6 from wherever the focus is, even inside an edit.
    panel.TriggerAVoltageValueEditVexa1()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(panel.TriggerAVoltageValueEditVexa1(), Qt::Key_F5);
    EXPECT_TRUE(scope.MeasurementStarted());
    EXPECT_TRUE(panel.StartRecordButtonVexa1()->Down());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F5); // started already: nothing
    EXPECT_TRUE(scope.MeasurementStarted());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
    EXPECT_FALSE(scope.MeasurementStarted());
    EXPECT_FALSE(panel.StartRecordButtonVexa1()->Down());
    EXPECT_TRUE(panel.StartRecordButtonVexa1()->toolTip().endsWith("(F5)"));
    EXPECT_TRUE(panel.StopRecordButtonVexa2()->toolTip().endsWith("(F6)"));
}

TEST_F(KeyboardTest, EveryMenuEntryHasAMnemonicOfItsOwn) {
    TMainForm form;
    int entries = 0;
    for (QAction *menuAction : form.menuBar()->actions()) {
        QMenu *menu = menuAction->menu();
        ASSERT_NE(menu, nullptr);
        EXPECT_FALSE(QKeySequence::mnemonic(menuAction->text()).isEmpty());
        QSet<QKeySequence> used;
        for (QAction *a : menu->actions()) {
            if (a->isSeparator()) continue;
            ++entries;
            const QKeySequence key = QKeySequence::mnemonic(a->text());
            EXPECT_FALSE(key.isEmpty()) << a->text().toStdString();
            EXPECT_FALSE(used.contains(key)) << a->text().toStdString();
            used.insert(key);
        }
    }
    EXPECT_EQ(entries, 13);
}
