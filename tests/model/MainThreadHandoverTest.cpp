#include "model/MainThreadHandoverVexaRM.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace vexa;

TEST(MainThreadHandover, WorkerItemsRunOnTheMainThreadInOrder) {
    TMainThreadHandoverVexaRM h;
    std::vector<int> order;
    std::atomic<int> finished{0};
    const auto mainId = std::this_thread::get_id();
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i) {
            bool ran = h.RunInMainThread([&, i] {
                EXPECT_EQ(std::this_thread::get_id(), mainId);
                order.push_back(i);
            });
            EXPECT_TRUE(ran);
        }
        finished = 1;
    });
    while (!finished) {
        h.ServicePending();
        std::this_thread::yield();
    }
    worker.join();
    ASSERT_EQ(order.size(), 50u);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(order[i], i);
}

TEST(MainThreadHandover, CloseReleasesAWaitingWorkerWithoutRunningItsItem) {
    TMainThreadHandoverVexaRM h;
    std::atomic<bool> ran{false};
    std::atomic<int> result{-1};
    // The hand-over wakes the main thread once the item is queued: from then
    // on the worker waits for it, and the close has to release it.
    std::mutex m;
    std::condition_variable cv;
    bool queued = false;
    h.SetWakeHook([&] {
        std::lock_guard<std::mutex> g(m);
        queued = true;
        cv.notify_all();
    });
    std::thread worker([&] { result = h.RunInMainThread([&] { ran = true; }) ? 1 : 0; });
    {
        std::unique_lock<std::mutex> g(m);
        EXPECT_TRUE(cv.wait_for(g, std::chrono::seconds(30), [&] { return queued; }));
    }
    h.Close();
    worker.join();
    EXPECT_EQ(result, 0);
    h.ServicePending();
    EXPECT_FALSE(ran);
    // Closed: new items are refused at once.
    std::thread late([&] { result = h.RunInMainThread([&] { ran = true; }) ? 1 : 0; });
    late.join();
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(ran);
}

TEST(MainThreadHandover, RunsAtOnceWhenCalledOnTheMainThreadAndWakesTheLoop) {
    TMainThreadHandoverVexaRM h;
    int n = 0;
    EXPECT_TRUE(h.RunInMainThread([&] { ++n; }));
    EXPECT_EQ(n, 1);
    std::atomic<int> wakes{0};
    h.SetWakeHook([&] { ++wakes; });
    std::thread worker([&] { h.RunInMainThread([&] { ++n; }); });
    while (wakes == 0)
        std::this_thread::yield();
    while (h.ServicePending() == 0)
        std::this_thread::yield();
    worker.join();
    EXPECT_EQ(n, 2);
}

// An item that runs the event loop itself (a modal box) services the queue
// again: the worker whose item finished inside it is released, the one whose
// item is still open keeps waiting until it ends.
TEST(MainThreadHandover, ANestedLoopReleasesOnlyTheWorkerWhoseItemFinished) {
    TMainThreadHandoverVexaRM h;
    std::atomic<bool> outerRunning{false}, outerReturned{false}, innerReturned{false};
    std::thread outer([&] {
        EXPECT_TRUE(h.RunInMainThread([&] {
            outerRunning = true;
            while (!innerReturned)
                h.ServicePending(); // the box's own event loop
            // The inner item has finished, this one has not: its worker
            // must still be waiting.
            const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
            while (!outerReturned && std::chrono::steady_clock::now() < until)
                std::this_thread::yield();
            EXPECT_FALSE(outerReturned) << "released while its item still ran";
        }));
        outerReturned = true;
    });
    std::thread inner([&] {
        while (!outerRunning)
            std::this_thread::yield();
        EXPECT_TRUE(h.RunInMainThread([] {}));
        innerReturned = true;
    });
    while (!outerReturned)
        h.ServicePending();
    outer.join();
    inner.join();
}

// A posted item runs on the main thread later; the poster never waits, and
// closing drops what was posted.
TEST(MainThreadHandover, PostedItemsDoNotHoldTheWorkerAndCloseDropsThem) {
    TMainThreadHandoverVexaRM h;
    const auto mainId = std::this_thread::get_id();
    std::atomic<int> ran{0};
    std::thread worker([&] {
        EXPECT_TRUE(h.Post([&] {
            EXPECT_EQ(std::this_thread::get_id(), mainId);
            ++ran;
        }));
    });
    worker.join(); // returned although nobody serviced the queue
    EXPECT_EQ(ran, 0);
    EXPECT_EQ(h.ServicePending(), 1);
    EXPECT_EQ(ran, 1);
    std::thread late([&] { EXPECT_TRUE(h.Post([&] { ++ran; })); });
    late.join();
    h.Close();
    EXPECT_EQ(h.ServicePending(), 0);
    EXPECT_EQ(ran, 1);
    std::thread closed([&] { EXPECT_FALSE(h.Post([&] { ++ran; })); });
    closed.join();
}
