// The rolling display, pixel by pixel: grid phase and scrolling, marker
// lines, ground lines, the full redraw's placements, channels and the
// display switched off, and the two width limits.
#include "DisplayTestSupport.h"
#include "display/RollScreenShiftVexaRM.h"

namespace vexa::test {
namespace {

using ShiftTest = DisplayTest<TRollScreenShiftVexaRM>;

TEST_F(ShiftTest, GridStandsAtTheDivisionsAndMovesWithTheTrace) {
    Make(585);
    EXPECT_EQ(Display->GridPhase(), 35);
    QImage image = Image();
    for (int x = 0; x <= 550; x += 50) {
        EXPECT_EQ(ColorAt(image, x, 0), kTestGrid) << "x = " << x;
        EXPECT_EQ(ColorAt(image, x, 2), kTestGrid) << "x = " << x;
        EXPECT_EQ(ColorAt(image, x, 1), kTestBackground) << "x = " << x;
    }
    EXPECT_EQ(ColorAt(image, 25, 0), kTestBackground);
    EXPECT_EQ(ColorAt(image, 575, 0), kTestBackground);
    // Horizontal dots at even x on the rows of the bytes 224, 192, ..., 32.
    for (int row = 32; row <= 224; row += 32) {
        EXPECT_EQ(ColorAt(image, 4, row), kTestGrid) << "row " << row;
        EXPECT_EQ(ColorAt(image, 5, row), kTestBackground) << "row " << row;
    }

    FeedSame(Pair(100, 200), 25);
    EXPECT_EQ(Display->GridPhase(), 10);
    image = Image();
    EXPECT_EQ(ColorAt(image, 575, 0), kTestGrid); // the new line
    EXPECT_EQ(ColorAt(image, 575, 2), kTestGrid);
    EXPECT_EQ(ColorAt(image, 525, 0), kTestGrid); // was at 550
    EXPECT_EQ(ColorAt(image, 25, 0), kTestGrid);  // was at 50
    EXPECT_EQ(ColorAt(image, 550, 0), kTestBackground);
    EXPECT_EQ(ColorAt(image, 0, 0), kTestBackground);
    // The old dots moved 25 pixels to odd x; the new strip has its own.
    EXPECT_EQ(ColorAt(image, 5, 224), kTestGrid);
    EXPECT_EQ(ColorAt(image, 4, 224), kTestBackground);
    EXPECT_EQ(ColorAt(image, 570, 224), kTestGrid);
    EXPECT_EQ(ColorAt(image, 571, 224), kTestBackground);
    // The new columns fill x = 560 ... 584.
    EXPECT_EQ(ColorAt(image, 560, 155), kTestA);
    EXPECT_EQ(ColorAt(image, 584, 155), kTestA);
    EXPECT_EQ(ColorAt(image, 584, 55), kTestB);
    EXPECT_EQ(ColorAt(image, 559, 155), kTestBackground);
}

TEST_F(ShiftTest, SinglePixelShiftsDrawHorizontalDotsOnEverySecondShift) {
    Make(585);
    FeedSame(Pair(100, 200), 1);
    EXPECT_EQ(Display->GridPending(), 1);
    EXPECT_EQ(ColorAt(Image(), 584, 224), kTestBackground);
    FeedSame(Pair(100, 200), 1);
    EXPECT_EQ(Display->GridPending(), 0);
    const QImage image = Image();
    EXPECT_EQ(ColorAt(image, 584, 224), kTestGrid);
    EXPECT_EQ(ColorAt(image, 583, 224), kTestBackground);
    EXPECT_EQ(ColorAt(image, 584, 32), kTestGrid);
}

TEST_F(ShiftTest, MarkerEndingABlockIsDrawnAgainWhereTheGridCrossesIt) {
    for (const bool single : {false, true}) {
        Scope.SetSingleMode(single);
        Make(585);
        // 16 columns bring the grid phase to 1: the newest grid line lies
        // on the marker, and the next block redraws the line over it.
        std::vector<uint16_t> block(15, Pair(100, 200));
        block.push_back(1);
        Feed(block);
        EXPECT_EQ(Display->GridPhase(), 1);
        FeedSame(Pair(100, 200), 3);
        // The single trace's pen starts on the marker at the first new
        // column's rows.
        const QImage image = Image();
        for (int y = 0; y < 255; ++y) {
            if (single && (y == 155 || y == 55)) continue;
            ASSERT_EQ(ColorAt(image, 581, y), kRed) << "row " << y << (single ? " single" : "");
        }
    }
}

TEST_F(ShiftTest, GroundLinesNeedColumnsAndAStoppedMeasurement) {
    Scope.SetGroundA(true);
    Scope.SetZeroChannelA(100); // row 155
    Make(585);
    Display->Redraw();
    EXPECT_EQ(ColorAt(Image(), 2, 155), kTestBackground); // no columns yet
    FeedSame(Pair(200, 220), 30);
    Display->Redraw();
    QImage image = Image();
    EXPECT_EQ(ColorAt(image, 2, 155), kTestA);
    EXPECT_EQ(ColorAt(image, 3, 155), kTestBackground);
    EXPECT_EQ(ColorAt(image, 584, 55), kTestA); // the trace

    Display->ClearScreen();
    image = Image();
    EXPECT_EQ(ColorAt(image, 584, 55), kTestBackground);
    EXPECT_EQ(ColorAt(image, 50, 0), kTestGrid);
    Display->Redraw();
    image = Image();
    EXPECT_EQ(ColorAt(image, 2, 155), kTestBackground);
    EXPECT_EQ(ColorAt(image, 584, 55), kTestBackground);
    EXPECT_EQ(ColorAt(image, 550, 0), kTestGrid);

    FeedSame(Pair(200, 220), 5);
    Scope.SetMeasurementStarted(true);
    Display->Redraw();
    EXPECT_EQ(ColorAt(Image(), 2, 155), kTestBackground);
}

TEST_F(ShiftTest, FullRedrawPutsTheBandsNewestColumnAtWidthMinusOneAndTheTraceAtWidth) {
    std::vector<uint16_t> block;
    for (int k = 0; k < 10; ++k)
        block.push_back(Pair(20 + 10 * k, 250 - 10 * k));
    Make(585);
    Feed(block);
    Display->Redraw();
    QImage image = Image();
    for (int k = 0; k < 10; ++k) {
        EXPECT_EQ(ColorAt(image, 575 + k, 255 - (20 + 10 * k)), kTestA) << k;
        EXPECT_EQ(ColorAt(image, 575 + k, 255 - (250 - 10 * k)), kTestB) << k;
    }
    EXPECT_EQ(ColorAt(image, 574, 235), kTestBackground);

    Scope.SetMakeMinimum(false); // single trace of the maxima
    Scope.SetModeLine(false);
    Display->Redraw();
    image = Image();
    for (int k = 0; k < 9; ++k)
        EXPECT_EQ(ColorAt(image, 576 + k, 255 - (20 + 10 * k)), kTestA) << k;
    EXPECT_EQ(ColorAt(image, 575, 235), kTestBackground);
    EXPECT_EQ(ColorAt(image, 584, 255 - 110), kTestBackground); // column 9 lies at x = 585
}

TEST_F(ShiftTest, SingleTraceRedrawWithHeadAtZeroStartsAtRingPosition2047) {
    auto code = [](int i) { return 1 + (i * 37) % 255; };
    std::vector<uint16_t> block;
    for (int i = 0; i < 2048; ++i)
        block.push_back(Pair(code(i), 128));
    Scope.SetSingleMode(true);
    Scope.SetModeLine(false);
    Scope.SetStatusChannelB(false);
    Make(585);
    for (size_t at = 0; at < block.size(); at += 512)
        Feed(std::vector<uint16_t>(block.begin() + long(at), block.begin() + long(at) + 512));
    ASSERT_EQ(Display->Head(), 0);
    ASSERT_TRUE(Display->Wrapped());
    Display->Redraw();
    const QImage image = Image();
    for (int k = 1; k <= 584; ++k)
        ASSERT_EQ(ColorAt(image, 585 - k, 255 - code(2047 - k)), kTestA) << "x = " << 585 - k;
}

TEST_F(ShiftTest, MarkerColoursInIncrementalAndFullDrawing) {
    const uint16_t s = Pair(100, 200);
    // Ten columns at x = 575 ... 584: marker 1 at 577, one marker 2 for
    // the two at 580, one record marker for the group at 583.
    const std::vector<uint16_t> block = {s, s, 1, s, s, 2, 2, s, s, 0, 4, 1, 1, 0, 5, 10, 0, 0, s};
    for (const bool single : {false, true}) {
        Scope.SetSingleMode(single);
        Make(585);
        Feed(block);
        QImage image = Image();
        EXPECT_EQ(ColorAt(image, 577, 10), kRed);
        EXPECT_EQ(ColorAt(image, 580, 10), kOlive);
        EXPECT_EQ(ColorAt(image, 583, 10), kRed);
        EXPECT_EQ(ColorAt(image, 581, 10), kTestBackground);
        EXPECT_EQ(ColorAt(image, 584, 10), kTestBackground);
        Display->Redraw();
        image = Image();
        const int shift = single ? 1 : 0;
        EXPECT_EQ(ColorAt(image, 577 + shift, 10), kRed);
        EXPECT_EQ(ColorAt(image, 580 + shift, 10), kOlive);
        EXPECT_EQ(ColorAt(image, 583 + shift, 10), kRed);
        EXPECT_EQ(ColorAt(image, 581 + shift, 10), kTestBackground);
    }
}

TEST_F(ShiftTest, ChannelsSwitchedOffAreNotDrawnInAnyStyle) {
    std::vector<uint16_t> block;
    for (int i = 0; i < 300; ++i)
        block.push_back(Pair(20 + i % 200, 40 + (i * 3) % 200));
    for (int style = 0; style < 4; ++style) {
        Scope.SetSingleMode(style >= 2);
        Scope.SetModeLine(style % 2 == 0);
        Scope.SetStatusChannelA(true);
        Scope.SetStatusChannelB(false);
        Make(200);
        Feed(block);
        EXPECT_TRUE(AnyPixel(Image(), kTestA)) << style;
        EXPECT_FALSE(AnyPixel(Image(), kTestB)) << style;
        Display->Redraw();
        EXPECT_FALSE(AnyPixel(Image(), kTestB)) << style;
        Scope.SetStatusChannelA(false);
        Scope.SetStatusChannelB(true);
        Display->Redraw();
        EXPECT_FALSE(AnyPixel(Image(), kTestA)) << style;
        EXPECT_TRUE(AnyPixel(Image(), kTestB)) << style;
    }
}

TEST_F(ShiftTest, BlocksAreIgnoredWhileTheDisplayIsOff) {
    Make(300);
    FeedSame(Pair(10, 20), 40);
    const QImage before = Image();
    Scope.SetDisplayActive(false);
    FeedSame(Pair(90, 90), 50);
    EXPECT_EQ(Display->Head(), 40);
    EXPECT_TRUE(Image() == before);
    // On again: the columns reduced before are still there.
    Scope.SetDisplayActive(true);
    Display->Redraw();
    EXPECT_EQ(ColorAt(Image(), 299, 255 - 10), kTestA);
}

TEST_F(ShiftTest, BlockWiderThanTheScreenShowsItsNewestWords) {
    std::vector<uint16_t> block;
    for (int i = 0; i < 300; ++i)
        block.push_back(Pair(10 + i % 200, 128));
    Make(100);
    Feed(block);
    EXPECT_EQ(Display->Head(), 100);
    const QImage image = Image();
    EXPECT_EQ(ColorAt(image, 99, 255 - (10 + 299 % 200)), kTestA);
    EXPECT_EQ(ColorAt(image, 0, 255 - (10 + 200 % 200)), kTestA);
}

TEST_F(ShiftTest, DisplayWiderThanTheRingsRedrawsOnlyWhatTheRingsHold) {
    Make(2100, 100);
    FeedSame(Pair(128, 128), 2100);
    ASSERT_TRUE(Display->Wrapped());
    Display->Redraw();
    const QImage image = Image();
    const int row = 50; // (255 - 128) x 100 / 255 = 49.8; grid dots at even x
    EXPECT_EQ(ColorAt(image, 53, row), kTestB);
    EXPECT_EQ(ColorAt(image, 2099, row), kTestB);
    EXPECT_EQ(ColorAt(image, 51, row), kTestBackground);
    EXPECT_EQ(ColorAt(image, 1, row), kTestBackground);
}

// The bitmap is a ring of columns that the paint puts together. Against a
// twin that moves every pixel on each scroll, on random blocks in every
// drawing style (some wider than the display, a clear and a full redraw in
// between): the same picture after every block, in the bitmap and on the
// screen.
TEST_F(ShiftTest, RingOfColumnsShowsThePictureOfMovedPixels) {
    uint32_t rnd = 2024;
    auto next = [&rnd](uint32_t range) {
        rnd = rnd * 1103515245u + 12345u;
        return (rnd >> 8) % range;
    };
    for (int style = 0; style < 4; ++style) {
        Scope.SetModeLine(style & 1);
        Scope.SetSingleMode(style & 2);
        TRollScreenShiftVexaRM &ring = Make(301, 120);
        TRollScreenShiftVexaRM moved;
        moved.SetScrollMovesPixels(true);
        moved.resize(301, 120);
        moved.SetVirtualScope(&Scope);
        moved.ResetScreen();
        ring.show();
        // The shown display owes a full redraw to its first paint: settle it.
        ring.Redraw();
        moved.Redraw();
        for (int block = 0; block < 60; ++block) {
            if (block == 20) {
                ring.ClearScreen();
                moved.ClearScreen();
            }
            if (block == 40) {
                ring.Redraw();
                moved.Redraw();
            }
            std::vector<uint16_t> words(1 + next(block % 9 == 8 ? 700 : 40));
            for (uint16_t &w : words)
                w = Pair(int(1 + next(254)), int(1 + next(254)));
            ring.DisplayBlock(words.data(), int(words.size()));
            moved.DisplayBlock(words.data(), int(words.size()));
            const QImage expected = moved.Bitmap();
            ASSERT_EQ(ring.Bitmap(), expected) << "style " << style << ", block " << block;
            if (block % 10 == 9) {
                const QImage shown = ring.grab().toImage().convertToFormat(QImage::Format_RGB32);
                ASSERT_EQ(shown, expected) << "style " << style << ", block " << block;
            }
        }
    }
}

} // namespace
} // namespace vexa::test
