// The main window's layout rule on its own.
#include "MainLayoutVexaRM.h"

#include <gtest/gtest.h>

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
