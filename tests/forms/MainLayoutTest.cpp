// The main window's layout rule on its own, and the window's place on
// screens of every size.
#include "forms/FrontPanelVexaRM.h"
#include "forms/MainForm.h"
#include "forms/MainLayoutVexaRM.h"

#include <QGroupBox>

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <vector>

using vexa::TMainLayoutVexaRM;

namespace {
int Right(const QRect &r) {
    return TMainLayoutVexaRM::Right(r);
}
int Bottom(const QRect &r) {
    return TMainLayoutVexaRM::Bottom(r);
}
} // namespace

TEST(MainLayout, BottomRowIsCentredAndGapless) {
    for (int k : {0, 1, 5, 17, 245}) {
        TMainLayoutVexaRM l = TMainLayoutVexaRM::Design();
        int w = 790 + 2 * k;
        l.Apply(w, 560);
        EXPECT_EQ(l.SavePanel.x(), k) << "k=" << k;
        EXPECT_EQ(l.TimeBasePanel.x(), Right(l.SavePanel));
        EXPECT_EQ(l.RecordPanel.x(), Right(l.TimeBasePanel));
        EXPECT_EQ(l.TriggerPanel.x(), Right(l.RecordPanel));
        EXPECT_EQ(l.ARMPanel.x(), Right(l.TriggerPanel));
        EXPECT_EQ(Right(l.ARMPanel), w - k);
        for (const QRect *r :
             {&l.SavePanel, &l.TimeBasePanel, &l.RecordPanel, &l.TriggerPanel, &l.ARMPanel}) {
            EXPECT_EQ(r->y(), Bottom(l.SweepPanel));
            EXPECT_EQ(Bottom(*r), 560);
        }
    }
    // An odd remainder rounds toward zero.
    TMainLayoutVexaRM l = TMainLayoutVexaRM::Design();
    l.Apply(801, 560);
    EXPECT_EQ(l.SavePanel.x(), 5);
}

TEST(MainLayout, InformationPanelsShareTheWidth) {
    TMainLayoutVexaRM l = TMainLayoutVexaRM::Design();
    l.Apply(808, 560);
    EXPECT_EQ(l.InfoPanelA.width(), 316);
    EXPECT_EQ(l.InfoPanelAShift, -70); // contents move left by 70 from design
    EXPECT_EQ(l.InfoPanelA.topLeft(), QPoint(86, 0));
    EXPECT_EQ(l.InfoPanelB.x(), 86 + 316 + 4);
    EXPECT_EQ(l.InfoPanelB.width(), 316);
    EXPECT_EQ(l.InfoPanelBShift, 20);
    // A second pass at another width shifts by the change since the last one.
    l.Apply(1000, 560);
    EXPECT_EQ(l.InfoPanelA.width(), (1000 - 86 - 86 - 4) / 2);
    EXPECT_EQ(l.InfoPanelAShift, 412 - 316);
}

TEST(MainLayout, ColumnsAndDisplaysFillTheRest) {
    TMainLayoutVexaRM l = TMainLayoutVexaRM::Design();
    const int w = 824, h = 578;
    l.Apply(w, h);
    EXPECT_EQ(l.Mode.y(), 57);
    EXPECT_EQ(l.GridButton.y(), 57 + 90 + 2);
    EXPECT_EQ(l.GridButton.width(), 86);
    EXPECT_EQ(l.GridBrightness.y(), Bottom(l.GridButton) + 2);
    EXPECT_EQ(l.GridBrightness.width(), 86);
    EXPECT_EQ(l.SweepPanel.y(), Bottom(l.GridBrightness));
    EXPECT_EQ(Bottom(l.SweepPanel), h - 96);

    EXPECT_EQ(l.Source.topLeft(), QPoint(w - 86, 0));
    EXPECT_EQ(l.VerticalShifts.topLeft(), QPoint(w - 86, 93));
    EXPECT_EQ(l.VerticalShifts.height(), h - 71 - 93 - 96);
    EXPECT_EQ(l.Density.topLeft(), QPoint(w - 86, Bottom(l.VerticalShifts)));

    // Inside the vertical shifts.
    EXPECT_EQ(l.SlideUpButtonA.y(), 10);
    EXPECT_EQ(l.VerticalSlideA.y(), 22 + 13);
    EXPECT_EQ(l.VerticalSlideA.height(), l.VerticalShifts.height() - 22 - 22 - 10);
    EXPECT_EQ(l.VerticalSlideB.y(), l.VerticalSlideA.y());
    EXPECT_EQ(l.VerticalSlideB.height(), l.VerticalSlideA.height());
    EXPECT_EQ(l.BarHeight, l.VerticalSlideA.height() - 15);
    EXPECT_EQ(l.SlideDownButtonA.y(), Bottom(l.VerticalSlideA) - 3);
    EXPECT_EQ(l.SlideDownButtonB.y(), l.SlideDownButtonA.y());
    EXPECT_EQ(Bottom(l.SlideDownButtonA), l.VerticalShifts.height());

    EXPECT_EQ(l.Display.topLeft(), QPoint(87, 57));
    EXPECT_EQ(Right(l.Display), l.Source.x() - 1);
    EXPECT_EQ(Bottom(l.Display), l.TimeBasePanel.y());
    EXPECT_EQ(l.InactiveDispLabel.x(), 87 + (l.Display.width() - 84) / 2);
    EXPECT_EQ(l.InactiveDispLabel.y(), 57 + (l.Display.height() - 24) / 2);
}

// Random screens and window frames: the window lies wholly in the free area
// whenever that area can hold what the panel needs, keeps its design size
// where it fits, is centred, and its minimum never hides a control.
TEST(WindowPlacement, FitsEveryScreenThatCanHoldThePanel) {
    const QSize design = vexa::TMainForm::kDesignSize, minimum = vexa::TMainForm::kMinimumSize;
    const QSize needed(798, 470);
    std::mt19937 random(1202);
    auto pick = [&random](int low, int high) { return low + int(random() % (high - low + 1)); };
    for (int i = 0; i < 2000; ++i) {
        const QRect available(pick(-1920, 1920), pick(0, 60), pick(640, 3840), pick(400, 2160));
        const QMargins frame(pick(0, 8), pick(0, 40), pick(0, 8), pick(0, 8));
        const auto fit = vexa::TMainForm::FitToScreen(design, minimum, needed, available, frame);
        const QRect outer = fit.Geometry.marginsAdded(frame);
        const QSize room = available.size().shrunkBy(frame);
        SCOPED_TRACE(::testing::Message() << "screen " << available.width() << "x"
                                          << available.height() << " frame top " << frame.top());
        EXPECT_GE(fit.Geometry.width(), needed.width());
        EXPECT_GE(fit.Geometry.height(), needed.height());
        EXPECT_LE(fit.MinimumSize.width(), fit.Geometry.width());
        EXPECT_LE(fit.MinimumSize.height(), fit.Geometry.height());
        EXPECT_GE(outer.left(), available.left());
        EXPECT_GE(outer.top(), available.top());
        if (room.width() >= needed.width() && room.height() >= needed.height()) {
            EXPECT_TRUE(available.contains(outer));
            EXPECT_LE(
                std::abs((outer.left() - available.left()) - (available.right() - outer.right())),
                1);
        }
        if (room.width() >= design.width() && room.height() >= design.height()) {
            EXPECT_EQ(fit.Geometry.size(), design);
            EXPECT_EQ(fit.MinimumSize, minimum);
        }
    }
    // 200 % on a 1920 x 1080 screen without a window manager: 960 x 540.
    const auto fit =
        vexa::TMainForm::FitToScreen(design, minimum, needed, QRect(0, 0, 960, 540), QMargins());
    EXPECT_EQ(fit.Geometry, QRect(68, 0, 824, 540));
}

// At the smallest size the window allows, every control lies whole inside
// its group, every group inside the panel, and no two groups overlap.
TEST(WindowPlacement, TheNeededSizeShowsEveryControlWhole) {
    vexa::TFrontPanelVexaRM panel;
    const QSize needed = panel.NeededSize();
    EXPECT_LE(needed.width(), 800);
    EXPECT_LE(needed.height(), 500);
    panel.resize(needed);
    panel.show();
    panel.LayOut();
    std::vector<QGroupBox *> groups;
    for (QWidget *w : panel.findChildren<QWidget *>()) {
        if (!w->isVisibleTo(&panel)) continue;
        const QRect inParent = w->geometry();
        const QRect parent = w->parentWidget()->rect();
        EXPECT_TRUE(parent.contains(inParent))
            << w->metaObject()->className() << " " << w->toolTip().toStdString() << " at "
            << inParent.x() << "," << inParent.y() << " in " << parent.width() << "x"
            << parent.height();
        if (auto *g = qobject_cast<QGroupBox *>(w)) groups.push_back(g);
    }
    ASSERT_EQ(groups.size(), 13u);
    for (size_t i = 0; i < groups.size(); ++i)
        for (size_t j = i + 1; j < groups.size(); ++j)
            EXPECT_FALSE(groups[i]->geometry().intersects(groups[j]->geometry()))
                << groups[i]->title().toStdString() << " / " << groups[j]->title().toStdString();
    EXPECT_GT(panel.Layout().Display.height(), 100);
}
