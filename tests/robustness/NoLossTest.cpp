// Counter-pattern recordings at every sampling rate, checked word by word:
// every sample the device made during the measurement is in the file once
// and in order, and the top rates run for more than one lap of the ring.
#include "RobustRig.h"

#include "common/ScopeConstsVexaRM.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>

namespace vexa::test {
namespace {

class NoLossTest : public ::testing::TestWithParam<int> {};

TEST_P(NoLossTest, EverySampleOnceAndInOrder) {
    const int smp = GetParam();
    const double rate = kSamplingRates[smp];
    SimControl sim;
    ASSERT_TRUE(sim.Loaded());
    sim.SetCounterPattern(1);
    RobustRig rig;
    rig.Scope.SetSMPSetting(smp);
    rig.Start();
    ASSERT_TRUE(rig.Driver.DeviceInitialized());
    const std::string file = rig.SaveTo("counter.rmd");
    // A lap of the ring at this rate, with a quarter to spare; the slow
    // rates only show that their few samples come through whole.
    const double lap = TDataSourceModuleVexaRM::kRingWrapLimit / rate;
    const double seconds = rate >= 500000 ? std::max(0.5, 1.25 * lap) : 0.6;
    const auto t0 = std::chrono::steady_clock::now();
    rig.StartMeasurement();
    rig.PumpFor(static_cast<int>(seconds * 1000));
    rig.StopMeasurement();
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    rig.PumpFor(100);
    EXPECT_LT(rig.Stop(), 3.0);

    EXPECT_EQ(sim.LostSamples(), 0) << "the device's memory overflowed";
    EXPECT_EQ(rig.Ring->Pending(), 0) << "words left unprocessed in the ring";
    const std::vector<uint16_t> words = ReadWords(file);
    EXPECT_EQ(FileBytes(file) % 2, 0);
    // Every word the processing thread handed on is in the file.
    EXPECT_EQ(words.size(), rig.Roll.Words());
    EXPECT_EQ(FingerprintOf(words), rig.Roll.Fingerprint());
    const CounterStream c = CheckCounterStream(words);
    EXPECT_EQ(c.Fault, "");
    EXPECT_EQ(c.Starts, 1);
    EXPECT_EQ(c.Stops, 1);
    // The device made rate x elapsed samples; the reads stop a little before
    // the stop takes effect.
    EXPECT_GE(static_cast<double>(c.Samples), rate * elapsed * 0.5 - 2);
    EXPECT_LE(static_cast<double>(c.Samples), rate * (elapsed + 0.5) + 2);
    if (rate >= 500000) {
        EXPECT_GT(c.Samples, static_cast<uint64_t>(TDataSourceModuleVexaRM::kRingWrapLimit))
            << "the recording did not go once round the ring";
    }
}

INSTANTIATE_TEST_SUITE_P(EveryRate, NoLossTest, ::testing::Range(0, kSmpSettingCount),
                         [](const ::testing::TestParamInfo<int> &info) {
                             return std::to_string(kSamplingRates[info.param]) + "PerSecond";
                         });

} // namespace
} // namespace vexa::test
