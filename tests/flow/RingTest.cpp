// The ring between the acquisition and the processing thread.
#include "flow/DataSourceModuleVexaRM.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

using vexa::TDataSourceModuleVexaRM;

namespace {

constexpr int32_t kLimit = TDataSourceModuleVexaRM::kRingWrapLimit;
constexpr int32_t kMax = TDataSourceModuleVexaRM::kMaxBlockWords;

struct RingTest : ::testing::Test {
    std::unique_ptr<TDataSourceModuleVexaRM> Ring = std::make_unique<TDataSourceModuleVexaRM>();
    std::atomic<bool> Abandon{false};

    // Writes n words counting from first; returns the slot written.
    uint16_t *Write(int32_t n, uint16_t first) {
        uint16_t *p = Ring->GetWritePointer(Abandon);
        EXPECT_NE(p, nullptr);
        for (int32_t i = 0; i < n; ++i)
            p[i] = static_cast<uint16_t>(first + i);
        Ring->CommitWrite(n);
        return p;
    }
    // Advances the writer and the reader to index at (below the limit).
    void MoveTo(int32_t at) {
        while (Ring->WriteIndex() + kMax <= at)
            Write(kMax, 0);
        if (Ring->WriteIndex() < at) Write(at - Ring->WriteIndex(), 0);
        int32_t n;
        while (Ring->GetReadBlock(n, 0))
            Ring->ConsumeRead(n);
    }
};

TEST_F(RingTest, FreshRingIsEmptyAndReaderTimesOut) {
    EXPECT_EQ(Ring->ReadIndex(), 0);
    EXPECT_EQ(Ring->WriteIndex(), 0);
    EXPECT_EQ(Ring->Unread(), 0);
    EXPECT_FALSE(Ring->WriterWrapped());
    int32_t n = 7;
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_EQ(Ring->GetReadBlock(n), nullptr);
    auto waited = std::chrono::steady_clock::now() - t0;
    EXPECT_EQ(n, 0);
    EXPECT_GE(waited, std::chrono::milliseconds(990));
    const uint8_t *bytes = reinterpret_cast<const uint8_t *>(Ring->Storage());
    EXPECT_EQ(bytes[0], 0xA5);
    EXPECT_EQ(bytes[TDataSourceModuleVexaRM::kFillBytes - 1], 0xA5);
}

TEST_F(RingTest, CommitPastLimitWrapsAndReaderGetsTheWholeLapFirst) {
    MoveTo(983000);
    ASSERT_EQ(Ring->WriteIndex(), 983000);
    ASSERT_EQ(Ring->ReadIndex(), 983000);
    uint16_t *slot = Write(100, 1000);
    EXPECT_EQ(slot, Ring->Storage() + 983000);
    EXPECT_EQ(Ring->WriteIndex(), 0);
    EXPECT_TRUE(Ring->WriterWrapped());
    // A block of the new lap is counted apart from the reader's lap.
    Write(50, 5000);
    EXPECT_EQ(Ring->Unread(), 100);
    EXPECT_EQ(Ring->UnreadNextLap(), 50);

    int32_t n;
    const uint16_t *p = Ring->GetReadBlock(n, 0);
    ASSERT_EQ(p, Ring->Storage() + 983000);
    ASSERT_EQ(n, 100); // up to index 983,099, nothing from index 0
    EXPECT_EQ(p[99], 1099);
    Ring->ConsumeRead(n);
    EXPECT_EQ(Ring->ReadIndex(), 0);
    EXPECT_FALSE(Ring->WriterWrapped());
    EXPECT_EQ(Ring->Unread(), 50);
    EXPECT_EQ(Ring->UnreadNextLap(), 0);
    p = Ring->GetReadBlock(n, 0);
    ASSERT_EQ(p, Ring->Storage());
    ASSERT_EQ(n, 50);
    EXPECT_EQ(p[0], 5000);
}

TEST_F(RingTest, CommitEndingExactlyOnLimitWraps) {
    MoveTo(kLimit - 10);
    Write(10, 1);
    EXPECT_EQ(Ring->WriteIndex(), 0);
    EXPECT_TRUE(Ring->WriterWrapped());
    int32_t n;
    ASSERT_NE(Ring->GetReadBlock(n, 0), nullptr);
    EXPECT_EQ(n, 10);
    // A partial release past the limit keeps the rest of the lap readable.
    Ring->ConsumeRead(4);
    EXPECT_EQ(Ring->ReadIndex(), kLimit - 6);
    EXPECT_TRUE(Ring->WriterWrapped());
    const uint16_t *p = Ring->GetReadBlock(n, 0);
    ASSERT_EQ(n, 6);
    EXPECT_EQ(p[0], 5);
    Ring->ConsumeRead(6);
    EXPECT_EQ(Ring->ReadIndex(), 0);
    EXPECT_FALSE(Ring->WriterWrapped());
    EXPECT_EQ(Ring->GetReadBlock(n, 0), nullptr);
}

TEST_F(RingTest, LargestBlockAtLastIndexFitsInTheStorage) {
    MoveTo(kLimit - 1);
    uint16_t *slot = Write(kMax, 0);
    EXPECT_EQ(slot + kMax, Ring->Storage() + TDataSourceModuleVexaRM::kStorageWords - 1);
    EXPECT_EQ(Ring->WriteIndex(), 0);
    int32_t n;
    ASSERT_NE(Ring->GetReadBlock(n, 0), nullptr);
    EXPECT_EQ(n, kMax);
}

TEST_F(RingTest, EmptyCommitAndOversizedCountsAreHarmless) {
    Write(0, 0);
    int32_t n;
    EXPECT_EQ(Ring->GetReadBlock(n, 0), nullptr);
    Write(10, 0);
    ASSERT_NE(Ring->GetReadBlock(n, 0), nullptr);
    Ring->ConsumeRead(1000); // more than was given: only the 10 go
    EXPECT_EQ(Ring->ReadIndex(), 10);
    EXPECT_EQ(Ring->Unread(), 0);
}

// The writer must never be handed a slot that still holds unread words, and
// every block leaves room for the setting records that may follow it.
TEST_F(RingTest, WriterWaitsUntilTheNextBlockCannotReachUnreadWords) {
    constexpr int32_t kRoom = TDataSourceModuleVexaRM::kRecordRoomWords;
    for (int i = 0; i < 15; ++i)
        Write(kMax, 0);
    ASSERT_TRUE(Ring->WriterWrapped());
    ASSERT_EQ(Ring->WriteIndex(), 0);
    // The reader's lap starts at 0, where the next block would go.
    EXPECT_EQ(Ring->GetWritePointerFor(50), nullptr);
    EXPECT_EQ(Ring->GetRecordPointerFor(4, 50), nullptr);
    int32_t n;
    ASSERT_NE(Ring->GetReadBlock(n, 0), nullptr);
    ASSERT_EQ(n, kLimit);
    Ring->ConsumeRead(kMax + kRoom - 1); // one word short of a block and its records
    EXPECT_EQ(Ring->GetWritePointerFor(50), nullptr);
    EXPECT_EQ(Ring->GetRecordPointerFor(kRoom, 0), Ring->Storage()) << "records fit";
    Ring->ConsumeRead(1);
    EXPECT_EQ(Ring->GetWritePointerFor(50), Ring->Storage());
    Ring->CommitWrite(kMax);
    // Now a block at 65,536 would run into the unread words; the records
    // that follow the block still fit in front of them, and not a word more.
    EXPECT_EQ(Ring->GetWritePointerFor(50), nullptr);
    EXPECT_EQ(Ring->GetRecordPointerFor(kRoom, 0), Ring->Storage() + kMax);
    EXPECT_EQ(Ring->GetRecordPointerFor(kRoom + 1, 0), nullptr);

    // A writer blocked without limit leaves when it is told to abandon.
    std::thread writer([&] { EXPECT_EQ(Ring->GetWritePointer(Abandon), nullptr); });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!Ring->WriterWaiting() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    EXPECT_TRUE(Ring->WriterWaiting());
    Abandon = true;
    Ring->InterruptWaits();
    writer.join();
}

TEST_F(RingTest, ResetEmptiesAFullRing) {
    for (int i = 0; i < 15; ++i)
        Write(kMax, 0);
    Ring->ResetBuffer();
    EXPECT_EQ(Ring->Pending(), 0);
    EXPECT_FALSE(Ring->WriterWrapped());
    EXPECT_EQ(Ring->GetWritePointerFor(0), Ring->Storage());
}

// Two threads push hundreds of millions of words of varied block sizes
// through the ring; the reader sees every word once and in order, and the
// writer's slot never holds a word the reader has not seen yet.
TEST_F(RingTest, StressEveryWordOnceInOrder) {
    constexpr uint64_t kTotal = 300'000'000;
    std::thread writer([&] {
        uint64_t sent = 0;
        uint32_t rnd = 12345;
        while (sent < kTotal) {
            rnd = rnd * 1103515245u + 12345u;
            uint64_t n = 1 + (rnd >> 8) % kMax;
            if (rnd & 1) n = kMax; // many full blocks, as at the top rate
            if (n > kTotal - sent) n = kTotal - sent;
            uint16_t *p = Ring->GetWritePointer(Abandon);
            if (!p) return;
            for (uint64_t i = 0; i < n; ++i)
                p[i] = static_cast<uint16_t>(sent + i);
            Ring->CommitWrite(static_cast<int32_t>(n));
            sent += n;
        }
    });
    uint64_t received = 0;
    uint64_t faults = 0;
    uint32_t reads = 0;
    while (received < kTotal) {
        int32_t n;
        const uint16_t *p = Ring->GetReadBlock(n, 2000);
        if (!p) {
            ADD_FAILURE() << "reader starved at " << received;
            break;
        }
        for (int32_t i = 0; i < n; ++i)
            faults += p[i] != static_cast<uint16_t>(received + i);
        received += n;
        // Release in two parts now and then, as a slow reader might.
        if (++reads % 7 == 0 && n > 1) {
            Ring->ConsumeRead(n / 2);
            Ring->ConsumeRead(n - n / 2);
        } else {
            Ring->ConsumeRead(n);
        }
    }
    Abandon = true;
    Ring->InterruptWaits();
    writer.join();
    EXPECT_EQ(received, kTotal);
    EXPECT_EQ(faults, 0u);
    EXPECT_EQ(Ring->Pending(), 0);
}

// A batched reader against a writer of random small and large blocks: it is
// woken only once its level of unread words is there (the time limit is far
// beyond the test), gets every word once and in order across many laps, and
// after the writer's last block an interrupt hands it the short rest.
TEST_F(RingTest, BatchedReaderWaitsForItsLevelAndGetsEveryWordInOrder) {
    constexpr uint64_t kTotal = 20'000'000;
    constexpr int32_t kLevel = 50'000;
    std::atomic<bool> written{false};
    std::thread writer([&] {
        uint64_t sent = 0;
        uint32_t rnd = 777;
        while (sent < kTotal) {
            rnd = rnd * 1103515245u + 12345u;
            uint64_t n = 1 + (rnd >> 8) % (rnd & 2 ? kMax : 300);
            if (n > kTotal - sent) n = kTotal - sent;
            uint16_t *p = Ring->GetWritePointer(Abandon);
            if (!p) return;
            for (uint64_t i = 0; i < n; ++i)
                p[i] = static_cast<uint16_t>(sent + i);
            Ring->CommitWrite(static_cast<int32_t>(n));
            sent += n;
        }
        written = true;
        Ring->InterruptReader();
    });
    uint64_t received = 0, faults = 0, early = 0, batches = 0;
    while (received < kTotal) {
        const bool last = written.load();
        int32_t n;
        const uint16_t *p =
            last ? Ring->GetReadBlock(n, 0) : Ring->GetReadBatch(n, kLevel, 600'000);
        // Woken before the level while the writer still wrote: only by the
        // writer's closing interrupt.
        if (p && !last && Ring->Pending() < kLevel && !written.load()) ++early;
        if (!p) {
            if (last) {
                ADD_FAILURE() << "words missing after the writer ended at " << received;
                break;
            }
            continue;
        }
        ++batches;
        for (int32_t i = 0; i < n; ++i)
            faults += p[i] != static_cast<uint16_t>(received + i);
        received += n;
        Ring->ConsumeRead(n);
    }
    Abandon = true;
    Ring->InterruptWaits();
    writer.join();
    EXPECT_EQ(received, kTotal);
    EXPECT_EQ(faults, 0u);
    EXPECT_EQ(early, 0u);
    EXPECT_EQ(Ring->Pending(), 0);
    // Batches, not blocks: about one per level's worth (laps cut a few).
    EXPECT_LT(batches, 2 * kTotal / kLevel + 50);
}

// Below its level the batched reader takes what there is once its time is
// up, and an interrupt (a terminating thread) ends its wait at once.
TEST_F(RingTest, BatchedReaderTakesWhatThereIsAtItsTimeLimitOrOnInterrupt) {
    Write(100, 1);
    int32_t n = 0;
    const uint16_t *p = Ring->GetReadBatch(n, 1000, 0);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(n, 100);
    EXPECT_EQ(p[99], 100);
    Ring->ConsumeRead(n);
    EXPECT_EQ(Ring->GetReadBatch(n, 1000, 0), nullptr);
    EXPECT_EQ(n, 0);

    Write(40, 500);
    std::atomic<bool> back{false};
    int32_t got = 0;
    std::thread reader([&] {
        const uint16_t *q = Ring->GetReadBatch(got, 1000, 600'000);
        EXPECT_NE(q, nullptr);
        back = true;
    });
    Ring->InterruptReader();
    reader.join(); // bounded by the interrupt, not by the ten-minute limit
    EXPECT_TRUE(back.load());
    EXPECT_EQ(got, 40);
}

} // namespace
