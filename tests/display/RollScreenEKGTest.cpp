// The EKG display, pixel by pixel: erase strips and the wrap at the right
// edge, cursor and spots, the full redraw's placements, lines next to
// markers, marker colours and channels switched off.
#include "DisplayTestSupport.h"
#include "display/RollScreenEKGVexaRM.h"

namespace vexa::test {
namespace {

using EKGTest = DisplayTest<TRollScreenEKGVexaRM>;

TEST_F(EKGTest, SweepErasesAheadAndWrapsAtTheRightEdge) {
    Make(585);
    FeedSame(Pair(50, 60), 580); // rows 205 and 195
    ASSERT_EQ(Display->WritePosition(), 580);
    FeedSame(Pair(200, 210), 10); // rows 55 and 45
    EXPECT_EQ(Display->WritePosition(), 4);
    const QImage image = Image();
    // Columns at 580 ... 585 (585 lies outside) and 0 ... 3.
    for (int x : {580, 584, 0, 3}) {
        EXPECT_EQ(ColorAt(image, x, 55), kTestA) << x;
        EXPECT_EQ(ColorAt(image, x, 45), kTestB) << x;
    }
    // The left strip 0 ... 14 was erased, the old trace right of it stays.
    EXPECT_EQ(ColorAt(image, 10, 205), kTestBackground);
    EXPECT_EQ(ColorAt(image, 14, 205), kTestBackground);
    EXPECT_EQ(ColorAt(image, 15, 205), kTestA);
    EXPECT_EQ(ColorAt(image, 581, 205), kTestBackground);
    EXPECT_EQ(ColorAt(image, 579, 205), kTestA);
    // The erased left strip has its grid again.
    EXPECT_EQ(ColorAt(image, 0, 2), kTestGrid);
    EXPECT_EQ(ColorAt(image, 10, 224), kTestGrid);
    // Cursor at 4, spots over x = 4 ... 7.
    EXPECT_EQ(ColorAt(image, 4, 100), kBlue);
    EXPECT_EQ(ColorAt(image, 7, 53), kTestA);
    EXPECT_EQ(ColorAt(image, 7, 56), kTestA);
    EXPECT_EQ(ColorAt(image, 5, 43), kTestB);
    EXPECT_EQ(ColorAt(image, 8, 55), kTestBackground);
    EXPECT_EQ(ColorAt(image, 7, 57), kTestBackground);
}

TEST_F(EKGTest, CursorAndSpotsFollowTheNewestColumn) {
    Make(585);
    FeedSame(Pair(128, 30), 3); // rows 127 and 225
    EXPECT_EQ(Display->WritePosition(), 3);
    const QImage image = Image();
    EXPECT_EQ(ColorAt(image, 3, 0), kBlue);
    EXPECT_EQ(ColorAt(image, 3, 200), kBlue);
    for (int x = 3; x <= 6; ++x)
        for (int y = 125; y <= 128; ++y)
            ASSERT_EQ(ColorAt(image, x, y), kTestA) << x << "," << y;
    for (int x = 3; x <= 6; ++x)
        for (int y = 223; y <= 226; ++y)
            ASSERT_EQ(ColorAt(image, x, y), kTestB) << x << "," << y;
    EXPECT_EQ(ColorAt(image, 3, 124), kBlue);
    EXPECT_EQ(ColorAt(image, 4, 124), kTestBackground);
    EXPECT_EQ(ColorAt(image, 4, 129), kTestBackground);
    EXPECT_EQ(ColorAt(image, 7, 127), kTestBackground);
    EXPECT_EQ(ColorAt(image, 2, 127), kTestA); // the third column
}

TEST_F(EKGTest, FullRedrawAfterAHundredColumnsStartsAtTheLeftEdge) {
    std::vector<uint16_t> block;
    for (int i = 0; i < 100; ++i)
        block.push_back(Pair(20 + i, 128));
    Make(585);
    Feed(block);
    Display->Redraw();
    EXPECT_EQ(Display->WritePosition(), 100);
    const QImage image = Image();
    for (int x = 0; x < 100; ++x)
        ASSERT_EQ(ColorAt(image, x, 255 - (20 + x)), kTestA) << x;
    EXPECT_EQ(ColorAt(image, 100, 10), kBlue);
    EXPECT_EQ(ColorAt(image, 101, 10), kTestBackground);
    EXPECT_EQ(ColorAt(image, 102, 127), kTestBackground); // no spots
}

TEST_F(EKGTest, FullRedrawAfterManySweepsPutsEveryColumnWhereTheSweepDid) {
    auto code = [](int i) { return 1 + (i * 37) % 255; };
    Scope.SetSingleMode(true);
    Scope.SetModeLine(false);
    Make(585);
    for (int start = 0; start < 2100; start += 100) {
        std::vector<uint16_t> block;
        for (int i = start; i < start + 100; ++i)
            block.push_back(Pair(code(i), 255 - code(i)));
        Feed(block);
    }
    ASSERT_EQ(Display->WritePosition(), 2100 % 586);
    const QImage swept = Image();
    Display->Redraw();
    EXPECT_EQ(Display->WritePosition(), 342);
    const QImage redrawn = Image();
    EXPECT_EQ(ColorAt(redrawn, 341, 255 - code(2099)), kTestA);
    EXPECT_EQ(ColorAt(redrawn, 343, 255 - code(1515)), kTestA);
    EXPECT_EQ(ColorAt(redrawn, 584, 255 - code(1756)), kTestA);
    EXPECT_EQ(ColorAt(redrawn, 0, 255 - code(1758)), kTestA);
    EXPECT_EQ(ColorAt(redrawn, 342, 100), kBlue);
    // Apart from the cursor and the spots, the two pictures are the same.
    for (int x = 0; x < 585; ++x) {
        if (x >= 342 && x <= 345) continue;
        for (int y = 0; y < 255; ++y)
            ASSERT_EQ(ColorAt(redrawn, x, y), ColorAt(swept, x, y)) << x << "," << y;
    }
}

TEST_F(EKGTest, NoLineLeadsOutOfAMarker) {
    Scope.SetSingleMode(true);
    const uint16_t low = Pair(30, 100), high = Pair(220, 100); // A rows 225 and 35
    Make(585);
    Feed({low, low, low, 1, high, high});
    for (const bool redraw : {false, true}) {
        if (redraw) Display->Redraw();
        const QImage image = Image();
        // The first column after the marker begins at its own row.
        EXPECT_EQ(ColorAt(image, 4, 35), kTestA) << redraw;
        EXPECT_EQ(ColorAt(image, 4, 130), kTestBackground) << redraw;
        EXPECT_EQ(ColorAt(image, 4, 200), kTestBackground) << redraw;
        EXPECT_EQ(ColorAt(image, 3, 130), kRed) << redraw;
        EXPECT_EQ(ColorAt(image, 5, 35), kTestA) << redraw;
        EXPECT_EQ(ColorAt(image, 2, 225), kTestA) << redraw;
    }
}

TEST_F(EKGTest, MarkerColoursAndChannelsSwitchedOff) {
    const uint16_t s = Pair(100, 200);
    Scope.SetStatusChannelB(false);
    Make(300);
    Feed({s, 1, s, 2, 2, 2, s, 0, 4, 1, 0, s, 1, 1, s});
    for (const bool redraw : {false, true}) {
        if (redraw) Display->Redraw();
        const QImage image = Image();
        EXPECT_EQ(ColorAt(image, 1, 10), kRed) << redraw;
        EXPECT_EQ(ColorAt(image, 3, 10), kOlive) << redraw;
        EXPECT_EQ(ColorAt(image, 5, 10), kRed) << redraw;
        EXPECT_EQ(ColorAt(image, 7, 10), kRed) << redraw;
        EXPECT_EQ(ColorAt(image, 8, 10), kRed) << redraw;
        EXPECT_EQ(ColorAt(image, 4, 10), kTestBackground) << redraw;
        EXPECT_EQ(ColorAt(image, 4, 155), kTestA) << redraw;
        EXPECT_FALSE(AnyPixel(image, kTestB)) << redraw;
    }
}

TEST_F(EKGTest, ClearScreenLeavesGridAndStartsTheSweepAgain) {
    Scope.SetGroundB(true);
    Scope.SetZeroChannelB(128); // row 127
    Make(200);
    FeedSame(Pair(60, 70), 150);
    Display->ClearScreen();
    EXPECT_EQ(Display->WritePosition(), 0);
    EXPECT_EQ(Display->Head(), 0);
    QImage image = Image();
    EXPECT_FALSE(AnyPixel(image, kTestA));
    EXPECT_EQ(ColorAt(image, 150, 0), kTestGrid);
    // The redraw shows the ground line without columns, and the cursor.
    Display->Redraw();
    image = Image();
    EXPECT_EQ(ColorAt(image, 2, 127), kTestB);
    EXPECT_EQ(ColorAt(image, 3, 127), kTestBackground);
    EXPECT_EQ(ColorAt(image, 0, 101), kBlue);
}

TEST_F(EKGTest, DisplayWiderThanTheRingsRedrawsOnlyWhatTheRingsHold) {
    Make(2100, 100);
    FeedSame(Pair(128, 128), 2100);
    ASSERT_EQ(Display->WritePosition(), 2100);
    Display->Redraw();
    EXPECT_EQ(Display->WritePosition(), 2100);
    const QImage image = Image();
    // The last 2048 columns end just left of the write position.
    EXPECT_EQ(ColorAt(image, 2099, 50), kTestB);
    EXPECT_EQ(ColorAt(image, 53, 50), kTestB);
    EXPECT_EQ(ColorAt(image, 51, 50), kTestBackground);
}

} // namespace
} // namespace vexa::test
