// The simulated device through the real driver: the counter pattern proves
// no word is lost or repeated; signals arrive as calibrated codes; faults.
#include "tests/support/CounterStream.h"
#include "DriverHarness.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <random>
#include <thread>

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
        H.Call(kCmdProbeA, 1);
        H.Call(kCmdProbeB, 1);
        H.Call(kCmdRangeA, rangeMv);
        H.Call(kCmdRangeB, rangeMv);
        H.Call(kCmdPositionA, position, &zeroA);
        int32_t zeroB = 0;
        H.Call(kCmdPositionB, position, &zeroB);
    }
    Words ReadWords() {
        int32_t n = 0;
        H.Read(n);
        return Words(H.Block().begin(), H.Block().begin() + n);
    }
    TDriverHarness H;
};

TEST_F(SimDevice, CounterPatternArrivesWithoutLossOrRepeat) {
    Sim<void (*)(int32_t)>("SimSetCounterPattern")(1);
    Sim<void (*)(int32_t)>("SimSetUnpaced")(1);
    H.Call(kCmdSamplingRate, 0); // 5,000,000 samples per second
    H.Call(kCmdStartStop, 1);
    Words stream;
    for (int i = 0; i < 40; ++i) {
        Words w = ReadWords();
        // The first read drops sample 0, the stale word of a start.
        ASSERT_EQ(w.size(), i == 0 ? 32767u : 32768u) << "unpaced reads deliver full blocks";
        if (i == 0) {
            ASSERT_EQ(w[0], 0x0102);
        }
        stream.insert(stream.end(), w.begin(), w.end());
    }
    for (size_t i = 1; i < stream.size(); ++i)
        ASSERT_EQ(stream[i], NextCounter(stream[i - 1])) << "at word " << i;
    for (uint16_t w : stream)
        ASSERT_TRUE((w & 0xFF) != 0 && (w >> 8) != 0);
    EXPECT_EQ(Sim<int64_t (*)()>("SimLostSamples")(), 0);
}

// The device's clock is the test's: every read delivers exactly the samples
// that fell due since the one before, also across a change of rate.
TEST_F(SimDevice, PacedReadsDeliverTheSamplesDueInRealTime) {
    Sim<void (*)(int32_t)>("SimSetManualClock")(1);
    auto advance = Sim<void (*)(int64_t)>("SimAdvanceClock");
    Sim<void (*)(int32_t)>("SimSetCounterPattern")(1);
    H.Call(kCmdSamplingRate, 15 - 10); // 100,000 samples per second
    H.Call(kCmdStartStop, 1);
    EXPECT_TRUE(ReadWords().empty()) << "nothing is due at the start";
    std::mt19937 random(20261208);
    Words stream;
    uint64_t due = 0;    // samples due since the start
    uint64_t micros = 0; // on the device's clock, since the rate counts
    uint64_t base = 0;   // samples due when the rate last changed
    uint64_t rate = 100000;
    for (int i = 0; i < 60; ++i) {
        if (i == 30) {
            H.Call(kCmdSamplingRate, 15 - 12); // 500,000 samples per second, counting from now
            base = due;
            micros = 0;
            rate = 500000;
        }
        const uint64_t step = random() % 30000; // up to 30 ms
        advance(static_cast<int64_t>(step));
        micros += step;
        const uint64_t nowDue = base + micros * rate / 1000000;
        const Words w = ReadWords();
        ASSERT_EQ(w.size(), std::min<uint64_t>(nowDue - due, 32768)) << "read " << i;
        due += w.size();
        stream.insert(stream.end(), w.begin(), w.end());
    }
    ASSERT_FALSE(stream.empty());
    EXPECT_EQ(stream[0], 0x0101) << "the first read delivered nothing, so nothing was dropped";
    for (size_t i = 1; i < stream.size(); ++i)
        ASSERT_EQ(stream[i], NextCounter(stream[i - 1])) << "at word " << i;
    EXPECT_EQ(Sim<int64_t (*)()>("SimLostSamples")(), 0);
}

// The device's memory overflows while it is not read: the oldest samples go,
// and the device counts the periods lost in front of the next block, which
// the driver hands on (kCmdLostSamples) with that block only.
TEST_F(SimDevice, OverflowIsCountedInFrontOfTheNextBlock) {
    Sim<void (*)(int32_t)>("SimSetManualClock")(1);
    auto advance = Sim<void (*)(int64_t)>("SimAdvanceClock");
    auto lost = [this](int32_t &how) {
        uint8_t bytes[8] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
        how = -1;
        EXPECT_EQ(H.Call(kCmdLostSamples, 0, &how, nullptr, bytes), 0);
        uint64_t v = 0;
        for (int i = 7; i >= 0; --i)
            v = v << 8 | bytes[i];
        return v;
    };
    Sim<void (*)(int32_t)>("SimSetCounterPattern")(1);
    H.Call(kCmdSamplingRate, 0); // 5,000,000 samples per second
    H.Call(kCmdStartStop, 1);
    advance(1000); // 5,000 samples: the first read drops the stale one
    Words before = ReadWords();
    int32_t how = 0;
    ASSERT_EQ(before.size(), 4999u);
    EXPECT_EQ(lost(how), 0u);
    advance(3000000); // 3 s unread
    const Words after = ReadWords();
    const uint64_t gap = 15000000 - 4194304;
    EXPECT_EQ(lost(how), gap);
    EXPECT_EQ(how, 0) << "counted by the device";
    EXPECT_EQ(Sim<int64_t (*)()>("SimLostSamples")(), static_cast<int64_t>(gap));
    ASSERT_EQ(after.size(), 32768u);
    EXPECT_EQ(CounterIndex(after[0]), (CounterIndex(before.back()) + 1 + gap) % 65025)
        << "the samples after the gap sit that many periods later";
    ReadWords();
    EXPECT_EQ(lost(how), 0u) << "reported with its block only";

    // Far beyond 2^31 periods the count is whole (about 8 minutes unread).
    advance(500000000);
    ReadWords();
    const uint64_t big = lost(how);
    EXPECT_GT(big, 1ull << 31);
    EXPECT_EQ(static_cast<int64_t>(gap + big), Sim<int64_t (*)()>("SimLostSamples")());
    H.Call(kCmdStartStop, 0);
    ReadWords();
    EXPECT_EQ(lost(how), 0u) << "a stopped device loses nothing";
}

// A device that keeps no count: the driver estimates the periods lost from
// the time that passed, never more than were lost and within 2 %.
TEST_F(SimDevice, WithoutItsCountTheLossIsEstimatedFromTheTime) {
    Sim<void (*)(int32_t)>("SimSetLossCounter")(0);
    ASSERT_EQ(H.Initialize(nullptr), 0); // the start-up reads the device's features
    Sim<void (*)(int32_t)>("SimSetTransferMicros")(0);
    Sim<void (*)(int32_t)>("SimSetCounterPattern")(1);
    H.Call(kCmdSamplingRate, 0); // 5,000,000 samples per second
    H.Call(kCmdStartStop, 1);
    ReadWords();
    // The stall the device sees: nobody reads it for 3 s.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    uint64_t estimated = 0;
    // Read until the device's memory is empty again; every estimate counts.
    for (int i = 0; i < 2000; ++i) {
        const Words w = ReadWords();
        int32_t how = -1;
        uint8_t bytes[8] = {};
        H.Call(kCmdLostSamples, 0, &how, nullptr, bytes);
        uint64_t v = 0;
        for (int k = 7; k >= 0; --k)
            v = v << 8 | bytes[k];
        if (v > 0) {
            EXPECT_EQ(how, 1) << "estimated from the time";
        }
        estimated += v;
        if (w.size() < 32768) break;
    }
    const double counted = static_cast<double>(Sim<int64_t (*)()>("SimLostSamples")());
    ASSERT_GT(counted, 5e6);
    EXPECT_LE(static_cast<double>(estimated), counted);
    EXPECT_GE(static_cast<double>(estimated), counted * 0.98);
}

TEST_F(SimDevice, InjectedMarkersLeadTheNextBlock) {
    Sim<void (*)(int32_t)>("SimSetUnpaced")(1);
    H.Call(kCmdStartStop, 1);
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
        H.Call(kCmdProbeA, probe);
        H.Call(kCmdProbeB, probe);
        for (int32_t r : ranges) {
            H.Call(kCmdRangeA, r);
            H.Call(kCmdRangeB, r);
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
    H.Call(kCmdStartStop, 1);
    const Words w = ReadWords();
    ASSERT_FALSE(w.empty());
    const int zeroB = Sim<int32_t (*)(int32_t)>("SimZeroLevel")(1);
    for (uint16_t x : w) {
        ASSERT_EQ(x & 0xFF, zeroA);
        ASSERT_EQ(x >> 8, zeroB + 16) << "50 mV at 100 mV/div: 15.94 steps";
    }
    H.Call(kCmdStartStop, 0);
    H.Call(kCmdCouplingB, 0); // B to AC: the DC part goes
    H.Call(kCmdCouplingA, 0);
    EXPECT_EQ(Sim<int32_t (*)(int32_t)>("SimAcCoupled")(1), 1);
    H.Call(kCmdStartStop, 1);
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
    H.Call(kCmdSamplingRate, 15 - 11); // 250,000/s: 250 samples per period
    H.Call(kCmdStartStop, 1);
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
    ASSERT_EQ(H.Initialize(nullptr), 6) << "the device cannot be used";
    EXPECT_EQ(Sim<int32_t (*)()>("SimFpgaState")(), 2);
    auto read = H.Control<int32_t (*)(int32_t, uint8_t *, int32_t)>("USBRollFIFORead");
    Sim<void (*)(int32_t)>("SimSetUnpaced")(1);
    H.Control<int32_t (*)(int32_t, int32_t)>("USBSingleWrite")(1, 0x8000);
    std::vector<uint8_t> raw(65536, 0xEE);
    read(1, raw.data(), 65536);
    EXPECT_TRUE(std::all_of(raw.begin(), raw.end(), [](uint8_t b) { return b == 0; }));
}

TEST_F(SimDevice, ConnectionLostAfterReadsThenReconnects) {
    Sim<void (*)(int32_t)>("SimSetUnpaced")(1);
    Sim<void (*)(int32_t)>("SimSetReconnectAfter")(2);
    Sim<void (*)(int32_t)>("SimLoseConnectionAfterReads")(3);
    H.Call(kCmdStartStop, 1);
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
    H.Call(kCmdStartStop, 1);
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
    H.Call(kCmdSerialNumber, 0, &serial);
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
