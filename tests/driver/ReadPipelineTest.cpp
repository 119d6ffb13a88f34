// The read pipeline on crafted blocks from the scripted transport: empty
// slots, trigger search, ARM markers, the stale first word and grounding.
#include "CalibrationRecordBuilder.h"
#include "DriverHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

namespace vexa::test {
namespace {

using Words = std::vector<uint16_t>;

uint16_t W(int b, int a) {
    return static_cast<uint16_t>(b << 8 | a);
}

class ReadPipeline : public ::testing::Test {
protected:
    ReadPipeline() : H("libvexascript.so") {
        auto rec = TCalibrationRecordBuilder::Even().Bytes();
        H.Control<void (*)(const uint8_t *)>("ScriptSetRecord")(rec.data());
    }
    void SetUp() override {
        ASSERT_EQ(H.Start(), 0);
        int32_t r = 0;
        H.Call(kCmdRangeA, 100);
        H.Call(kCmdRangeB, 100);
        H.Call(kCmdPositionA, 1300, &r); // zero level A 127
        H.Call(kCmdPositionB, 1305, &r); // zero level B 127
    }
    void Queue(const Words &w) {
        H.Control<void (*)(const uint16_t *, int32_t)>("ScriptQueueBlock")(
            w.data(), static_cast<int32_t>(w.size()));
    }
    // Starts a measurement and consumes its first read (which drops a word).
    void StartPastFirstRead() {
        H.Call(kCmdStartStop, 1);
        int32_t n = -1;
        H.Read(n);
        ASSERT_EQ(n, 0);
    }
    // Reads one block made of w; returns the delivered words.
    Words ReadOf(const Words &w, int32_t &status) {
        Queue(w);
        int32_t n = -1;
        status = H.Read(n);
        return Words(H.Block().begin(), H.Block().begin() + n);
    }
    TDriverHarness H;
};

TEST_F(ReadPipeline, CompactionDropsEmptySlotsAndKeepsOrder) {
    StartPastFirstRead();
    Words in(32768, 0);
    Words want;
    for (int i = 0; i < 32767; i += 7) {
        in[static_cast<size_t>(i)] = static_cast<uint16_t>(0x0101 + i);
        want.push_back(static_cast<uint16_t>(0x0101 + i));
    }
    in[32767] = 1; // a marker passes
    want.push_back(1);
    int32_t status = 0;
    EXPECT_EQ(ReadOf(in, status), want);
    EXPECT_EQ(status, 0x22);
    EXPECT_EQ(ReadOf({}, status), Words{});
    EXPECT_EQ(status, 0x22);
}

TEST_F(ReadPipeline, FirstBlockAfterAStartDropsItsStaleWordAndNothingIsDoubled) {
    H.Call(kCmdStartStop, 1);
    int32_t status = 0;
    EXPECT_EQ(ReadOf({0, W(9, 10), 0, W(9, 11), W(9, 12)}, status), (Words{W(9, 11), W(9, 12)}));
    EXPECT_EQ(ReadOf({W(9, 13)}, status), Words{W(9, 13)}) << "the plain read follows";
    H.Call(kCmdStartStop, 0);
    H.Call(kCmdStartStop, 1);
    EXPECT_EQ(ReadOf({W(9, 20)}, status), Words{}) << "a single word is the stale one";
    EXPECT_EQ(ReadOf({W(9, 21)}, status), Words{W(9, 21)});
    H.Call(kCmdStartStop, 0);
    H.Call(kCmdStartStop, 1);
    EXPECT_EQ(ReadOf({W(9, 30), W(9, 31)}, status), (Words{W(9, 31)}));
}

TEST_F(ReadPipeline, TriggerSearchDiscardsWordsBeforeTheTrigger) {
    H.Call(kCmdFreeRun, 0);
    H.Call(kCmdTriggerSourceA, 1);
    H.Call(kCmdTriggerUnderA, 1);
    H.Call(kCmdTriggerLevelA, -85); // threshold 127 - 27.09 -> 100
    StartPastFirstRead();
    int32_t status = 0;
    EXPECT_EQ(ReadOf({W(5, 120), 1, 2, W(5, 100), 0, W(5, 99), W(5, 130)}, status),
              (Words{W(5, 99), W(5, 130)}));
    EXPECT_EQ(status, 0x22);
    EXPECT_EQ(ReadOf({W(5, 140), W(5, 150)}, status), (Words{W(5, 140), W(5, 150)}))
        << "after the trigger every word passes";
    EXPECT_EQ(status, 0x22);
    H.Call(kCmdStartStop, 0);
    H.Call(kCmdStartStop, 1);
    H.Read(status);
    EXPECT_EQ(ReadOf({W(5, 100), W(5, 101)}, status), Words{});
    EXPECT_EQ(status, 0x11);
}

TEST_F(ReadPipeline, TriggerRelationAndOr) {
    H.Call(kCmdFreeRun, 0);
    H.Call(kCmdTriggerSourceA, 1);
    H.Call(kCmdTriggerSourceB, 1);
    H.Call(kCmdTriggerLevelA, 100); // A over 159
    H.Call(kCmdTriggerLevelB, 100); // B over 159
    const Words in = {W(200, 10), W(10, 200), W(200, 200), W(10, 10)};
    int32_t status = 0;
    H.Call(kCmdTriggerRelation, 1);
    StartPastFirstRead();
    EXPECT_EQ(ReadOf(in, status), (Words{W(200, 200), W(10, 10)}))
        << "AND: B alone, then A alone do not trigger";
    H.Call(kCmdStartStop, 0);
    H.Call(kCmdTriggerRelation, 0);
    StartPastFirstRead();
    EXPECT_EQ(ReadOf(in, status), in) << "OR: B alone triggers";
    H.Call(kCmdStartStop, 0);
    H.Call(kCmdTriggerSourceA, 0);
    H.Call(kCmdTriggerSourceB, 0);
    StartPastFirstRead();
    EXPECT_EQ(ReadOf(in, status), Words{}) << "no trigger channel: nothing triggers";
    EXPECT_EQ(status, 0x11);
}

TEST_F(ReadPipeline, ArmFilterMarksFailingSamples) {
    H.Call(kCmdArmSourceA, 1);
    H.Call(kCmdArmUnderA, 1);
    H.Call(kCmdArmLevelA, -85); // ARM A under, threshold 100
    StartPastFirstRead();
    int32_t status = 0;
    EXPECT_EQ(ReadOf({W(7, 100), 0, W(7, 101), 1, W(7, 3)}, status),
              (Words{W(7, 100), 2, 1, W(7, 3)}));
    EXPECT_EQ(status, 0x22);
    EXPECT_EQ(ReadOf({W(7, 50), W(7, 180)}, status), (Words{W(7, 50), 2}));
    EXPECT_EQ(status, 0x11) << "the last word failed";
    EXPECT_EQ(ReadOf({}, status), Words{});
    EXPECT_EQ(status, 0x11) << "an empty block repeats the last status";
}

TEST_F(ReadPipeline, ArmWithTriggerSearchesOnlyUntilTriggered) {
    H.Call(kCmdFreeRun, 0);
    H.Call(kCmdArmSourceA, 1); // ARM A over threshold 127 + 31.875 -> 159
    H.Call(kCmdArmLevelA, 100);
    H.Call(kCmdTriggerSourceB, 1); // trigger B over 159
    H.Call(kCmdTriggerLevelB, 100);
    StartPastFirstRead();
    int32_t status = 0;
    EXPECT_EQ(ReadOf({W(10, 10), W(10, 200)}, status), Words{});
    EXPECT_EQ(status, 0x21) << "ARM satisfied, trigger waiting";
    EXPECT_EQ(ReadOf({W(10, 10), W(200, 200), W(10, 200)}, status),
              (Words{W(200, 200), W(10, 200)}))
        << "the search runs on the filtered words";
    EXPECT_EQ(status, 0x22);
    EXPECT_EQ(ReadOf({W(200, 200), W(10, 100)}, status), (Words{W(200, 200), 2}))
        << "no further search once triggered";
    EXPECT_EQ(status, 0x11);
}

TEST_F(ReadPipeline, GroundSubstitutesTheZeroLevel) {
    H.Call(kCmdGroundA, 1);
    StartPastFirstRead();
    int32_t status = 0;
    EXPECT_EQ(ReadOf({W(3, 200), 1, W(250, 4)}, status), (Words{W(3, 127), W(0, 127), W(250, 127)}))
        << "markers are overwritten too";
    H.Call(kCmdGroundB, 1);
    int32_t r = 0;
    H.Call(kCmdPositionB, 1205, &r);
    ASSERT_EQ(r, 95);
    EXPECT_EQ(ReadOf({W(3, 200), W(4, 5)}, status), (Words{W(95, 127), W(95, 127)}));
    H.Call(kCmdGroundA, 0);
    EXPECT_EQ(ReadOf({W(3, 200)}, status), Words{W(95, 200)});
    H.Call(kCmdGroundB, 0);
    EXPECT_EQ(ReadOf({W(3, 200)}, status), Words{W(3, 200)});
}

TEST_F(ReadPipeline, GroundNeverProducesReservedWords) {
    int32_t r = 0;
    H.Call(kCmdPositionA, 0, &r);
    H.Call(kCmdPositionB, 0, &r);
    ASSERT_LT(r, 1) << "zero level below the screen";
    H.Call(kCmdGroundA, 1);
    H.Call(kCmdGroundB, 1);
    StartPastFirstRead();
    int32_t status = 0;
    EXPECT_EQ(ReadOf({W(3, 200)}, status), Words{W(1, 1)});
}

// Random blocks: every sample, marker and empty slot in every position of
// the 8-word groups, checked against the word-by-word rules.
Words RandomBlock(uint32_t seed) {
    Words block(32768, 0);
    uint32_t rng = seed;
    for (auto &w : block) {
        rng = rng * 1664525u + 1013904223u;
        const uint32_t r = rng >> 8;
        if (r % 3 == 0) continue; // empty slot
        w = r % 97 == 0 ? static_cast<uint16_t>(1 + r % 2) : static_cast<uint16_t>(r % 65533 + 3);
    }
    return block;
}

TEST_F(ReadPipeline, RandomBlocksFollowTheWordRules) {
    H.Call(kCmdArmSourceA, 1);
    H.Call(kCmdArmSourceB, 1);
    H.Call(kCmdArmUnderB, 1);
    H.Call(kCmdArmLevelA, -40); // A over 127 - 12.75 -> 114: fails below 114
    H.Call(kCmdArmLevelB, 60);  // B under 127 + 19.125 -> 146: fails above 146
    StartPastFirstRead();
    for (uint32_t seed : {1u, 2u, 3u}) {
        const Words in = RandomBlock(seed);
        Words want;
        for (uint16_t w : in) {
            if (w == 0) continue;
            const bool fails = w > 2 && ((w & 0xFF) < 114 || (w >> 8) > 146);
            want.push_back(fails ? 2 : w);
        }
        int32_t status = 0;
        ASSERT_EQ(ReadOf(in, status), want) << seed;
        EXPECT_EQ(status, want.back() == 2 ? 0x11 : 0x22);
    }
    H.Call(kCmdStartStop, 0);
    H.Call(kCmdArmSourceA, 0);
    H.Call(kCmdArmSourceB, 0);
    StartPastFirstRead();
    const Words in = RandomBlock(9);
    Words want;
    std::copy_if(in.begin(), in.end(), std::back_inserter(want), [](uint16_t w) { return w != 0; });
    int32_t status = 0;
    EXPECT_EQ(ReadOf(in, status), want);
}

TEST_F(ReadPipeline, TriggerFoundAnywhereInTheBlock) {
    H.Call(kCmdFreeRun, 0);
    H.Call(kCmdTriggerSourceA, 1);
    H.Call(kCmdTriggerLevelA, 100); // A over 159
    for (int at : {0, 7, 8, 13, 1000, 32759, 32767}) {
        Words in(32768, 0);
        for (int i = 0; i < 32768; i += 2)
            in[static_cast<size_t>(i)] = W(200, 159);
        in[static_cast<size_t>(at)] = W(3, 160);
        Words want = {W(3, 160)};
        for (int i = at + 1; i < 32768; ++i)
            if (in[static_cast<size_t>(i)] != 0) want.push_back(in[static_cast<size_t>(i)]);
        StartPastFirstRead();
        int32_t status = 0;
        ASSERT_EQ(ReadOf(in, status), want) << at;
        EXPECT_EQ(status, 0x22);
        H.Call(kCmdStartStop, 0);
    }
}

} // namespace
} // namespace vexa::test
