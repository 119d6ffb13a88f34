#include "MainThreadHandoverVexaRM.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
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
    std::thread worker([&] { result = h.RunInMainThread([&] { ran = true; }) ? 1 : 0; });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
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
