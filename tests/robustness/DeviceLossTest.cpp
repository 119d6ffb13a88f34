// The device is lost and found again 20 times during one recording: the
// flow reloads the driver each time, the recording goes on, and every
// stretch recorded before a loss stays whole in the file.
#include "RobustRig.h"

#include "flow/AcquisitionThreadRM.h"
#include "common/ScopeConstsVexaRM.h"

#include <gtest/gtest.h>

#include <random>

namespace vexa::test {
namespace {

TEST(DeviceLossTest, TwentyLossesInOneRecordingLoseNothingRecordedBefore) {
    constexpr int kLosses = 20;
    SimControl sim;
    ASSERT_TRUE(sim.Loaded());
    sim.SetCounterPattern(1);
    RobustRig rig;
    rig.Scope.SetSMPSetting(13); // 1,000,000 samples per second
    rig.Start();
    ASSERT_TRUE(rig.Driver.DeviceInitialized());
    const std::string file = rig.SaveTo("lost.rmd");
    rig.StartMeasurement();
    rig.PumpFor(200);
    std::mt19937 random(20261208);
    for (int k = 1; k <= kLosses; ++k) {
        // Now and then the device needs a few attempts to come back: the
        // operator is asked "Device not present. Retry?" and says Yes.
        const bool slowReturn = k % 4 == 0;
        sim.SetReconnectAfter(slowReturn ? 2 : 0);
        if (slowReturn) rig.Dialogs.Script({kButtonYes, kButtonYes});
        sim.LoseConnectionAfterReads(1 + static_cast<int32_t>(random() % 40));
        ASSERT_TRUE(
            rig.PumpUntil([&] { return rig.Flow.AcquisitionThread()->Reloads() >= k; }, 8000))
            << "no reload after loss " << k;
        const int64_t atReload = FileBytes(file);
        ASSERT_TRUE(rig.PumpUntil([&] { return FileBytes(file) > atReload + 100000; }, 5000))
            << "the recording did not go on after loss " << k;
        EXPECT_TRUE(rig.Scope.MeasurementStarted());
    }
    EXPECT_EQ(rig.Flow.AcquisitionThread()->Reloads(), kLosses);
    EXPECT_TRUE(rig.Driver.DeviceInitialized());
    EXPECT_LT(rig.Stop(), 3.0);

    // Only the two questions of each slow return, nothing else.
    const std::vector<std::string> asked = rig.Dialogs.Texts();
    EXPECT_EQ(asked.size(), 2u * (kLosses / 4));
    for (const std::string &text : asked)
        EXPECT_EQ(text, "Device not present. Retry?");
    const std::vector<uint16_t> words = ReadWords(file);
    EXPECT_EQ(words.size(), rig.Roll.Words());
    EXPECT_EQ(FingerprintOf(words), rig.Roll.Fingerprint());
    const CounterStream c = CheckCounterStream(words);
    EXPECT_EQ(c.Fault, "");
    // Each loss ends a stretch with its stop record; each reload starts one.
    EXPECT_EQ(c.Starts, kLosses + 1);
    EXPECT_EQ(c.Stops, kLosses + 1);
    EXPECT_GT(c.Samples, static_cast<uint64_t>(kLosses) * 50000);
}

} // namespace
} // namespace vexa::test
