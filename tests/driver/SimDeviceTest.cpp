// The simulated device through the real driver: the counter pattern proves
// no word is lost or repeated; signals arrive as calibrated codes; faults.
#include "DriverHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace vexa::test {
namespace {

using Words = std::vector<uint16_t>;

class SimDevice : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(H.Start(), 0); }
    template <typename F> F Sim(const char *name) {
        F f = H.Control<F>(name);
        EXPECT_NE(f, nullptr) << name;
        return f;
    }
    void Setup(int32_t rangeMv, int32_t position, int32_t &zeroA) {
        H.Call(4, 1);
        H.Call(5, 1);
        H.Call(10, rangeMv);
        H.Call(11, rangeMv);
        H.Call(12, position, &zeroA);
        int32_t zeroB = 0;
        H.Call(13, position, &zeroB);
    }
    Words ReadWords() {
        int32_t n = 0;
        H.Read(n);
        return Words(H.Block().begin(), H.Block().begin() + n);
    }
    TDriverHarness H;
};

uint16_t NextCounter(uint16_t w) {
    int a = w & 0xFF, b = w >> 8;
    if (++a > 255) {
        a = 1;
        if (++b > 255) b = 1;
    }
    return static_cast<uint16_t>(b << 8 | a);
}

TEST_F(SimDevice, CounterPatternArrivesWithoutLossOrRepeat) {
    Sim<void (*)(int32_t)>("SimSetCounterPattern")(1);
    Sim<void (*)(int32_t)>("SimSetUnpaced")(1);
    H.Call(15, 0); // 5,000,000 samples per second
    H.Call(32, 1);
    Words stream;
    for (int i = 0; i < 40; ++i) {
        Words w = ReadWords();
        ASSERT_EQ(w.size(), 32768u) << "unpaced reads deliver full blocks";
        if (i == 0) {
            // The first read drops sample 0 and doubles its last word.
            ASSERT_EQ(w[0], 0x0102);
            ASSERT_EQ(w[32766], w[32767]);
            w.pop_back();
        }
        stream.insert(stream.end(), w.begin(), w.end());
    }
    for (size_t i = 1; i < stream.size(); ++i)
        ASSERT_EQ(stream[i], NextCounter(stream[i - 1])) << "at word " << i;
    for (uint16_t w : stream)
        ASSERT_TRUE((w & 0xFF) != 0 && (w >> 8) != 0);
    EXPECT_EQ(Sim<int64_t (*)()>("SimLostSamples")(), 0);
}

TEST_F(SimDevice, PacedReadsDeliverTheSamplesDueInRealTime) {
    using Clock = std::chrono::steady_clock;
    auto seconds = [](Clock::time_point a, Clock::time_point b) {
        return std::chrono::duration<double>(b - a).count();
    };
    Sim<void (*)(int32_t)>("SimSetCounterPattern")(1);
    H.Call(15, 15 - 10); // 100,000 samples per second
    const auto beforeStart = Clock::now();
    H.Call(32, 1);
    const auto afterStart = Clock::now();
    Words stream;
    Clock::time_point beforeLastRead;
    for (int i = 0; i < 30; ++i) {
        beforeLastRead = Clock::now();
        Words w = ReadWords();
        ASSERT_LT(w.size(), 2000u) << "a read covers only the time since the last one";
        if (i == 0 && !w.empty()) w.pop_back(); // the first read doubles its last word
        stream.insert(stream.end(), w.begin(), w.end());
    }
    const auto end = Clock::now();
    EXPECT_GE(seconds(afterStart, end), 30 * 0.0016) << "each read takes one transfer time";
    // Everything due until the last read began has arrived (less sample 0,
    // which the first read drops), and nothing that was not yet due.
    const double n = static_cast<double>(stream.size());
    EXPECT_GE(n, seconds(afterStart, beforeLastRead) * 100000.0 - 2);
    EXPECT_LE(n, seconds(beforeStart, end) * 100000.0);
    for (size_t i = 1; i < stream.size(); ++i)
        ASSERT_EQ(stream[i], NextCounter(stream[i - 1])) << "at word " << i;
}

TEST_F(SimDevice, InjectedMarkersLeadTheNextBlock) {
    Sim<void (*)(int32_t)>("SimSetUnpaced")(1);
    H.Call(32, 1);
    ReadWords();
    Sim<void (*)(int32_t)>("SimInjectMarkers")(3);
    const Words w = ReadWords();
    ASSERT_EQ(w.size(), 32768u);
    EXPECT_EQ(w[0], 1);
    EXPECT_EQ(w[1], 1);
    EXPECT_EQ(w[2], 1);
    EXPECT_GT(w[3], 2);
}

TEST_F(SimDevice, EveryRangeIsRecognisedFromItsGain) {
    const int32_t ranges[9] = {10, 20, 50, 100, 200, 500, 1000, 2000, 5000};
    for (int32_t probe : {1, 3}) {
        H.Call(4, probe);
        H.Call(5, probe);
        for (int32_t r : ranges) {
            H.Call(10, r);
            H.Call(11, r);
            EXPECT_EQ(Sim<int32_t (*)(int32_t)>("SimRangeMilliVolts")(0), r) << probe;
            EXPECT_EQ(Sim<int32_t (*)(int32_t)>("SimRangeMilliVolts")(1), r) << probe;
        }
    }
}

TEST_F(SimDevice, DcInputArrivesAsTheCalibratedCode) {
    auto signal =
        Sim<int32_t (*)(int32_t, int32_t, double, double, double, double)>("SimSetSignal");
    signal(0, 0, 0.0, 0.0, 0.0, 0.0);  // A: 0 V
    signal(1, 0, 0.05, 0.0, 0.0, 0.0); // B: 50 mV
    int32_t zeroA = 0;
    Setup(100, 2000, zeroA);
    EXPECT_EQ(Sim<int32_t (*)(int32_t)>("SimZeroLevel")(0), zeroA);
    Sim<void (*)(int32_t)>("SimSetUnpaced")(1);
    H.Call(32, 1);
    const Words w = ReadWords();
    ASSERT_FALSE(w.empty());
    const int zeroB = Sim<int32_t (*)(int32_t)>("SimZeroLevel")(1);
    for (uint16_t x : w) {
        ASSERT_EQ(x & 0xFF, zeroA);
        ASSERT_EQ(x >> 8, zeroB + 16) << "50 mV at 100 mV/div: 15.94 steps";
    }
    H.Call(32, 0);
    H.Call(7, 0); // B to AC: the DC part goes
    H.Call(6, 0);
    EXPECT_EQ(Sim<int32_t (*)(int32_t)>("SimAcCoupled")(1), 1);
    H.Call(32, 1);
    const Words ac = ReadWords();
    ASSERT_FALSE(ac.empty());
    EXPECT_EQ(ac.back() >> 8, zeroB);
}

TEST_F(SimDevice, SineStaysWithinItsAmplitude) {
    auto signal =
        Sim<int32_t (*)(int32_t, int32_t, double, double, double, double)>("SimSetSignal");
    signal(0, 1, 0.2, 1000.0, 0.0, 0.0);
    int32_t zeroA = 0;
    Setup(100, 2000, zeroA);
    Sim<void (*)(int32_t)>("SimSetUnpaced")(1);
    H.Call(15, 15 - 11); // 250,000/s: 250 samples per period
    H.Call(32, 1);
    const Words w = ReadWords();
    int lo = 255, hi = 0;
    for (uint16_t x : w) {
        lo = std::min(lo, x & 0xFF);
        hi = std::max(hi, x & 0xFF);
    }
    // 0.2 V at 100 mV/div: 63.75 steps either side of the zero level.
    EXPECT_NEAR(hi - zeroA, 64, 1);
    EXPECT_NEAR(zeroA - lo, 64, 1);
}

TEST_F(SimDevice, RejectedImageDeliversNothing) {
    Sim<void (*)(int32_t)>("SimSetFpgaReject")(1);
    ASSERT_EQ(H.Initialize(nullptr), 0);
    EXPECT_EQ(Sim<int32_t (*)()>("SimFpgaState")(), 2);
    Sim<void (*)(int32_t)>("SimSetUnpaced")(1);
    H.Call(32, 1);
    EXPECT_TRUE(ReadWords().empty());
    EXPECT_TRUE(ReadWords().empty());
}

TEST_F(SimDevice, ConnectionLostAfterReadsThenReconnects) {
    Sim<void (*)(int32_t)>("SimSetUnpaced")(1);
    Sim<void (*)(int32_t)>("SimSetReconnectAfter")(2);
    Sim<void (*)(int32_t)>("SimLoseConnectionAfterReads")(3);
    H.Call(32, 1);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(H.FailureByte(), 0);
        EXPECT_FALSE(ReadWords().empty());
    }
    EXPECT_EQ(H.FailureByte(), 1) << "lost at the end of the third read";
    EXPECT_TRUE(ReadWords().empty());
    EXPECT_EQ(H.Initialize(nullptr), 3);
    EXPECT_EQ(H.Initialize(nullptr), 3);
    EXPECT_EQ(H.Initialize(nullptr), 0);
    EXPECT_EQ(H.FailureByte(), 0);
    EXPECT_EQ(Sim<int32_t (*)()>("SimFpgaState")(), 1) << "configured afresh";
    Sim<void (*)(int32_t)>("SimLoseConnectionAfterMs")(0);
    H.Call(32, 1);
    EXPECT_TRUE(ReadWords().empty()) << "a timed loss is noticed by the next call";
    EXPECT_EQ(H.FailureByte(), 1);
}

TEST_F(SimDevice, ResetReadsTheEnvironment) {
    setenv("VEXA_SIM_DEVICE_TYPE", "4", 1);
    setenv("VEXA_SIM_EEPROM", "zero", 1);
    setenv("VEXA_SIM_SIGNAL_A", "bogus,1,2,3", 1);
    Sim<void (*)()>("SimReset")();
    uint8_t desc[240] = {};
    EXPECT_EQ(H.Initialize(desc), 0) << "ready from the first start-up";
    EXPECT_EQ(desc[236], 4);
    int32_t serial = -1;
    H.Call(35, 0, &serial);
    EXPECT_EQ(serial, 0) << "the zero record is not valid";
    unsetenv("VEXA_SIM_DEVICE_TYPE");
    unsetenv("VEXA_SIM_EEPROM");
    unsetenv("VEXA_SIM_SIGNAL_A");
    Sim<void (*)()>("SimReset")();
    auto dev = H.Control<int32_t (*)()>("USBGetDeviceID");
    EXPECT_EQ(dev(), 1);
}

} // namespace
} // namespace vexa::test
