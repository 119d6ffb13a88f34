// The whole flow with the demo source: notifications, displays, record file.
#include "FlowRig.h"

#include "flow/AcquisitionThreadRM.h"
#include "flow/ProcessingThreadRM.h"
#include "model/ResourceStringsVexaRM.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <sys/resource.h>

namespace vexa::test {
namespace {

// Demo source on a clock the test moves.
struct DemoFlowTest : ::testing::Test {
    std::atomic<uint32_t> Tick{1000};
    std::unique_ptr<FlowRig> Rig;

    void SetUp() override {
        // An empty folder: no driver library, so the demo source runs.
        Rig = std::make_unique<FlowRig>(MakeTempDir("nolib"));
        Rig->Driver.DemoSource().SetTickSource([this] { return Tick.load(); });
        Rig->Scope.SetSMPSetting(4); // 1000 samples per second
    }
    // Waits until the flow is idle: two whole passes of the acquisition
    // loop after the call (so a change made before it was mirrored and its
    // records drained), nothing dirty, and the ring empty (so the processing
    // thread has written every word to the file).
    void Settle(const std::string & = {}) {
        TAcquisitionThreadRM *thread = Rig->Flow.AcquisitionThread();
        if (!thread) return;
        const uint64_t from = thread->Passes();
        EXPECT_TRUE(Rig->PumpUntil(
            [&] {
                return thread->Passes() >= from + 2 && !Rig->Flow.ScopeSettingsDirty() &&
                       Rig->Ring->Pending() == 0;
            },
            30000))
            << "the flow did not settle";
    }
};

TEST_F(DemoFlowTest, StartGroupSamplesAndStopGiveExactlyTheDocumentedWords) {
    Rig->Scope.SetSMPSetting(10);  // 100,000 samples per second
    Rig->Scope.SetSourceProbeA(2); // 1:10
    Rig->Start();
    const std::string file = Rig->Path("sdata.rmd");
    Rig->SaveTo("sdata.rmd");
    Rig->Change([](TVirtualScopeVexaRM &) {}); // drains what the start left
    Settle(file);
    const int64_t before = FileBytes(file);

    Rig->StartMeasurement();
    Settle(file);
    ASSERT_EQ(FileBytes(file), before + 110); // the 55-word start group, no sample yet
    Tick += 10;                               // 1000 sample periods
    ASSERT_TRUE(Rig->PumpUntil([&] { return FileBytes(file) >= before + 110 + 2000; }, 3000));
    Rig->StopMeasurement();
    Settle(file);
    EXPECT_EQ(FileBytes(file) - before, 2118);

    std::vector<uint16_t> words = ReadWords(file);
    std::vector<uint16_t> added(words.begin() + before / 2, words.end());
    const uint16_t startGroup[][2] = {{1, 4}, {2, 6}, {3, 6}, {4, 4},  {5, 4},  {6, 4},
                                      {7, 4}, {8, 4}, {9, 4}, {10, 5}, {11, 5}, {12, 5}};
    size_t at = 0;
    for (auto &r : startGroup) {
        ASSERT_EQ(added[at], 0);
        ASSERT_EQ(added[at + 1], r[1]) << "record type " << r[0];
        ASSERT_EQ(added[at + 2], r[0]);
        at += r[1];
    }
    ASSERT_EQ(at, 55u);
    EXPECT_EQ(added[3], 1); // measurement started
    for (size_t i = 55; i < 1055; ++i)
        ASSERT_GE(added[i], 3) << "word " << i << " is not a sample pair";
    EXPECT_EQ(std::vector<uint16_t>(added.begin() + 1055, added.end()),
              (std::vector<uint16_t>{0, 4, 1, 0}));

    // The documented byte images of the rate and probe records.
    std::ifstream in(file, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(bytes.find(std::string("\x00\x00\x05\x00\x0A\x00\xA0\x86\x01\x00", 10)),
              std::string::npos);
    EXPECT_NE(bytes.find(std::string("\x00\x00\x04\x00\x04\x00\x02\x00", 8)), std::string::npos);
    // The file holds exactly what was displayed, each word as low byte, high byte.
    EXPECT_TRUE(EndsWith(Rig->Roll.Words(), words));
    EXPECT_EQ(static_cast<uint8_t>(bytes[before + 2 * 60]), added[60] & 0xFF);
    EXPECT_EQ(static_cast<uint8_t>(bytes[before + 2 * 60 + 1]), added[60] >> 8);
    EXPECT_EQ(Rig->Scope.FileSize(), static_cast<double>(FileBytes(file)));
}

TEST_F(DemoFlowTest, AppendingKeepsTheOldWordsAndDeletesTheIndexFile) {
    const std::string file = Rig->Path("old.rmd");
    {
        std::ofstream out(file, std::ios::binary);
        out.write("\x11\x22\x33\x44\x55\x66", 6);
        std::ofstream ind(Rig->Path("old.ind"));
        ind << "index";
    }
    Rig->Start();
    Rig->SaveTo("old.rmd");
    EXPECT_EQ(Rig->Scope.FileSize(), 6.0);
    EXPECT_EQ(FileBytes(Rig->Path("old.ind")), -1);
    Rig->StartMeasurement();
    Settle(file);
    Tick += 500;
    ASSERT_TRUE(Rig->PumpUntil([&] { return FileBytes(file) > 1000; }, 3000));
    Rig->Stop();
    std::vector<uint16_t> words = ReadWords(file);
    ASSERT_GT(words.size(), 500u);
    EXPECT_EQ(words[0], 0x2211);
    EXPECT_EQ(words[2], 0x6655);
    std::vector<uint16_t> added(words.begin() + 3, words.end());
    EXPECT_TRUE(EndsWith(Rig->Roll.Words(), added));
    EXPECT_EQ(std::vector<uint16_t>(words.end() - 4, words.end()),
              (std::vector<uint16_t>{0, 4, 1, 0}));
}

TEST_F(DemoFlowTest, ClearingWhileRecordingKeepsOnlyWhatFollows) {
    const std::string file = Rig->Path("clear.rmd");
    Rig->Start();
    Rig->SaveTo("clear.rmd");
    Rig->StartMeasurement();
    Settle(file);
    Tick += 3000;
    ASSERT_TRUE(Rig->PumpUntil([&] { return FileBytes(file) >= 6000; }, 3000));
    Rig->Scope.ClearRecordFile();
    EXPECT_LE(FileBytes(file), 0 + 2 * 65536);
    Tick += 1000;
    ASSERT_TRUE(Rig->PumpUntil([&] { return FileBytes(file) >= 2000; }, 3000));
    Rig->Stop();
    std::vector<uint16_t> words = ReadWords(file);
    EXPECT_LT(words.size(), 4000u);
    EXPECT_TRUE(EndsWith(Rig->Roll.Words(), words));
}

TEST_F(DemoFlowTest, FailedWriteIsReportedOnceAndSavingGoesOff) {
    const std::string file = Rig->Path("full.rmd");
    Rig->Scope.SetSMPSetting(13); // 1,000,000 samples per second
    // The demo clock moves 5 ms (5,000 samples) at every look of the test.
    auto feed = [&] { Tick += 5; };
    Rig->Start();
    Rig->SaveTo("full.rmd");
    Rig->Change([](TVirtualScopeVexaRM &) {});
    Settle(file);
    const int64_t before = FileBytes(file);

    // A file system that takes 100 kB more and then refuses.
    struct rlimit old {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = static_cast<rlim_t>(before + 100000);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    Rig->StartMeasurement();
    bool asked = Rig->PumpUntil(
        [&] {
            feed();
            return !Rig->Dialogs.Texts().empty();
        },
        10000);
    // The flow goes on, and nothing more is reported.
    const size_t atReport = Rig->Roll.WordCount();
    EXPECT_TRUE(Rig->PumpUntil(
        [&] {
            feed();
            return Rig->Roll.WordCount() > atReport + 200000;
        },
        10000));
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    ASSERT_TRUE(asked);

    // A slow machine may also drop demo backlog, which is told as a warning;
    // the write failure is told once.
    std::vector<ScriptedDialogs::Question> questions;
    for (const auto &q : Rig->Dialogs.Questions())
        if (q.style != DialogStyle::Warning) questions.push_back(q);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].style, DialogStyle::Error);
    EXPECT_EQ(questions[0].text, TResourceStringsVexaRM::RecordWriteFailed(file));
    EXPECT_FALSE(Rig->Scope.SavingActivated());
    EXPECT_GE(Rig->Panel.Count[kNotifySettingsChanged].load(), 1);
    EXPECT_TRUE(Rig->Scope.MeasurementStarted());
    size_t shown = Rig->Roll.WordCount();
    EXPECT_TRUE(Rig->PumpUntil(
        [&] {
            feed();
            return Rig->Roll.WordCount() > shown;
        },
        10000))
        << "the display stopped";

    // Everything written before the failure is intact: whole words, in order.
    const int64_t size = FileBytes(file);
    EXPECT_LE(size, before + 100000);
    EXPECT_EQ(size % 2, 0);
    std::vector<uint16_t> words = ReadWords(file);
    std::vector<uint16_t> shownWords = Rig->Roll.Words();
    std::vector<uint16_t> recorded(words.begin() + before / 2, words.end());
    auto it = std::search(shownWords.begin(), shownWords.end(), recorded.begin(), recorded.end());
    EXPECT_NE(it, shownWords.end());
}

// The demo source drops a backlog it cannot deliver in one block (the
// program was not running for a while): the stream marks the gap with its
// size, and the operator hears of it once.
TEST_F(DemoFlowTest, ADroppedBacklogIsMarkedWithItsSize) {
    const std::string file = Rig->Path("gap.rmd");
    Rig->Start();
    Rig->SaveTo("gap.rmd");
    Rig->StartMeasurement();
    Settle(file);
    Tick += 50; // 50 samples
    Settle(file);
    Tick += 70000; // 70,000 samples due at once: more than one block
    Settle(file);
    Tick += 20; // and the recording goes on
    Settle(file);
    Tick += 90000;
    Settle(file);
    Rig->StopMeasurement();
    Settle(file);
    ASSERT_EQ(Rig->Dialogs.Questions().size(), 1u);
    EXPECT_EQ(Rig->Dialogs.Questions()[0].text, TResourceStringsVexaRM::SamplesLost(70000, 1000));
    std::vector<StreamRecord> records;
    std::vector<uint16_t> samples;
    SplitStream(ReadWords(file), records, samples);
    EXPECT_EQ(samples.size(), 70u);
    std::vector<std::vector<uint16_t>> gaps;
    for (const StreamRecord &r : records)
        if (r.Type == kRecLostSamples) gaps.push_back(r.Payload);
    const std::vector<std::vector<uint16_t>> want = {{70000 & 0xFFFF, 70000 >> 16, 0, 0, 0},
                                                     {90000 & 0xFFFF, 90000 >> 16, 0, 0, 0}};
    EXPECT_EQ(gaps, want);
    // Each stands where its samples are missing: after the first 50, after 20 more.
    std::vector<size_t> positions;
    for (const StreamRecord &r : records)
        if (r.Type == kRecLostSamples) positions.push_back(r.At);
    ASSERT_EQ(positions.size(), 2u);
    const std::vector<uint16_t> words = ReadWords(file);
    auto samplesBefore = [&](size_t pos) {
        std::vector<StreamRecord> rr;
        std::vector<uint16_t> ss;
        SplitStream(std::vector<uint16_t>(words.begin(), words.begin() + pos), rr, ss);
        return ss.size();
    };
    EXPECT_EQ(samplesBefore(positions[0]), 50u);
    EXPECT_EQ(samplesBefore(positions[1]), 70u);
}

TEST_F(DemoFlowTest, DisplaySwitchAndDisplayOffRouteBlocksWithoutLoss) {
    Rig->Scope.SetModeEKG(true);
    Rig->Scope.SetBoostThread(true);
    const std::string file = Rig->Path("sw.rmd");
    Rig->Scope.SetDisplayActive(true);
    Rig->Start();
    EXPECT_TRUE(Rig->Ekg.Shown);
    EXPECT_FALSE(Rig->Roll.Shown);
    EXPECT_EQ(Rig->Roll.Resets, 1);
    EXPECT_EQ(Rig->Ekg.Resets, 1);
    EXPECT_TRUE(Rig->Flow.AcquisitionThread()->Boosted());
    EXPECT_TRUE(Rig->Flow.ProcessingThread()->Boosted());
    Rig->SaveTo("sw.rmd");
    Rig->StartMeasurement();
    Settle(file);
    Tick += 700;
    ASSERT_TRUE(Rig->PumpUntil([&] { return Rig->Ekg.WordCount() > 700; }, 3000));
    Rig->Scope.Notify(kNotifyRollModeSelected, kGroupMainWindow);
    EXPECT_TRUE(Rig->Roll.Shown);
    EXPECT_FALSE(Rig->Ekg.Shown);
    Tick += 700;
    ASSERT_TRUE(Rig->PumpUntil([&] { return Rig->Roll.WordCount() >= 700; }, 3000));

    // Display off: the caption shows, the traces are erased once, the file grows.
    Rig->Change([](TVirtualScopeVexaRM &s) {
        s.SetDisplayActive(false);
        s.SetBoostThread(false);
    });
    EXPECT_TRUE(Rig->Caption.Shown);
    EXPECT_FALSE(Rig->Roll.Shown);
    EXPECT_EQ(Rig->Roll.Clears, 1);
    EXPECT_FALSE(Rig->Scope.ClearScreenRequested());
    EXPECT_FALSE(Rig->Flow.AcquisitionThread()->Boosted());
    // A switch while the display is off keeps the caption up.
    Rig->Scope.Notify(kNotifyEkgModeSelected, kGroupMainWindow);
    EXPECT_FALSE(Rig->Ekg.Shown);
    EXPECT_TRUE(Rig->Caption.Shown);
    Rig->Scope.Notify(kNotifyRollModeSelected, kGroupMainWindow);
    EXPECT_FALSE(Rig->Roll.Shown);
    int64_t size = FileBytes(file);
    Tick += 700;
    ASSERT_TRUE(Rig->PumpUntil([&] { return FileBytes(file) >= size + 1400; }, 3000));
    Rig->Change([](TVirtualScopeVexaRM &s) { s.SetDisplayActive(true); });
    EXPECT_FALSE(Rig->Caption.Shown);
    EXPECT_TRUE(Rig->Roll.Shown);
    EXPECT_EQ(Rig->Roll.Clears, 1);
    Rig->Stop();

    // The two displays together saw the stream once; the file is its tail.
    std::vector<uint16_t> seen = Rig->Ekg.Words();
    std::vector<uint16_t> roll = Rig->Roll.Words();
    seen.insert(seen.end(), roll.begin(), roll.end());
    std::vector<uint16_t> words = ReadWords(file);
    ASSERT_GT(words.size(), 2100u);
    EXPECT_TRUE(EndsWith(seen, words));
}

TEST_F(DemoFlowTest, DefinedLengthEndsOnTheLimitAndShowsTheStop) {
    const std::string file = Rig->Path("len.rmd");
    Rig->Start();
    Rig->SaveTo("len.rmd");
    Rig->Change([](TVirtualScopeVexaRM &s) {
        s.SetMeasurementDefined(true);
        s.SetMeasurementLength(2500); // 2.5 s at 1000 samples per second
    });
    Settle(file);
    const int64_t before = FileBytes(file);
    const int notified = Rig->Panel.Count[kNotifySettingsChanged];
    Rig->StartMeasurement();
    Settle(file);
    EXPECT_EQ(Rig->Arm.Color, TAcquisitionThreadRM::kLampGreen);
    EXPECT_EQ(Rig->Trigger.Color, TAcquisitionThreadRM::kLampGreen);
    Tick += 2000;
    ASSERT_TRUE(Rig->PumpUntil([&] { return FileBytes(file) >= before + 110 + 4000; }, 3000));
    EXPECT_TRUE(Rig->Scope.MeasurementStarted());
    Tick += 1000; // 3,000 periods due: the measurement ends on its 2,500th
    ASSERT_TRUE(Rig->PumpUntil([&] { return !Rig->Scope.MeasurementStarted(); }, 3000));
    Settle(file);
    Tick += 1000; // nothing more is read
    Settle(file);

    std::vector<uint16_t> words = ReadWords(file);
    std::vector<uint16_t> added(words.begin() + before / 2, words.end());
    ASSERT_EQ(added.size(), 55u + 2500u + 4u);
    EXPECT_EQ(std::vector<uint16_t>(added.end() - 4, added.end()),
              (std::vector<uint16_t>{0, 4, 1, 0}));
    EXPECT_EQ(Rig->Arm.Color, TAcquisitionThreadRM::kLampRed);
    EXPECT_EQ(Rig->Trigger.Color, TAcquisitionThreadRM::kLampRed);
    // The front panel heard of the stop from the data flow.
    EXPECT_GT(Rig->Panel.Count[kNotifySettingsChanged].load(), notified + 1);

    // Below one second the milliseconds count as well.
    Rig->Change([](TVirtualScopeVexaRM &s) {
        s.SetMeasurementLength(250);
        s.SetMeasurementStarted(true);
    });
    Settle(file);
    EXPECT_TRUE(Rig->Scope.MeasurementStarted());
    Tick += 400;
    ASSERT_TRUE(Rig->PumpUntil([&] { return !Rig->Scope.MeasurementStarted(); }, 3000));
    Settle(file);
    words = ReadWords(file);
    std::vector<uint16_t> second(words.begin() + before / 2 + added.size(), words.end());
    EXPECT_EQ(second.size(), 55u + 250u + 4u);
}

TEST_F(DemoFlowTest, DetachWithoutStartOnlyDetaches) {
    Rig->Scope.SetNotifyEnabled(true);
    Rig->Scope.Notify(kNotifyPreInitialize, kGroupSystem);
    EXPECT_FALSE(Rig->Roll.Shown);
    Rig->Scope.Notify(kNotifyDetach, kGroupSystem);
    EXPECT_EQ(Rig->Flow.VirtualScope(), nullptr);
    EXPECT_EQ(Rig->Ring->VirtualScope(), nullptr);
    EXPECT_EQ(Rig->Flow.AcquisitionThread(), nullptr);
    ASSERT_EQ(Rig->Scope.Listeners().size(), 0u);
    Rig->Stopped = true;
}

} // namespace
} // namespace vexa::test
