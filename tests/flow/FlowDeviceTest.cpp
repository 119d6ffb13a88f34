// The whole flow with the real driver library and the simulated device.
#include "FlowRig.h"
#include "tests/support/SimControl.h"

#include "flow/AcquisitionThreadRM.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>

namespace vexa::test {
namespace {

#if defined(__SANITIZE_THREAD__) || defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

struct DeviceFlowTest : ::testing::Test {
    SimControl Sim;
    std::unique_ptr<FlowRig> Rig;

    void SetUp() override {
        ASSERT_TRUE(Sim.Loaded()) << "the simulated device was not found beside the test";
        Rig = std::make_unique<FlowRig>(BinDir());
        Rig->Driver.SetDialogs(&Rig->Dialogs);
    }
    void TearDown() override { Rig.reset(); }
};

// The counter pattern through the real chain: every sample once and in
// order, none doubled by the first read of a start; a gap (should the
// machine fall behind) only where a record marks exactly what is missing.
TEST_F(DeviceFlowTest, TopRateRecordingHoldsEverySampleOnceAndInOrder) {
    Sim.SetCounterPattern(1);
    // Under a sanitizer the program runs several times slower; the check
    // stays the same at a rate it can keep up with.
    Rig->Scope.SetSMPSetting(kSanitized ? 12 : 15);
    const double rate = kSamplingRates[Rig->Scope.SMPSetting()];
    Rig->Scope.SetDisplayActive(true);
    Rig->Start();
    ASSERT_TRUE(Rig->Driver.DeviceInitialized());
    const std::string file = Rig->Path("counter.rmd");
    Rig->SaveTo("counter.rmd");
    auto shownAtLeast = [&](double words) {
        return Rig->PumpUntil([&] { return Rig->Roll.WordCount() > words; }, 30000);
    };
    Rig->StartMeasurement();
    ASSERT_TRUE(shownAtLeast(rate));
    // A setting changed in the middle of the recording goes in as a record.
    Rig->Change([](TVirtualScopeVexaRM &s) { s.SetSourceProbeB(2); });
    ASSERT_TRUE(shownAtLeast(2 * rate));
    Rig->StopMeasurement();
    ASSERT_TRUE(Rig->PumpUntil([&] { return EndsWithStopRecord(file); }, 10000));
    Rig->StartMeasurement(); // a second start: a second first read
    ASSERT_TRUE(shownAtLeast(Rig->Roll.WordCount() + rate / 4));
    Rig->Stop();

    std::vector<uint16_t> words = ReadWords(file);
    CounterStream c = CheckCounterStream(words);
    EXPECT_EQ(c.Fault, "");
    EXPECT_EQ(c.Starts, 2);
    EXPECT_EQ(c.Stops, 2);
    EXPECT_EQ(static_cast<int64_t>(c.LostPeriods), Sim.LostSamples())
        << "every sample the device lost is marked, and nothing else";
    EXPECT_GT(static_cast<double>(c.Samples), 2.25 * rate);
    std::vector<StreamRecord> records;
    std::vector<uint16_t> samples;
    SplitStream(words, records, samples);
    bool probeRecord = false;
    for (auto &r : records)
        probeRecord |= r.Type == kRecProbeB && r.Payload == std::vector<uint16_t>{2};
    EXPECT_TRUE(probeRecord);
    // Sample 16,192 of the pattern is channel A code 128, channel B code 64:
    // on disk 80 40, between its neighbours 7F 40 and 81 40.
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(bytes.find(std::string("\x7F\x40\x80\x40\x81\x40", 6)), std::string::npos);
}

TEST_F(DeviceFlowTest, TriggeredModeDeliversNothingUntilTheTriggerAndThenEverySample) {
    Sim.SetSignal(0, 0, 0.0, 0, 0, 0); // channel A: 0 V, below the trigger level
    Rig->Scope.SetSMPSetting(10);
    Rig->Scope.SetDensityChannelA(5); // 200 mV per division
    Rig->Scope.SetRecordFree(false);
    Rig->Scope.SetRecordTriggered(true);
    Rig->Scope.SetTriggerSourceA(true);
    Rig->Scope.SetTriggerUnderA(false);
    Rig->Scope.SetTriggerLevelA(200);
    Rig->Start();
    const std::string file = Rig->Path("trig.rmd");
    Rig->SaveTo("trig.rmd");
    Rig->StartMeasurement();
    Rig->PumpFor(400);
    std::vector<StreamRecord> records;
    std::vector<uint16_t> samples;
    SplitStream(ReadWords(file), records, samples);
    EXPECT_TRUE(samples.empty());
    EXPECT_EQ(Rig->Trigger.Color, TAcquisitionThreadRM::kLampYellow);
    Sim.SetSignal(0, 0, 0.5, 0, 0, 0); // 0.5 V: above it
    ASSERT_TRUE(Rig->PumpUntil([&] { return FileBytes(file) > 20000; }, 3000));
    EXPECT_EQ(Rig->Trigger.Color, TAcquisitionThreadRM::kLampGreen);
    Rig->Stop();
    records.clear();
    samples.clear();
    SplitStream(ReadWords(file), records, samples);
    ASSERT_GT(samples.size(), 10000u);
    const int zero = Rig->Scope.ZeroChannelA();
    for (uint16_t w : samples)
        ASSERT_GT((w & 0xFF), zero + 32) << "a sample from before the trigger";
}

TEST_F(DeviceFlowTest, FailedArmConditionGivesArmMarkers) {
    Sim.SetSignal(0, 0, 0.0, 0, 0, 0);
    Rig->Scope.SetSMPSetting(10);
    Rig->Scope.SetDensityChannelA(5);
    Rig->Scope.SetARMSourceA(true);
    Rig->Scope.SetARMUnderA(false);
    Rig->Scope.SetARMLevelA(200); // 0 V fails the condition
    Rig->Start();
    const std::string file = Rig->Path("arm.rmd");
    Rig->SaveTo("arm.rmd");
    Rig->StartMeasurement();
    ASSERT_TRUE(Rig->PumpUntil([&] { return FileBytes(file) > 20000; }, 3000));
    const int64_t failedPart = FileBytes(file);
    Sim.SetSignal(0, 0, 0.5, 0, 0, 0);
    ASSERT_TRUE(Rig->PumpUntil([&] { return FileBytes(file) > failedPart + 20000; }, 3000));
    Rig->Stop();
    std::vector<StreamRecord> records;
    std::vector<uint16_t> samples;
    SplitStream(ReadWords(file), records, samples);
    size_t firstSample = 0;
    while (firstSample < samples.size() && samples[firstSample] == kWordMarker2)
        ++firstSample;
    EXPECT_GT(firstSample, 5000u); // the failing samples became markers
    size_t passed = 0;
    for (size_t i = firstSample; i < samples.size(); ++i)
        passed += samples[i] >= kReservedWordLimit;
    EXPECT_GT(passed, 5000u);
}

TEST_F(DeviceFlowTest, LostDeviceIsReloadedAndTheRecordingGoesOn) {
    Sim.SetCounterPattern(1);
    Rig->Scope.SetSMPSetting(13); // 1,000,000 samples per second
    Rig->Start();
    const std::string file = Rig->Path("lost.rmd");
    Rig->SaveTo("lost.rmd");
    Rig->StartMeasurement();
    Rig->PumpFor(300);
    const int restarts = Rig->Panel.Count[kNotifyDeviceRestart];
    Sim.LoseConnectionAfterReads(5);
    ASSERT_TRUE(
        Rig->PumpUntil([&] { return Rig->Flow.AcquisitionThread()->Reloads() == 1; }, 3000));
    EXPECT_EQ(Rig->Panel.Count[kNotifyDeviceRestart], restarts + 1);
    EXPECT_TRUE(Rig->Driver.DeviceInitialized());
    EXPECT_TRUE(Rig->Dialogs.Texts().empty());
    const int64_t atReload = FileBytes(file);
    ASSERT_TRUE(Rig->PumpUntil([&] { return FileBytes(file) > atReload + 400000; }, 3000));
    EXPECT_TRUE(Rig->Scope.MeasurementStarted());
    EXPECT_EQ(Rig->Flow.AcquisitionThread()->Reloads(), 1);
    Rig->Stop();
    std::vector<uint16_t> words = ReadWords(file);
    CounterStream c = CheckCounterStream(words);
    EXPECT_EQ(c.Fault, "");
    EXPECT_EQ(c.Starts, 2); // the device starts afresh after the reload
    EXPECT_EQ(c.Stops, 2);
}

TEST_F(DeviceFlowTest, RangeChangeSetsTheLevelBackAndTellsThePanel) {
    Rig->Scope.SetSMPSetting(8);
    Rig->Scope.SetDensityChannelA(5);
    Rig->Start();
    ASSERT_TRUE(Rig->Driver.DeviceCalibrationOK());
    const std::string file = Rig->Path("range.rmd");
    Rig->SaveTo("range.rmd");
    Rig->Change([](TVirtualScopeVexaRM &) {});
    Rig->PumpFor(100);
    const int64_t before = FileBytes(file);
    const int setBacks = Rig->Panel.Count[kNotifyLevelsSetBack];
    // Idle: the records of the change still reach the file.
    Rig->Change([](TVirtualScopeVexaRM &s) { s.SetDensityChannelA(7); });
    ASSERT_TRUE(Rig->PumpUntil(
        [&] { return Rig->Panel.Count[kNotifyLevelsSetBack] == setBacks + 1; }, 3000));
    EXPECT_FALSE(Rig->Driver.SetBackRequested());
    EXPECT_EQ(Rig->Scope.VerticalLevelChannelA(),
              kPositionMax - Rig->Driver.VerticalLevelChannelA());
    Rig->Stop();
    std::vector<uint16_t> words = ReadWords(file);
    std::vector<StreamRecord> records;
    std::vector<uint16_t> samples;
    SplitStream(std::vector<uint16_t>(words.begin() + before / 2, words.end()), records, samples);
    bool level = false, deflection = false;
    for (auto &r : records) {
        level |= r.Type == kRecLevelA;
        deflection |= r.Type == kRecDeflectionA && r.Payload == std::vector<uint16_t>{1000, 0};
    }
    EXPECT_TRUE(level);
    EXPECT_TRUE(deflection);
    EXPECT_TRUE(samples.empty());
}

// The operator gives the lost device up and goes on in demo mode: the
// recording ends with its stop record, made-up samples never continue it,
// and the front panel hears of it. A new measurement is started knowingly.
TEST_F(DeviceFlowTest, DeviceThatDoesNotComeBackLeavesTheChoiceToTheOperator) {
    Sim.SetCounterPattern(1);
    Sim.SetReconnectAfter(1000);
    Rig->Scope.SetSMPSetting(10);
    Rig->Start();
    const std::string file = Rig->Path("demo.rmd");
    Rig->SaveTo("demo.rmd");
    Rig->StartMeasurement();
    ASSERT_TRUE(Rig->PumpUntil([&] { return Rig->Roll.WordCount() > 20000; }, 5000));
    // Asked in the main thread: "Retry" once, then carry on in demo mode.
    Rig->Dialogs.Script({kButtonYes, kButtonNo});
    const int notified = Rig->Panel.Count[kNotifySettingsChanged];
    Sim.LoseConnectionNow();
    ASSERT_TRUE(Rig->PumpUntil(
        [&] {
            return Rig->Flow.AcquisitionThread()->Reloads() == 1 &&
                   Rig->Panel.Count[kNotifySettingsChanged] > notified;
        },
        5000));
    EXPECT_EQ(Rig->Dialogs.Texts().size(), 2u);
    EXPECT_TRUE(Rig->Driver.DemoMode());
    EXPECT_FALSE(Rig->Scope.MeasurementStarted());
    // Another pass of the settings must not start it again.
    Rig->Change([](TVirtualScopeVexaRM &) {});
    ASSERT_TRUE(Rig->PumpUntil(
        [&] { return !Rig->Flow.ScopeSettingsDirty() && Rig->Ring->Pending() == 0; }, 5000));
    std::vector<uint16_t> words = ReadWords(file);
    // After the stop record only the settings sent to the fresh start-up.
    const std::vector<uint16_t> stop = {0, 4, 1, 0};
    const auto at = std::search(words.begin(), words.end(), stop.begin(), stop.end());
    ASSERT_NE(at, words.end());
    std::vector<StreamRecord> records;
    std::vector<uint16_t> samples;
    SplitStream(std::vector<uint16_t>(at, words.end()), records, samples);
    EXPECT_TRUE(samples.empty()) << "samples after the stop";
    CounterStream c = CheckCounterStream(words);
    EXPECT_EQ(c.Fault, "") << "only the device's samples are in the file";
    EXPECT_EQ(c.Starts, 1);
    EXPECT_EQ(c.Stops, 1);

    const size_t recorded = words.size();
    Rig->StartMeasurement();
    ASSERT_TRUE(Rig->PumpUntil(
        [&] { return FileBytes(file) > static_cast<int64_t>(recorded) * 2 + 1000; }, 5000));
    Rig->Stop();
    words = ReadWords(file);
    EXPECT_EQ(words[recorded + 2], kRecMeasurement) << "the demo recording starts anew";
    EXPECT_EQ(words[recorded + 3], 1);
    EXPECT_EQ(Rig->Flow.AcquisitionThread(), nullptr);
}

TEST_F(DeviceFlowTest, ShutdownWhileAReloadWaitsForTheMainThread) {
    Sim.SetCounterPattern(1);
    Sim.SetReconnectAfter(1000); // the device does not come back
    Rig->Scope.SetSMPSetting(13);
    Rig->Start();
    const std::string file = Rig->Path("reload.rmd");
    Rig->SaveTo("reload.rmd");
    Rig->StartMeasurement();
    ASSERT_TRUE(Rig->PumpUntil([&] { return Rig->Roll.WordCount() > 110000; }, 10000));
    Sim.LoseConnectionNow();
    // The thread now waits for the main thread to reload; it does not look.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    auto t0 = std::chrono::steady_clock::now();
    Rig->Stop();
    // Bounded waits only: far below this unless something hangs.
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(10));
    EXPECT_TRUE(Rig->Dialogs.Texts().empty()); // no start-up questions while closing
    EXPECT_EQ(Rig->Panel.Count[kNotifyDeviceRestart], 0);
    EXPECT_FALSE(Rig->Driver.LibraryLoaded());
    std::vector<uint16_t> words = ReadWords(file);
    CounterStream c = CheckCounterStream(words);
    EXPECT_EQ(c.Fault, "");
    EXPECT_EQ(c.Starts, 1);
    EXPECT_GT(c.Samples, 100000u);
}

} // namespace
} // namespace vexa::test
