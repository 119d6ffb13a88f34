// The processing thread draws while the main thread repaints, redraws and
// changes settings; a notification that finds the display busy leaves its
// redraw to the next paint; notifications reach the display.
#include "DisplayTestSupport.h"
#include "display/RollScreenEKGVexaRM.h"
#include "display/RollScreenShiftVexaRM.h"
#include "common/ScopeConstsVexaRM.h"

#include <QCoreApplication>
#include <QPaintEvent>
#include <QRegion>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <random>
#include <thread>

namespace vexa::test {
namespace {

std::vector<uint16_t> LongStream() {
    std::mt19937 rng(3);
    std::uniform_int_distribution<int> code(1, 255), pick(0, 499);
    std::vector<uint16_t> s;
    while (s.size() < 200000) {
        const int p = pick(rng);
        if (p == 0)
            s.push_back(1);
        else if (p == 1)
            s.insert(s.end(), {2, 2});
        else if (p == 2)
            s.insert(s.end(), {0, 4, 1, 1});
        else
            s.push_back(Pair(code(rng), code(rng)));
    }
    return s;
}

template <class TDisplay> class ThreadTest : public ::testing::Test {
protected:
    void SetUp() override { ConfigureScope(Scope); }
    TVirtualScopeVexaRM Scope;
};

using Displays = ::testing::Types<TRollScreenShiftVexaRM, TRollScreenEKGVexaRM>;
TYPED_TEST_SUITE(ThreadTest, Displays);

TYPED_TEST(ThreadTest, ProcessingThreadDrawsWhileTheMainThreadRepaints) {
    const auto stream = LongStream();
    std::vector<int> sizes;
    std::mt19937 rng(9);
    std::uniform_int_distribution<int> size(1, 2000);
    for (size_t total = 0; total < stream.size();) {
        sizes.push_back(int(std::min<size_t>(size_t(size(rng)), stream.size() - total)));
        total += size_t(sizes.back());
    }

    TypeParam display;
    display.resize(300, 120);
    display.SetVirtualScope(&this->Scope);
    display.show();
    display.ResetScreen();

    // The stream is drawn again and again until the main thread has made
    // enough passes of its own.
    std::atomic<bool> done{false};
    std::atomic<int> passes{0};
    int rounds = 0;
    std::thread processing([&] {
        do {
            size_t at = 0;
            for (int n : sizes) {
                display.DisplayBlock(stream.data() + at, n);
                at += size_t(n);
            }
            ++rounds;
        } while (passes.load() < 40);
        done.store(true);
    });
    while (!done.load()) {
        const int pass = passes.load();
        this->Scope.SetModeLine(pass % 2 == 0);
        this->Scope.SetSingleMode(pass % 3 == 0);
        display.ScopeChanged(kNotifySettingsChanged);
        display.grab(); // paints through paintEvent
        QCoreApplication::processEvents();
        if (pass % 5 == 0) display.Redraw();
        passes.store(pass + 1);
    }
    processing.join();
    QCoreApplication::processEvents();

    // Whatever the interleaving, the columns and the final full redraw are
    // those of the same stream drawn on one thread.
    TypeParam quiet;
    quiet.resize(300, 120);
    quiet.SetVirtualScope(&this->Scope);
    quiet.ResetScreen();
    for (int round = 0; round < rounds; ++round) {
        size_t at = 0;
        for (int n : sizes) {
            quiet.DisplayBlock(stream.data() + at, n);
            at += size_t(n);
        }
    }
    EXPECT_EQ(display.Head(), quiet.Head());
    EXPECT_EQ(display.Wrapped(), quiet.Wrapped());
    display.Redraw();
    quiet.Redraw();
    EXPECT_TRUE(display.Bitmap() == quiet.Bitmap());
}

// Gives the test access to the control's lock, to hold it from a thread
// standing in for the processing thread.
class HeldShift : public TRollScreenShiftVexaRM {
public:
    std::mutex &ControlLock() { return FControlLock; }
};

TEST(DisplayNotifications, RedrawFindingTheDisplayBusyIsLeftToTheNextPaint) {
    TVirtualScopeVexaRM scope;
    ConfigureScope(scope);
    HeldShift display;
    display.resize(200, 100);
    display.SetVirtualScope(&scope);
    display.show();
    display.ResetScreen();
    display.grab(); // paints through paintEvent
    ASSERT_EQ(ColorAt(display.Bitmap(), 1, 1), kTestBackground);

    scope.SetBackgroundColor(0x000080);
    std::mutex gate;
    std::condition_variable changed;
    bool held = false, release = false; // guarded by gate
    std::thread drawing([&] {
        std::lock_guard<std::mutex> control(display.ControlLock());
        std::unique_lock<std::mutex> lock(gate);
        held = true;
        changed.notify_all();
        changed.wait(lock, [&] { return release; });
    });
    {
        std::unique_lock<std::mutex> lock(gate);
        changed.wait(lock, [&] { return held; });
    }
    display.ScopeChanged(kNotifySettingsChanged); // must not wait
    EXPECT_EQ(ColorAt(display.Bitmap(), 1, 1), kTestBackground);
    {
        std::lock_guard<std::mutex> lock(gate);
        release = true;
    }
    changed.notify_all();
    drawing.join();
    display.grab(); // paints through paintEvent
    EXPECT_EQ(ColorAt(display.Bitmap(), 1, 1), 0x000080u);
}

TEST(DisplayNotifications, VisibleDisplaysRedrawAndDetachOnRequest) {
    TVirtualScopeVexaRM scope;
    ConfigureScope(scope);
    scope.SetNotifyEnabled(true);
    TRollScreenEKGVexaRM display;
    display.resize(200, 100);
    display.SetVirtualScope(&scope);
    EXPECT_EQ(display.ControlGroup(), 16);
    ASSERT_EQ(scope.Listeners().size(), 1u);
    EXPECT_EQ(scope.Listeners()[0].Group, 16);
    display.ResetScreen();

    scope.SetBackgroundColor(0x000080);
    scope.Notify(kNotifyGridChanged, kGroupMode); // hidden: nothing happens
    EXPECT_EQ(ColorAt(display.Bitmap(), 1, 1), kTestBackground);
    display.SetShown(true);
    scope.Notify(kNotifyLevelsSetBack, kGroupDataFlow); // not a redraw notification
    EXPECT_EQ(ColorAt(display.Bitmap(), 1, 1), kTestBackground);
    scope.Notify(kNotifyResized, kGroupMainWindow);
    EXPECT_EQ(ColorAt(display.Bitmap(), 1, 1), 0x000080u);

    scope.Notify(kNotifyDetach, kGroupSystem);
    EXPECT_TRUE(scope.Listeners().empty());
    EXPECT_EQ(display.VirtualScope(), nullptr);
    const uint16_t word = Pair(9, 9);
    display.DisplayBlock(&word, 1); // without a model blocks are ignored
    EXPECT_EQ(display.Head(), 0);
}

} // namespace
} // namespace vexa::test

namespace vexa::test {
namespace {

// Records the part of the control each paint was asked to copy.
class PaintLogEKG : public TRollScreenEKGVexaRM {
public:
    std::vector<QRect> Rects;

protected:
    void paintEvent(QPaintEvent *event) override {
        Rects.push_back(event->rect());
        TRollScreenEKGVexaRM::paintEvent(event);
    }
};

void RunEventsFor(int ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < until) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

TEST(DisplayRepaint, BlocksCopyOnlyTheirColumnsAndAtMostOneFramePerInterval) {
    TVirtualScopeVexaRM scope;
    ConfigureScope(scope); // one word per column
    PaintLogEKG display;
    display.resize(300, 120);
    display.SetVirtualScope(&scope);
    display.show();
    display.ResetScreen();
    // The first full paint of the shown display, whenever it comes.
    for (int i = 0; i < 400 && display.Rects.empty(); ++i)
        RunEventsFor(5);
    RunEventsFor(60);
    display.Rects.clear();

    // Ten columns from the left edge: only their strip (with the line from
    // the previous column, the cursor and the spots) is copied.
    const std::vector<uint16_t> ten(10, Pair(100, 150));
    std::thread([&] { display.DisplayBlock(ten.data(), int(ten.size())); }).join();
    RunEventsFor(60);
    ASSERT_FALSE(display.Rects.empty());
    QRect copied;
    for (const QRect &r : display.Rects)
        copied = copied.united(r);
    EXPECT_EQ(copied.left(), 0);
    EXPECT_GE(copied.right(), 10 + 5);
    EXPECT_LT(copied.width(), 40);
    EXPECT_EQ(copied.height(), 120);

    // Many blocks in quick succession from the processing thread: the
    // copies are capped, yet in the end the screen shows all of it.
    display.Rects.clear();
    const auto started = std::chrono::steady_clock::now();
    std::atomic<bool> done{false};
    std::thread processing([&] {
        const std::vector<uint16_t> one(1, Pair(60, 200));
        for (int i = 0; i < 200; ++i) {
            display.DisplayBlock(one.data(), 1);
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        done.store(true);
    });
    while (!done.load())
        RunEventsFor(5);
    processing.join();
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - started)
                             .count();
    RunEventsFor(60);
    // One copy per 20 ms frame at the most (and a few for the last frames).
    EXPECT_LE(int64_t(display.Rects.size()), elapsed / 20 + 4);
    EXPECT_LT(display.Rects.size(), 200u);
    QRegion shown;
    for (const QRect &r : display.Rects)
        shown += r;
    // Columns 10 .. 210 were drawn, the cursor and spots after them.
    EXPECT_TRUE(shown.contains(QRect(10, 0, 206, 120)));
}

// The frame clock paces the copies: blocks from the processing thread only
// mark columns and ask for a frame; nothing reaches the screen until the
// clock ticks, and then one copy shows everything the blocks drew, the last
// one included. A tick with nothing asked stops the clock.
TEST(DisplayRepaint, FrameClockCoalescesBlocksAndShowsTheLastOne) {
    TVirtualScopeVexaRM scope;
    ConfigureScope(scope);       // one word per column
    TFrameClockVexa clock(true); // ticks only when the test says so
    PaintLogEKG display;
    display.SetFrameClock(&clock);
    display.resize(300, 120);
    display.SetVirtualScope(&scope);
    display.show();
    display.ResetScreen();
    display.grab(); // the first full paint
    clock.Tick();
    QCoreApplication::processEvents();
    display.Rects.clear();

    std::thread processing([&] {
        for (int i = 0; i < 50; ++i) {
            const std::vector<uint16_t> block(3, Pair(40 + i, 200 - i));
            display.DisplayBlock(block.data(), int(block.size()));
        }
    });
    processing.join();
    QCoreApplication::processEvents();
    EXPECT_TRUE(display.Rects.empty()) << "a block reached the screen without a tick";
    EXPECT_TRUE(clock.Running());

    const int frames = clock.Frames();
    EXPECT_TRUE(clock.Tick());
    EXPECT_EQ(clock.Frames(), frames + 1);
    QCoreApplication::processEvents();
    ASSERT_EQ(display.Rects.size(), 1u);
    // The copy covers the 150 new columns and the last block's spots.
    EXPECT_LE(display.Rects[0].left(), 1);
    EXPECT_GE(display.Rects[0].right(), 150 + 3);
    const QImage shown = display.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, display.Bitmap());
    // The last block's columns are on the screen.
    bool lastShown = false;
    for (int y = 0; y < shown.height(); ++y)
        lastShown = lastShown || ColorAt(shown, 149, y) == kTestA;
    EXPECT_TRUE(lastShown);

    display.Rects.clear();
    EXPECT_FALSE(clock.Tick()); // nothing new: the clock stops
    EXPECT_FALSE(clock.Running());
    QCoreApplication::processEvents();
    EXPECT_TRUE(display.Rects.empty());
}

} // namespace
} // namespace vexa::test
