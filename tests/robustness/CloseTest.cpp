// The program closes at random moments of a recording, 50 times: the flow
// always stops within 3 seconds, and the file is a whole number of words
// holding every block that was read, the stream ending with its stop record.
#include "RobustRig.h"

#include "common/ScopeConstsVexaRM.h"

#include <gtest/gtest.h>

#include <random>

namespace vexa::test {
namespace {

TEST(CloseTest, FiftyClosesAtRandomMomentsEndInTimeWithWholeFiles) {
    SimControl sim;
    ASSERT_TRUE(sim.Loaded());
    std::mt19937 random(5000000);
    double slowest = 0;
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        sim.Reset();
        sim.SetCounterPattern(1);
        RobustRig rig;
        // Mostly the fast rates, where the ring and the file are busiest.
        const int smp =
            round % 5 == 0 ? static_cast<int>(random() % 10) : 10 + static_cast<int>(random() % 6);
        rig.Scope.SetSMPSetting(smp);
        rig.Start();
        ASSERT_TRUE(rig.Driver.DeviceInitialized());
        const std::string file = rig.SaveTo("close.rmd");
        rig.StartMeasurement();
        // From at once (the start group still on its way) to 1.2 s in.
        rig.PumpFor(static_cast<int>(random() % 1200));
        const double seconds = rig.Stop();
        slowest = std::max(slowest, seconds);
        EXPECT_LT(seconds, 3.0);
        EXPECT_EQ(rig.Ring->Pending(), 0) << "blocks read but not processed";
        const int64_t bytes = FileBytes(file);
        EXPECT_EQ(bytes % 2, 0);
        const std::vector<uint16_t> words = ReadWords(file);
        EXPECT_EQ(words.size(), rig.Roll.Words()) << "rate " << kSamplingRates[smp];
        EXPECT_EQ(FingerprintOf(words), rig.Roll.Fingerprint());
        const CounterStream c = CheckCounterStream(words);
        EXPECT_EQ(c.Fault, "");
        EXPECT_EQ(c.Starts, c.Stops) << "the file does not end with the stop record";
        if (HasFailure()) break;
    }
    RecordProperty("slowest_close_ms", static_cast<int>(slowest * 1000));
    std::printf("slowest close: %.0f ms\n", slowest * 1000);
}

} // namespace
} // namespace vexa::test
