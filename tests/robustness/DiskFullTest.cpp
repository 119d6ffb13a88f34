// The disk fills up during a recording: a file size limit stands in for a
// full disk. The failure is reported once, saving goes off, and the file
// keeps whole words holding an unbroken stretch of the recording.
#include "RobustRig.h"

#include "model/ResourceStringsVexaRM.h"
#include "common/ScopeConstsVexaRM.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace vexa::test {
namespace {

// Limits the size of files this process writes; restores the old limit.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &Old);
        // Past the limit a write fails with EFBIG instead of ending the process.
        OldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = Old;
        limit.rlim_cur = bytes;
        Ok = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit() { Lift(); }
    void Lift() {
        if (!Ok) return;
        setrlimit(RLIMIT_FSIZE, &Old);
        std::signal(SIGXFSZ, OldHandler);
        Ok = false;
    }
    bool Ok = false;

private:
    rlimit Old{};
    void (*OldHandler)(int) = nullptr;
};

TEST(DiskFullTest, FullDiskIsReportedOnceSavingGoesOffAndTheFileStaysWhole) {
    SimControl sim;
    ASSERT_TRUE(sim.Loaded());
    sim.SetCounterPattern(1);
    RobustRig rig;
    rig.Scope.SetSMPSetting(12); // 500,000 samples per second: 1 MB/s
    rig.Start();
    ASSERT_TRUE(rig.Driver.DeviceInitialized());
    const std::string file = rig.SaveTo("full.rmd");
    // An odd limit: the write that reaches it is cut short in mid-word.
    constexpr int64_t kLimit = 1500001;
    FileSizeLimit limit(kLimit);
    ASSERT_TRUE(limit.Ok);
    rig.StartMeasurement();
    ASSERT_TRUE(rig.PumpUntil([&] { return !rig.Dialogs.Texts().empty(); }, 10000))
        << "the failure was not reported; file holds " << FileBytes(file) << " bytes";
    const uint64_t shownAtFailure = rig.Roll.Words();
    // The recording goes on without saving; nothing more is reported.
    ASSERT_TRUE(rig.PumpUntil([&] { return rig.Roll.Words() > shownAtFailure + 200000; }, 5000));
    EXPECT_FALSE(rig.Scope.SavingActivated());
    EXPECT_TRUE(rig.Scope.MeasurementStarted());
    const double stopSeconds = rig.Stop();
    EXPECT_LT(stopSeconds, 10.0) << "the stop hangs";
    limit.Lift();

    const std::vector<ScriptedDialogs::Question> asked = rig.Dialogs.Questions();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].style, DialogStyle::Error);
    EXPECT_EQ(asked[0].text, TResourceStringsVexaRM::RecordWriteFailed(file));
    const int64_t bytes = FileBytes(file);
    EXPECT_EQ(bytes % 2, 0) << "the file ends in half a word";
    EXPECT_LE(bytes, kLimit);
    // At most one block (65,536 words) short of the limit.
    EXPECT_GT(bytes, kLimit - 2 * 65536 - 2);
    const CounterStream c = CheckCounterStream(ReadWords(file));
    EXPECT_EQ(c.Fault, "");
    EXPECT_EQ(c.Starts, 1);
    EXPECT_GT(c.Samples, 600000u);
}

TEST(DiskFullTest, SavingSwitchedOnAgainAppendsAfterWhatWasKept) {
    SimControl sim;
    ASSERT_TRUE(sim.Loaded());
    sim.SetCounterPattern(1);
    RobustRig rig;
    rig.Scope.SetSMPSetting(11); // 250,000 samples per second
    rig.Start();
    const std::string file = rig.SaveTo("again.rmd");
    FileSizeLimit limit(400000);
    ASSERT_TRUE(limit.Ok);
    rig.StartMeasurement();
    ASSERT_TRUE(rig.PumpUntil([&] { return !rig.Scope.SavingActivated(); }, 10000));
    rig.PumpFor(50);
    const std::vector<uint16_t> kept = ReadWords(file);
    ASSERT_FALSE(kept.empty());
    // Room again: the operator switches saving back on.
    limit.Lift();
    rig.Change([](TVirtualScopeVexaRM &s) { s.SetSavingActivated(true); });
    ASSERT_TRUE(rig.PumpUntil(
        [&] { return FileBytes(file) > static_cast<int64_t>(kept.size()) * 2 + 200000; }, 5000));
    rig.Stop();
    const std::vector<uint16_t> all = ReadWords(file);
    ASSERT_GT(all.size(), kept.size());
    EXPECT_TRUE(std::equal(kept.begin(), kept.end(), all.begin()))
        << "what was recorded before the failure changed";
    EXPECT_EQ(rig.Dialogs.Questions().size(), 1u);
}

} // namespace
} // namespace vexa::test
