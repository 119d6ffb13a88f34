// Settings mirrored by the virtual driver: the command each setter sends (as
// logged by the scripted stand-in library) and the setting records it adds
// to the word stream.
#include "device/VirtualDriverVexaRM.h"

#include "tests/support/TestSupport.h"

#include "common/ScopeConstsVexaRM.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace vexa {
namespace {

using Words = std::vector<uint16_t>;

class VirtualDriverSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        Dir = test::MakeTempDir("vexa_device_");
        ASSERT_FALSE(Dir.empty());
        LogPath = Dir + "/calls.log";
        setenv("VEXA_TEST_DRIVER_LOG", LogPath.c_str(), 1);
        unsetenv("VEXA_TEST_DRIVER_SERIAL");
        unsetenv("VEXA_TEST_DRIVER_RAISE");
        unsetenv("VEXA_TEST_DRIVER_IDLE");
        setenv("VEXA_TEST_DRIVER_RESULTS", "0", 1);
        Driver.SetDialogs(&Dialogs);
        Driver.SetLibraryFolder(test::BinDir());
        Driver.SetLibraryName("libvexatestdrv_full.so");
        ASSERT_TRUE(Driver.InitializeDriver());
        ASSERT_TRUE(Driver.DeviceInitialized());
        Mark();
    }
    void TearDown() override {
        Driver.UnloadLibrary();
        std::remove(LogPath.c_str());
        rmdir(Dir.c_str());
        unsetenv("VEXA_TEST_DRIVER_LOG");
        unsetenv("VEXA_TEST_DRIVER_RESULTS");
    }
    std::vector<std::string> AllCalls() const {
        std::vector<std::string> lines;
        std::ifstream in(LogPath);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }
    void Mark() { Seen = AllCalls().size(); }
    // The commands sent since the last look.
    std::vector<std::string> NewCalls() {
        auto all = AllCalls();
        std::vector<std::string> fresh(all.begin() + static_cast<long>(Seen), all.end());
        Seen = all.size();
        return fresh;
    }
    Words Drain() {
        Words w(65536, 0xFFFF);
        int32_t n = -1;
        Driver.DrainRecords(w.data(), n);
        w.resize(static_cast<size_t>(n));
        return w;
    }

    std::string Dir, LogPath;
    size_t Seen = 0;
    test::ScriptedDialogs Dialogs;
    TVirtualDriverVexaRM Driver;
};

using Calls = std::vector<std::string>;

TEST_F(VirtualDriverSettingsTest, EachSetterSendsItsCommandOnceForAChange) {
    struct Case {
        const char *name;
        std::function<void()> set;
        Calls expected;
        // Sets the value now held again (levels are held rounded).
        std::function<void()> again = nullptr;
    };
    TVirtualDriverVexaRM &d = Driver;
    const Case cases[] = {
        {"ARMSourceA", [&] { d.SetARMSourceA(true); }, {"24 1"}},
        {"ARMSourceB", [&] { d.SetARMSourceB(true); }, {"25 1"}},
        {"ARMSourceExternal", [&] { d.SetARMSourceExternal(true); }, {"26 1"}},
        {"ARMLevelA", [&] { d.SetARMLevelA(12.5); }, {"27 12"}, [&] { d.SetARMLevelA(12); }},
        {"ARMLevelB", [&] { d.SetARMLevelB(-3.5); }, {"28 -4"}, [&] { d.SetARMLevelB(-4); }},
        {"ARMUnderA", [&] { d.SetARMUnderA(true); }, {"29 1"}},
        {"ARMUnderB", [&] { d.SetARMUnderB(true); }, {"30 1"}},
        {"ARMUnderExternal", [&] { d.SetARMUnderExternal(true); }, {"31 1"}},
        {"TriggerSourceA", [&] { d.SetTriggerSourceA(true); }, {"16 1"}},
        {"TriggerSourceB", [&] { d.SetTriggerSourceB(true); }, {"17 1"}},
        {"TriggerLevelA",
         [&] { d.SetTriggerLevelA(2.5); },
         {"19 2"},
         [&] { d.SetTriggerLevelA(2); }},
        {"TriggerLevelB",
         [&] { d.SetTriggerLevelB(-7.6); },
         {"20 -8"},
         [&] { d.SetTriggerLevelB(-8); }},
        {"TriggerUnderA", [&] { d.SetTriggerUnderA(true); }, {"21 1"}},
        {"TriggerUnderB", [&] { d.SetTriggerUnderB(true); }, {"22 1"}},
        {"TriggerRelation", [&] { d.SetTriggerRelation(true); }, {"34 1"}},
        {"RecordFree", [&] { d.SetRecordFree(true); }, {"33 1"}},
        {"SMPSetting", [&] { d.SetSMPSetting(10); }, {"15 5"}},
        {"SourceACDC_A", [&] { d.SetSourceACDC_A(true); }, {"6 1"}},
        {"SourceACDC_B", [&] { d.SetSourceACDC_B(true); }, {"7 1"}},
        {"SourceProbeA", [&] { d.SetSourceProbeA(2); }, {"4 2"}},
        {"SourceProbeB", [&] { d.SetSourceProbeB(3); }, {"5 3"}},
        {"GroundA", [&] { d.SetGroundA(true); }, {"8 1"}},
        {"GroundB", [&] { d.SetGroundB(true); }, {"9 1"}},
        {"VerticalLevelChannelA", [&] { d.SetVerticalLevelChannelA(0); }, {"12 4095"}},
        {"VerticalLevelChannelB", [&] { d.SetVerticalLevelChannelB(4000); }, {"13 95"}},
        // Range without the probe factor (5000 mV/div at 1:10 on A, 500000
        // at 1:100 on B); the level follows the position the device answers
        // (1000 + range from the stand-in library).
        {"DensityChannelA", [&] { d.SetDensityChannelA(6); }, {"10 500", "12 1500"}},
        {"DensityChannelB", [&] { d.SetDensityChannelB(9); }, {"11 5000", "13 6000"}},
        {"MeasurementStarted", [&] { d.SetMeasurementStarted(true); }, {"32 1"}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        c.set();
        EXPECT_EQ(NewCalls(), c.expected);
        // Unchanged: nothing is sent.
        (c.again ? c.again : c.set)();
        EXPECT_EQ(NewCalls(), Calls{});
    }
    // Switching back sends the value 0.
    d.SetGroundA(false);
    d.SetRecordFree(false);
    d.SetMeasurementStarted(false);
    EXPECT_EQ(NewCalls(), (Calls{"8 0", "33 0", "32 0"}));
    EXPECT_TRUE(d.RecordTriggered());
    // Plain properties and the demo parameters send nothing.
    d.SetMeasurementLength(5000);
    d.SetMeasurementDefined(true);
    d.SetStatusChannelA(true);
    d.SetPeriodA(10);
    d.SetAmplitudeB(10);
    d.SetNoiseA(3);
    d.SetDSPSetting(7);
    EXPECT_EQ(d.DSPSetting(), 0);
    EXPECT_EQ(NewCalls(), Calls{});
    EXPECT_EQ(d.ZeroChannelA(), 3000); // the result of kCmdPositionA (2 x position here)
}

TEST_F(VirtualDriverSettingsTest, ForcedSettingsAreSentAgainButAStartIsNot) {
    uint16_t level = 2047;
    auto applyAll = [this, &level] {
        Driver.SetRecordFree(true);
        Driver.SetMeasurementStarted(true);
        Driver.SetTriggerSourceA(true);
        Driver.SetTriggerLevelA(100);
        Driver.SetARMSourceExternal(false);
        Driver.SetARMLevelB(-20);
        Driver.SetSMPSetting(4);
        Driver.SetSourceProbeA(1);
        Driver.SetVerticalLevelChannelA(level);
        Driver.SetDensityChannelA(5);
        Driver.SetSourceACDC_B(false);
        Driver.SetGroundB(false);
    };
    applyAll();
    const Calls first = NewCalls();
    // ARMSourceExternal, SourceACDC_B and GroundB were false already.
    EXPECT_EQ(first.size(), 10u);
    // The data flow takes over the level the range change set back.
    ASSERT_TRUE(Driver.SetBackRequested());
    level = static_cast<uint16_t>(4095 - Driver.VerticalLevelChannelA());
    applyAll();
    EXPECT_EQ(NewCalls(), Calls{});
    Drain();

    Driver.SetForceSettings(true);
    applyAll();
    const Calls forced = NewCalls();
    const Calls expected = {"33 1", "16 1",    "19 100", "26 0",    "28 -20", "15 11",
                            "4 1",  "12 1200", "10 200", "12 1200", "7 0",    "9 0"};
    EXPECT_EQ(forced, expected);
    // The forced pass also writes the records of the values it re-sent.
    const Words records = Drain();
    const Words expectedRecords = {0, 5, 10, 1000, 0,       // rate 1000
                                   0, 4, 4,  1,             // probe A 1:1
                                   0, 6, 2,  1200, 2400, 0, // level sent again after the range
                                   0, 5, 11, 200,  0,       // deflection A
                                   0, 4, 7,  0,             // coupling B
                                   0, 4, 9,  0};            // ground B
    EXPECT_EQ(records, expectedRecords);
}

TEST_F(VirtualDriverSettingsTest, RecordsCarryTheExactWords) {
    Driver.SetSourceProbeA(2);
    Driver.SetSMPSetting(10);
    Driver.SetSourceACDC_A(true);
    Driver.SetGroundB(true);
    Driver.SetTriggerSourceA(true);                     // no record
    Driver.SetVerticalLevelChannelA(100);               // no record without SettingsToFile
    EXPECT_EQ(Drain(), (Words{0, 4, 4, 2,               // probe A 1:10
                              0, 5, 10, 0x86A0, 0x0001, // 100,000 samples/s
                              0, 4, 6, 1,               // coupling A
                              0, 4, 9, 1}));            // ground B
    EXPECT_EQ(Drain(), Words{});

    // With SettingsToFile every mirroring of a level is recorded, changed or not.
    Driver.SetSettingsToFile(true);
    Driver.SetVerticalLevelChannelA(100);
    Driver.SetVerticalLevelChannelA(100);
    EXPECT_EQ(Drain(), (Words{0, 6, 2, 3995, 7990, 0, 0, 6, 2, 3995, 7990, 0}));
    Driver.SetSettingsToFile(false);

    // A range change with a calibrated device sets the level back.
    Driver.SetDensityChannelB(7); // probe B 0 -> deflection 1, range 1
    EXPECT_TRUE(Driver.SetBackRequested());
    EXPECT_FALSE(Driver.SettingsToFile());
    EXPECT_EQ(Driver.VerticalLevelChannelB(), 1001);
    EXPECT_EQ(Drain(), (Words{0, 6, 3, 1001, 2002, 0, 0, 5, 12, 1, 0}));
}

TEST_F(VirtualDriverSettingsTest, StartRecordIsFollowedByTheFullSnapshot) {
    Driver.SetVerticalLevelChannelA(2047); // stored 2048, zero 4096
    Driver.SetVerticalLevelChannelB(1000); // stored 3095, zero 6190
    Driver.SetSourceProbeA(4);
    Driver.SetSourceProbeB(2);
    Driver.SetSourceACDC_A(true);
    Driver.SetGroundB(true);
    Driver.SetSMPSetting(15);
    Driver.SetDensityChannelA(9); // 5,000,000 mV/div at 1:1000
    Driver.SetDensityChannelB(2); // 200 mV/div at 1:10
    Drain();

    Driver.SetMeasurementStarted(true);
    const Words w = Drain();
    ASSERT_EQ(w.size(), 55u);
    const Words start = {0, 4, 1, 1};
    EXPECT_EQ(Words(w.begin(), w.begin() + 4), start);
    const uint16_t levelA = Driver.VerticalLevelChannelA();
    const uint16_t zeroA = static_cast<uint16_t>(Driver.ZeroChannelA());
    const uint16_t levelB = Driver.VerticalLevelChannelB();
    const uint16_t zeroB = static_cast<uint16_t>(Driver.ZeroChannelB());
    const Words snapshot = {0, 6, 2,  levelA, zeroA,  0, // level A
                            0, 6, 3,  levelB, zeroB,  0, // level B
                            0, 4, 4,  4,                 // probe A
                            0, 4, 5,  2,                 // probe B
                            0, 4, 6,  1,                 // coupling A
                            0, 4, 7,  0,                 // coupling B
                            0, 4, 8,  0,                 // ground A
                            0, 4, 9,  1,                 // ground B
                            0, 5, 10, 0x4B40, 0x004C,    // 5,000,000 samples/s
                            0, 5, 11, 0x4B40, 0x004C,    // 5,000,000 mV/div
                            0, 5, 12, 200,    0};        // 200 mV/div
    EXPECT_EQ(snapshot.size(), 51u);
    EXPECT_EQ(Words(w.begin() + 4, w.end()), snapshot);
    // The zero codes are the device's answers, low 16 bits.
    EXPECT_EQ(zeroA, static_cast<uint16_t>(2 * (1000 + 5000)));

    // A second start, even forced, does nothing; a stop is one record.
    Driver.SetForceSettings(true);
    Mark();
    Driver.SetMeasurementStarted(true);
    EXPECT_EQ(Drain(), Words{});
    EXPECT_EQ(NewCalls(), Calls{});
    Driver.SetMeasurementStarted(false);
    EXPECT_EQ(Drain(), (Words{0, 4, 1, 0}));
}

TEST_F(VirtualDriverSettingsTest, RecordBufferKeepsWholeRecordsAndEmptiesToZero) {
    Driver.SetForceSettings(true);
    for (int i = 0; i < 400; ++i)
        Driver.SetGroundA(i & 1);
    EXPECT_EQ(Driver.RecordLength(), 1024); // 256 records of 4 words; the next does not fit
    Words w = Drain();
    for (size_t i = 0; i < w.size(); i += 4)
        ASSERT_EQ(w[i + 1], 4);
    // After clearing, a shorter record leaves no trace of the longer ones.
    Driver.SetSMPSetting(0);
    Driver.ClearRecords();
    Driver.SetGroundB(true);
    EXPECT_EQ(Drain(), (Words{0, 4, 9, 1}));
}

TEST_F(VirtualDriverSettingsTest, RateChangeRescalesTheDefinedLength) {
    Driver.SetSMPSetting(10);
    Driver.SetMeasurementLength(10999); // milliseconds count
    EXPECT_EQ(Driver.SampleLimit(), 1099900);
    Driver.SetSampleCount(1000);
    Driver.SetSMPSetting(11);
    EXPECT_EQ(Driver.SampleCount(), 2500);
    EXPECT_EQ(Driver.SampleLimit(), 2749750);
    Driver.SetSMPSetting(0); // 50 per second: whole periods only
    EXPECT_EQ(Driver.SampleLimit(), 549);
    Driver.SetMeasurementLength(0xFFFFFFFFu); // the longest length does not overflow
    EXPECT_EQ(Driver.SampleLimit(), 214748364);
    Driver.SetSMPSetting(11);
    // Large counts do not overflow on the way.
    Driver.SetSMPSetting(15);
    Driver.SetSampleCount(4000000000000LL);
    Driver.SetSMPSetting(14);
    EXPECT_EQ(Driver.SampleCount(), 2000000000000LL);
    // An index outside the table goes to its nearer end.
    Mark();
    Driver.SetSMPSetting(99);
    EXPECT_EQ(Driver.SMPSetting(), 15);
    Driver.SetSMPSetting(-3);
    EXPECT_EQ(Driver.SMPSetting(), 0);
    EXPECT_EQ(NewCalls(), (Calls{"15 0", "15 15"}));
    EXPECT_EQ(Driver.SamplingRate(), 50);
}

TEST_F(VirtualDriverSettingsTest, DemoModeSendsNothing) {
    Driver.UnloadLibrary();
    setenv("VEXA_TEST_DRIVER_RESULTS", "1", 1); // transport missing: demo
    ASSERT_TRUE(Driver.InitializeDriver());
    ASSERT_TRUE(Driver.DemoMode());
    Mark();
    Driver.SetForceSettings(true);
    Driver.SetSourceProbeA(2);
    Driver.SetDensityChannelA(3);
    Driver.SetVerticalLevelChannelA(0);
    Driver.SetSMPSetting(4);
    Driver.SetTriggerLevelA(10);
    Driver.SetMeasurementStarted(true);
    EXPECT_EQ(NewCalls(), Calls{});
    // The range is stored but neither recorded nor sent in demo mode.
    EXPECT_EQ(Driver.DensityChannelA(), 3);
    EXPECT_EQ(Driver.VerticalLevelChannelA(), 4095);
    const Words w = Drain();
    EXPECT_EQ(Words(w.begin(), w.begin() + 9), (Words{0, 4, 4, 2, 0, 5, 10, 1000, 0}));
    EXPECT_EQ(w.size(), 9u + 55u);

    // Blocks come from the demo source: at 1000 samples/s, 3 ms give 3.
    uint32_t tick = 50;
    Driver.DemoSource().SetTickSource([&tick] { return tick; });
    Driver.DemoSource().Restart();
    tick += 3;
    Words block(65536, 0);
    int32_t count = 0;
    EXPECT_EQ(Driver.ReadBlock(block.data(), count), kStatusSatisfiedBoth);
    EXPECT_EQ(count, 3);
    EXPECT_EQ(NewCalls(), Calls{});
}

TEST_F(VirtualDriverSettingsTest, DemoZeroLevelIsWhereTheDemoSourcePutsZeroVolts) {
    Driver.UnloadLibrary();
    setenv("VEXA_TEST_DRIVER_RESULTS", "1", 1); // transport missing: demo
    ASSERT_TRUE(Driver.InitializeDriver());
    ASSERT_TRUE(Driver.DemoMode());
    Driver.SetAmplitudeA(0);
    Driver.SetNoiseA(0);
    Driver.SetAmplitudeB(0);
    Driver.SetNoiseB(0);
    Driver.SetSMPSetting(4);
    Driver.SetVerticalLevelChannelA(2047);
    Driver.SetVerticalLevelChannelB(1433);
    // The zero levels follow the demo source, so readouts and level records
    // of a recorded demo file tell true voltages.
    EXPECT_EQ(Driver.ZeroChannelA(), 128);
    EXPECT_EQ(Driver.ZeroChannelB(), 640 - (1434 / 4));
    Driver.SetSettingsToFile(true);
    Driver.SetVerticalLevelChannelA(1023);
    const Words w = Drain();
    ASSERT_GE(w.size(), 6u);
    EXPECT_EQ(Words(w.end() - 6, w.end()), (Words{0, 6, 2, 4095 - 1023, 640 - 256, 0}));

    Driver.SetVerticalLevelChannelA(2047);
    uint32_t tick = 10;
    Driver.DemoSource().SetTickSource([&tick] { return tick; });
    Driver.SetMeasurementStarted(true);
    tick += 5;
    Words block(65536, 0);
    int32_t count = 0;
    EXPECT_EQ(Driver.ReadBlock(block.data(), count), kStatusSatisfiedBoth);
    ASSERT_EQ(count, 5);
    for (int i = 0; i < count; ++i) {
        EXPECT_EQ(block[i] & 0xFF, 128); // 0 V sits at the zero level
        EXPECT_EQ(block[i] >> 8, 255);   // zero 282 lies above the codes
    }
}

TEST(VirtualDriverDeflectionTest, ProbeTimesRangeOrOne) {
    TVirtualDriverVexaRM d;
    const int32_t ranges[] = {10, 20, 50, 100, 200, 500, 1000, 2000, 5000};
    const int32_t factors[] = {1, 10, 100, 1000};
    for (int probe = 1; probe <= 4; ++probe)
        for (int density = 1; density <= 9; ++density) {
            d.SetSourceProbeB(probe);
            d.SetDensityChannelB(static_cast<uint16_t>(density));
            EXPECT_EQ(d.DeflectionFactor(200), ranges[density - 1] * factors[probe - 1]);
        }
    d.SetSourceProbeA(5);
    d.SetDensityChannelA(3);
    EXPECT_EQ(d.DeflectionFactor(100), 1);
    d.SetSourceProbeA(1);
    d.SetDensityChannelA(10);
    EXPECT_EQ(d.DeflectionFactor(100), 1);
    EXPECT_EQ(d.DeflectionFactor(150), 1);
}

} // namespace
} // namespace vexa
