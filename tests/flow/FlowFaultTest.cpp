// Faults of the device seen through the whole flow (real driver library,
// simulated device): reloads, gaps, defined lengths and devices that cannot
// be used. Waits are on conditions; the device's and the flow's clocks are
// moved by the tests where time matters.
#include "FlowRig.h"
#include "tests/support/SimControl.h"

#include "flow/AcquisitionThreadRM.h"
#include "model/ResourceStringsVexaRM.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>

namespace vexa::test {
namespace {

const char *const kDeviceUnusable =
    "The device cannot be used. The program continues in demo mode.";

struct DeviceFaultTest : ::testing::Test {
    SimControl Sim;
    std::unique_ptr<FlowRig> Rig;
    // The flow's clock: each reading moves it on by a step (0: it stands).
    std::atomic<int64_t> ClockMs{1000000};
    std::atomic<int64_t> ClockStep{1000};
    std::atomic<int> ClockReads{0};

    void SetUp() override {
        ASSERT_TRUE(Sim.Loaded()) << "the simulated device was not found beside the test";
        Rig = std::make_unique<FlowRig>(BinDir());
        Rig->Driver.SetDialogs(&Rig->Dialogs);
        Rig->Flow.SetClock([this] {
            ++ClockReads;
            return ClockMs.fetch_add(ClockStep.load());
        });
    }
    void TearDown() override { Rig.reset(); }

    // Loses the device and waits until the recording goes on after the
    // reload with at least words more words.
    ::testing::AssertionResult LoseAndRecover(size_t words) {
        const int reloads = Rig->Flow.AcquisitionThread()->Reloads();
        Sim.LoseConnectionNow();
        if (!Rig->PumpUntil([&] { return Rig->Flow.AcquisitionThread()->Reloads() == reloads + 1; },
                            10000))
            return ::testing::AssertionFailure() << "no reload";
        const size_t at = Rig->Roll.WordCount();
        if (!Rig->PumpUntil([&] { return Rig->Roll.WordCount() > at + words; }, 10000))
            return ::testing::AssertionFailure() << "the recording did not go on";
        return ::testing::AssertionSuccess();
    }
};

// The vertical position the operator chose survives any number of device
// reloads exactly, at every range: the same level and the same zero code.
TEST_F(DeviceFaultTest, TenReloadsAtEveryRangeKeepLevelAndZeroCode) {
    Sim.SetCounterPattern(1);
    Rig->Scope.SetSMPSetting(10);     // 100,000 samples per second
    Rig->Scope.SetDensityChannelA(9); // every step below changes both ranges
    Rig->Scope.SetDensityChannelB(9);
    Rig->Scope.SetVerticalLevelChannelA(2452);
    Rig->Scope.SetVerticalLevelChannelB(2093);
    Rig->Start();
    ASSERT_TRUE(Rig->Driver.DeviceCalibrationOK());
    const std::string file = Rig->Path("levels.rmd");
    Rig->SaveTo("levels.rmd");
    Rig->StartMeasurement();
    for (uint16_t density = 1; density <= 9; ++density) {
        SCOPED_TRACE("density " + std::to_string(density));
        // The operator switches the range: the device sets the level back
        // so that the trace's zero stays where it was.
        const int setBacks = Rig->Panel.Count[kNotifyLevelsSetBack];
        Rig->Change([&](TVirtualScopeVexaRM &s) {
            s.SetDensityChannelA(density);
            s.SetDensityChannelB(density);
        });
        ASSERT_TRUE(Rig->PumpUntil(
            [&] { return Rig->Panel.Count[kNotifyLevelsSetBack] > setBacks; }, 10000));
        const uint16_t levelA = Rig->Scope.VerticalLevelChannelA();
        const uint16_t levelB = Rig->Scope.VerticalLevelChannelB();
        const int32_t zeroA = Rig->Scope.ZeroChannelA();
        const int32_t zeroB = Rig->Scope.ZeroChannelB();
        EXPECT_EQ(Sim.ZeroLevel(0), zeroA) << "the device agrees on the zero code";
        for (int reload = 1; reload <= 10; ++reload) {
            ASSERT_TRUE(LoseAndRecover(1000)) << "reload " << reload;
            ASSERT_EQ(Rig->Scope.VerticalLevelChannelA(), levelA) << "reload " << reload;
            ASSERT_EQ(Rig->Scope.VerticalLevelChannelB(), levelB) << "reload " << reload;
            ASSERT_EQ(Rig->Scope.ZeroChannelA(), zeroA) << "reload " << reload;
            ASSERT_EQ(Rig->Scope.ZeroChannelB(), zeroB) << "reload " << reload;
            ASSERT_EQ(Sim.ZeroLevel(0), zeroA) << "reload " << reload;
            ASSERT_EQ(Sim.ZeroLevel(1), zeroB) << "reload " << reload;
        }
    }
    Rig->Stop();
    // What the recording says agrees: after the last range change every
    // level record of A carries the same level and zero code.
    std::vector<StreamRecord> records;
    std::vector<uint16_t> samples;
    SplitStream(ReadWords(file), records, samples);
    std::vector<std::vector<uint16_t>> levels;
    for (const StreamRecord &r : records)
        if (r.Type == kRecLevelA) levels.push_back(r.Payload);
    ASSERT_GE(levels.size(), 10u);
    for (size_t i = levels.size() - 10; i < levels.size(); ++i)
        EXPECT_EQ(levels[i], levels.back()) << "level record " << i;
    EXPECT_EQ(levels.back()[0], kPositionMax - Rig->Scope.VerticalLevelChannelA());
    EXPECT_EQ(CheckCounterStream(ReadWords(file)).Fault, "");
}

// A defined length counts the operator's milliseconds: the measurement holds
// exactly length x rate / 1000 sample periods, and its stop record follows
// the last one.
TEST_F(DeviceFaultTest, DefinedLengthsGiveExactlyLengthTimesRateSamplePeriods) {
    Sim.SetCounterPattern(1);
    Sim.SetUnpaced(1); // full blocks at once: the length is all that ends it
    Rig->Scope.SetDisplayActive(false);
    Rig->Start();
    const std::string file = Rig->Path("lengths.rmd");
    Rig->SaveTo("lengths.rmd");
    struct Case {
        uint32_t ms;
        int smp;
    };
    std::vector<Case> cases;
    for (int smp : {5, 11, 15}) // 2,500, 250,000 and 5,000,000 per second
        for (uint32_t ms : {250u, 1500u, 3000u})
            cases.push_back({ms, smp});
    for (const Case &k : cases) {
        Rig->Change([&](TVirtualScopeVexaRM &s) {
            s.SetSMPSetting(k.smp);
            s.SetMeasurementDefined(true);
            s.SetMeasurementLength(k.ms);
            s.SetMeasurementStarted(true);
        });
        // The scope's flag goes off when the length is reached.
        ASSERT_TRUE(Rig->PumpUntil(
            [&] { return !Rig->Scope.MeasurementStarted() && EndsWithStopRecord(file); }, 60000))
            << k.ms << " ms at " << kSamplingRates[k.smp];
    }
    Rig->Stop();
    const std::vector<uint16_t> words = ReadWords(file);
    EXPECT_EQ(CheckCounterStream(words).Fault, "");
    // The samples between each start record and its stop record.
    std::vector<uint64_t> counts;
    uint64_t n = 0;
    bool in = false;
    for (size_t i = 0; i < words.size();) {
        if (words[i] != kWordRecordIntroducer) {
            n += in;
            ++i;
            continue;
        }
        if (words[i + 2] == kRecMeasurement) {
            if (words[i + 3] == 1) n = 0;
            if (words[i + 3] == 0 && in) counts.push_back(n);
            in = words[i + 3] == 1;
        }
        i += words[i + 1];
    }
    ASSERT_EQ(counts.size(), cases.size());
    for (size_t c = 0; c < cases.size(); ++c)
        EXPECT_EQ(counts[c], uint64_t{cases[c].ms} * kSamplingRates[cases[c].smp] / 1000)
            << cases[c].ms << " ms at " << kSamplingRates[cases[c].smp];
    EXPECT_EQ(Sim.LostSamples(), 0);
}

// Answers every question at once, but first checks that the recording goes
// on while the question is open: a notice must not hold up the flow.
class FlowWatchingDialogs : public ScriptedDialogs {
public:
    explicit FlowWatchingDialogs(FlowRig &rig) : Rig(rig) {}
    int Ask(DialogStyle style, const std::string &text, int buttons) override {
        const size_t at = Rig.Roll.WordCount();
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (Rig.Roll.WordCount() < at + 100000 && std::chrono::steady_clock::now() < until)
            std::this_thread::yield();
        FlowWentOn = Rig.Roll.WordCount() >= at + 100000;
        return ScriptedDialogs::Ask(style, text, buttons);
    }
    FlowRig &Rig;
    bool FlowWentOn = false;
};

// The device is not read for 3 s at 5,000,000 samples per second (its clock
// jumps; for the flow it is a stall): the stream carries one record of the
// lost periods exactly where they are missing, with the device's own count,
// and the operator hears of it once per measurement, without the flow
// waiting for the answer.
TEST_F(DeviceFaultTest, AStallIsMarkedWhereItHappenedAndToldOncePerMeasurement) {
    FlowWatchingDialogs dialogs(*Rig);
    Rig->Scope.SetDialogs(&dialogs);
    Rig->Driver.SetDialogs(&dialogs);
    Sim.SetCounterPattern(1);
    Sim.SetManualClock(1);
    Rig->Scope.SetSMPSetting(15);
    Rig->Start();
    const std::string file = Rig->Path("stall.rmd");
    Rig->SaveTo("stall.rmd");
    auto start = [&] {
        Rig->Arm.Color = 0;
        Rig->StartMeasurement();
        // Running: the first read lit the lamps.
        EXPECT_TRUE(Rig->PumpUntil(
            [&] { return Rig->Arm.Color == TAcquisitionThreadRM::kLampGreen; }, 10000));
    };
    auto stall = [&](int64_t micros, int lossRecords) {
        // Some samples first, then the jump, then the device's memory drains.
        Sim.AdvanceClock(20000);
        const size_t at = Rig->Roll.WordCount();
        EXPECT_TRUE(Rig->PumpUntil([&] { return Rig->Roll.WordCount() >= at + 99999; }, 10000));
        Sim.AdvanceClock(micros);
        EXPECT_TRUE(Rig->PumpUntil(
            [&] {
                return Rig->Flow.AcquisitionThread()->LossRecords() == lossRecords &&
                       Rig->Roll.WordCount() >= at + 99999 + 4194304;
            },
            30000));
    };
    start();
    stall(3000000, 1);
    ASSERT_TRUE(Rig->PumpUntil([&] { return dialogs.Questions().size() == 1; }, 10000));
    stall(1000000, 2); // a second gap in the same measurement: no second message
    Rig->StopMeasurement();
    ASSERT_TRUE(Rig->PumpUntil([&] { return EndsWithStopRecord(file); }, 10000));
    start();
    stall(2000000, 3); // a new measurement: told again
    ASSERT_TRUE(Rig->PumpUntil([&] { return dialogs.Questions().size() == 2; }, 10000));
    Rig->Stop();

    const std::vector<ScriptedDialogs::Question> asked = dialogs.Questions();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].style, DialogStyle::Warning);
    EXPECT_EQ(asked[0].text, TResourceStringsVexaRM::SamplesLost(15000000 - 4194304, 5000000));
    EXPECT_TRUE(dialogs.FlowWentOn) << "the flow waited for the operator";
    const std::vector<uint16_t> words = ReadWords(file);
    const CounterStream c = CheckCounterStream(words);
    EXPECT_EQ(c.Fault, "") << "a gap without its record, or a record without its gap";
    EXPECT_EQ(c.Gaps, 3);
    EXPECT_EQ(static_cast<int64_t>(c.LostPeriods), Sim.LostSamples());
    EXPECT_EQ(c.LostPeriods, (15000000 - 4194304) + (5000000 - 4194304) + (10000000 - 4194304));
    std::vector<StreamRecord> records;
    std::vector<uint16_t> samples;
    SplitStream(words, records, samples);
    for (const StreamRecord &r : records) {
        if (r.Type != kRecLostSamples) continue;
        ASSERT_EQ(r.Payload.size(), 5u);
        EXPECT_EQ(r.Payload[4], kLostCountedByDevice);
    }
}

// A device that fails after every start without delivering a sample: the
// reloads keep their distance, and after several the operator decides once
// (retry, demo mode or quit) instead of an endless round of start-ups.
TEST_F(DeviceFaultTest, ADeviceFailingAfterEveryStartLeadsToOneQuestion) {
    Sim.SetCounterPattern(1);
    Rig->Scope.SetSMPSetting(10);
    Rig->Start();
    const std::string file = Rig->Path("failing.rmd");
    Rig->SaveTo("failing.rmd");
    Rig->StartMeasurement();
    ASSERT_TRUE(Rig->PumpUntil([&] { return Rig->Roll.WordCount() > 10000; }, 10000));
    ClockStep = 0; // the flow's clock stands until the test moves it
    Sim.SetLoseRepeat(1);
    Sim.LoseConnectionAfterReads(0); // lost before the next read delivers
    ASSERT_TRUE(
        Rig->PumpUntil([&] { return Rig->Flow.AcquisitionThread()->Reloads() == 1; }, 10000));
    // The second reload waits for its turn on the flow's clock.
    const int reads = ClockReads;
    ASSERT_TRUE(Rig->PumpUntil([&] { return ClockReads > reads + 20; }, 10000));
    EXPECT_EQ(Rig->Flow.AcquisitionThread()->Reloads(), 1);
    ClockMs += TAcquisitionThreadRM::kReloadSpacingMs;
    ASSERT_TRUE(
        Rig->PumpUntil([&] { return Rig->Flow.AcquisitionThread()->Reloads() == 2; }, 10000));

    // From now on time runs; the first question is answered "Retry", the
    // second "No": demo mode.
    Rig->Dialogs.Script({kButtonYes, kButtonNo});
    ClockStep = TAcquisitionThreadRM::kReloadSpacingMs;
    ASSERT_TRUE(Rig->PumpUntil([&] { return Rig->Driver.DemoMode(); }, 30000));
    ASSERT_TRUE(Rig->PumpUntil([&] { return !Rig->Scope.MeasurementStarted(); }, 10000));
    const int reloads = Rig->Flow.AcquisitionThread()->Reloads();
    EXPECT_EQ(reloads, 2 * TAcquisitionThreadRM::kReloadsBeforeQuestion);
    const std::vector<std::string> asked = Rig->Dialogs.Texts();
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0], asked[1]);
    EXPECT_NE(asked[0].find("Retry?"), std::string::npos);
    EXPECT_FALSE(Rig->Driver.LibraryLoaded());
    EXPECT_EQ(Rig->Driver.DeviceSerialNumber(), "N/A");
    Rig->Stop();
    const CounterStream c = CheckCounterStream(ReadWords(file));
    EXPECT_EQ(c.Fault, "");
    EXPECT_EQ(c.Starts, c.Stops);
    EXPECT_EQ(c.Starts, reloads + 1) << "the operator's start, and one after each reload";
}

// A device that cannot work (lost as soon as it is opened, of an unknown
// type, or refusing its image) is reported once, and the program goes on
// in demo mode without reloading it again and again.
TEST_F(DeviceFaultTest, ADeviceThatCannotWorkIsReportedOnceAndDemoModeFollows) {
    for (int fault = 0; fault < 4; ++fault) {
        SCOPED_TRACE("fault " + std::to_string(fault));
        Rig.reset();
        Sim.Reset();
        Rig = std::make_unique<FlowRig>(BinDir());
        Rig->Driver.SetDialogs(&Rig->Dialogs);
        if (fault == 0) {
            Sim.SetLoseRepeat(1);
            Sim.LoseConnectionAfterMs(0);
        }
        if (fault == 1) Sim.SetDeviceType(9);
        if (fault == 2) Sim.SetDeviceType(-1);
        if (fault == 3) Sim.SetFpgaReject(1);
        Rig->Start();
        EXPECT_TRUE(Rig->Driver.DemoMode());
        // Settings passes come and go; the device is not tried again.
        for (int i = 0; i < 3; ++i) {
            Rig->Change([](TVirtualScopeVexaRM &) {});
            ASSERT_TRUE(Rig->PumpUntil([&] { return !Rig->Flow.ScopeSettingsDirty(); }, 10000));
        }
        Rig->StartMeasurement();
        ASSERT_TRUE(Rig->PumpUntil([&] { return Rig->Roll.WordCount() > 1000; }, 10000))
            << "demo samples";
        EXPECT_EQ(Rig->Flow.AcquisitionThread()->Reloads(), 0);
        EXPECT_EQ(Rig->Dialogs.Texts(), std::vector<std::string>{kDeviceUnusable});
    }
}

} // namespace
} // namespace vexa::test
