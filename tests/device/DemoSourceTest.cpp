// The demo source driven by a hand-set tick counter.
#include "device/DemoSourceVexaRM.h"

#include "common/ScopeConstsVexaRM.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <set>
#include <vector>

namespace vexa {
namespace {

constexpr uint16_t kUntouched = 0xBEEF;

class DemoSourceTest : public ::testing::Test {
protected:
    DemoSourceTest() : Buffer(65536, kUntouched) {
        Source.SetTickSource([this] { return Tick; });
        Tick = 1000;
        Source.Restart();
        // Flat traces by default: the operator level 2047 puts zero at 128.
        P.SamplesPerSecond = 1000;
        P.PeriodA = 1000;
        P.PeriodB = 2000;
        P.VerticalLevelA = 4095 - 2047;
        P.VerticalLevelB = 4095 - 2047;
        P.DeflectionA = 1000;
        P.DeflectionB = 1000;
    }
    int32_t Generate(uint32_t advance) {
        Tick += advance;
        int32_t count = -1;
        EXPECT_EQ(Source.GenerateDemoBlock(P, Buffer.data(), count), kStatusSatisfiedBoth);
        return count;
    }
    uint8_t A(int i) const { return static_cast<uint8_t>(Buffer[i] & 0xFF); }
    uint8_t B(int i) const { return static_cast<uint8_t>(Buffer[i] >> 8); }

    uint32_t Tick = 0;
    TDemoSourceVexaRM Source;
    TDemoParametersVexaRM P;
    std::vector<uint16_t> Buffer;
};

TEST_F(DemoSourceTest, PacesBlocksByTheTickCounter) {
    // Within the same millisecond nothing new is due.
    EXPECT_EQ(Generate(5), 5);
    Buffer.assign(Buffer.size(), kUntouched);
    EXPECT_EQ(Generate(0), 0);
    EXPECT_EQ(Buffer[0], kUntouched);

    // 50 samples a second: the time accumulates until 20 ms have passed.
    P.SamplesPerSecond = 50;
    EXPECT_EQ(Generate(10), 0);
    EXPECT_EQ(Generate(10), 1);
    EXPECT_EQ(Source.LastTick(), Tick);
    EXPECT_EQ(Generate(10), 0);
    EXPECT_EQ(Generate(9), 0);
    EXPECT_EQ(Generate(1), 1);

    // The tick counter wraps at 2^32 without a hiccup.
    P.SamplesPerSecond = 1000;
    Tick = 0xFFFFFFF0u;
    Source.Restart();
    EXPECT_EQ(Generate(0x20), 0x20);
    EXPECT_EQ(Source.LastTick(), 0x10u);
}

TEST_F(DemoSourceTest, DeliversEachSamplePeriodOnceAtEveryRate) {
    // Polled every millisecond, as the acquisition thread polls it, the
    // source delivers exactly the rate's samples per second of ticks.
    for (int32_t rate : {50, 100, 250, 500, 1000, 2500, 5000, 25000, 2500000}) {
        P.SamplesPerSecond = rate;
        Source.Restart();
        int64_t total = 0;
        for (int ms = 0; ms < 1000; ++ms)
            total += Generate(1);
        EXPECT_EQ(total, rate) << "rate " << rate;
    }
}

TEST_F(DemoSourceTest, DropsALongBacklogAndRestartsTheTimeBase) {
    P.SamplesPerSecond = 5000000;
    Buffer.assign(Buffer.size(), kUntouched);
    EXPECT_EQ(Generate(60000), 0);
    EXPECT_EQ(Buffer[0], kUntouched);
    EXPECT_EQ(Source.LastTick(), Tick);
    EXPECT_EQ(Generate(10), 50000);
    // 65,535 samples still come as one block; 65,536 do not.
    P.SamplesPerSecond = 65535;
    EXPECT_EQ(Generate(1000), 65535);
    P.SamplesPerSecond = 65536;
    EXPECT_EQ(Generate(1000), 0);
}

TEST_F(DemoSourceTest, FlatTraceSitsAtTheOperatorsZeroLevel) {
    P.AmplitudeA = 0;
    P.AmplitudeB = 0;
    for (int level : {0, 1, 2, 3, 4, 1000, 2047, 2048, 2559, 2560, 4095}) {
        P.VerticalLevelA = static_cast<uint16_t>(4095 - level);
        P.VerticalLevelB = static_cast<uint16_t>(4095 - (4095 - level));
        const int32_t n = Generate(7);
        ASSERT_EQ(n, 7);
        const int expectA = std::clamp(640 - (level + 1) / 4, 1, 255);
        const int expectB = std::clamp(640 - (4095 - level + 1) / 4, 1, 255);
        for (int i = 0; i < n; ++i) {
            ASSERT_EQ(A(i), expectA) << "level " << level;
            ASSERT_EQ(B(i), expectB) << "level " << level;
        }
    }
}

TEST_F(DemoSourceTest, SineFollowsPhaseScaleAndTiesToEven) {
    // 1000 samples a second, period 4 ms: the sine is 0, 1, 0, -1. An
    // amplitude of 16 mV at 10 mV/div is 16 x 255 / 80 = 51 sample units.
    P.PeriodA = 4;
    P.AmplitudeA = 16;
    P.DeflectionA = 10;
    ASSERT_EQ(Generate(4), 4);
    EXPECT_EQ(A(0), 128);
    EXPECT_EQ(A(1), 128 - 51); // a positive half-wave lowers the code
    EXPECT_EQ(A(2), 128);
    EXPECT_EQ(A(3), 128 + 51);
    // The next block continues the phase where the time base stands.
    ASSERT_EQ(Generate(3), 3);
    EXPECT_EQ(A(0), 128);
    EXPECT_EQ(A(1), 77);
    ASSERT_EQ(Generate(2), 2);
    EXPECT_EQ(A(0), 179);
    EXPECT_EQ(A(1), 128);

    // A restart moves the phase origin to the current tick.
    Tick += 1;
    Source.Restart();
    ASSERT_EQ(Generate(2), 2);
    EXPECT_EQ(A(0), 128);
    EXPECT_EQ(A(1), 77);

    // Negative amplitude inverts the wave.
    P.AmplitudeA = -16;
    Source.Restart();
    ASSERT_EQ(Generate(2), 2);
    EXPECT_EQ(A(1), 179);

    // 40 mV at 10 mV/div is 127.5 units; at level 1539 the zero is 385, so
    // the peak is 512.5, rounded to even 512 (code 128), not up to 513.
    P.AmplitudeA = 40;
    P.VerticalLevelA = 4095 - 1539;
    Source.Restart();
    ASSERT_EQ(Generate(2), 2);
    EXPECT_EQ(A(0), 640 - 385);
    EXPECT_EQ(A(1), 128);
}

TEST_F(DemoSourceTest, NoiseStaysOnItsChannelAndWithinItsSpread) {
    P.AmplitudeA = 0;
    P.AmplitudeB = 0;
    P.NoiseA = 10;
    P.NoiseB = 0;
    ASSERT_EQ(Generate(5000), 5000);
    std::set<int> seenA;
    for (int i = 0; i < 5000; ++i) {
        ASSERT_EQ(B(i), 128) << i;
        ASSERT_GE(A(i), 128 - 10);
        ASSERT_LE(A(i), 128 + 9);
        seenA.insert(A(i));
    }
    // r runs over 0 .. 2 x 10 - 1: all twenty values show up.
    EXPECT_EQ(seenA.size(), 20u);

    // The same seed gives the same noise.
    std::vector<uint16_t> first(Buffer.begin(), Buffer.begin() + 100);
    Source.SetSeed(7);
    Source.Restart();
    ASSERT_EQ(Generate(100), 100);
    std::vector<uint16_t> second(Buffer.begin(), Buffer.begin() + 100);
    Source.SetSeed(7);
    Source.Restart();
    ASSERT_EQ(Generate(100), 100);
    EXPECT_TRUE(std::equal(second.begin(), second.end(), Buffer.begin()));
    EXPECT_FALSE(std::equal(first.begin(), first.end(), Buffer.begin()));
}

TEST_F(DemoSourceTest, AnyOperatorValueGivesValidCodes) {
    // Period 0 or negative: no wave, the trace sits at its zero level.
    P.PeriodA = 0;
    P.PeriodB = -5;
    P.AmplitudeA = 3000;
    P.AmplitudeB = 3000;
    ASSERT_EQ(Generate(50), 50);
    for (int i = 0; i < 50; ++i) {
        ASSERT_EQ(A(i), 128);
        ASSERT_EQ(B(i), 128);
    }
    // Negative noise is no noise.
    P.NoiseA = -7;
    ASSERT_EQ(Generate(50), 50);
    for (int i = 0; i < 50; ++i)
        ASSERT_EQ(A(i), 128);

    // Extremes: every code stays 1..255, so no word is 0, 1 or 2.
    const int32_t extremes[] = {INT32_MIN, -1, 0, 1, INT32_MAX};
    for (int32_t period : extremes)
        for (int32_t amplitude : extremes)
            for (int32_t noise : extremes) {
                P.PeriodA = P.PeriodB = period;
                P.AmplitudeA = P.AmplitudeB = amplitude;
                P.NoiseA = noise;
                P.NoiseB = 0;
                P.DeflectionA = (amplitude & 1) ? 1 : 0;
                P.VerticalLevelA = static_cast<uint16_t>(period);
                const int32_t n = Generate(20);
                ASSERT_EQ(n, 20);
                for (int i = 0; i < n; ++i) {
                    ASSERT_GE(A(i), 1);
                    ASSERT_GE(B(i), 1);
                    ASSERT_GE(Buffer[i], 257);
                }
            }
    // A rate of 0 (never from the driver) delivers nothing.
    P.SamplesPerSecond = 0;
    EXPECT_EQ(Generate(20), 0);
}

} // namespace
} // namespace vexa
