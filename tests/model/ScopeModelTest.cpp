// Setters, clamping, derived values and status rules of the scope model.
#include "tests/support/TestSupport.h"
#include "model/VirtualScopeVexaRM.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <random>
#include <thread>

using namespace vexa;
using vexa::test::RecordingReadout;

namespace {

struct StoredScope : ::testing::Test {
    StoredScope() { scope.ApplyStoredValues(); }
    TVirtualScopeVexaRM scope;
};

} // namespace

TEST(ScopeModel, ConstructionStartsEverythingAtZero) {
    TVirtualScopeVexaRM s;
    EXPECT_EQ(s.DensityChannelA(), 0);
    EXPECT_EQ(s.VerticalLevelChannelB(), 0);
    EXPECT_FALSE(s.ModeEKG());
    EXPECT_EQ(s.SMPSetting(), 0);
    EXPECT_EQ(s.ActualOutputStream(), nullptr);
    EXPECT_EQ(s.VirtualDriver(), nullptr);
    EXPECT_EQ(s.GetRecordFileName(), "");
    EXPECT_FALSE(s.NotifyEnabled());
    EXPECT_TRUE(s.Listeners().empty());
    for (int i = 0; i < kDeviceDescriptionSize; ++i)
        ASSERT_EQ(s.DeviceDescription()[i], 0) << i;
}

TEST_F(StoredScope, StoredValuesInStoredOrder) {
    // The scaled-level rows come after the vertical levels and move them.
    EXPECT_EQ(scope.VerticalLevelChannelA(), 1433);
    EXPECT_EQ(scope.VerticalLevelChannelB(), 1515);
    EXPECT_EQ(scope.DensityChannelA(), 7);
    EXPECT_EQ(scope.DensityChannelB(), 7);
    EXPECT_EQ(scope.ColorChannelA(), 4259584u);
    EXPECT_EQ(scope.ColorChannelB(), 0x00FFFFu);
    EXPECT_EQ(scope.RealGridColor(), 0xB8B8B8u);
    EXPECT_DOUBLE_EQ(scope.TriggerLevelA(), 200);
    EXPECT_DOUBLE_EQ(scope.TriggerLevelB(), 2000);
    EXPECT_EQ(scope.SMPSetting(), 10);
    EXPECT_EQ(scope.DSPSetting(), 3);
    EXPECT_EQ(scope.MeasurementLength(), 5000u);
    EXPECT_TRUE(scope.RecordFree());
    EXPECT_FALSE(scope.RecordTriggered());
    EXPECT_TRUE(scope.SettingsToFile());
    EXPECT_EQ(scope.PeriodB(), 2000);
    EXPECT_EQ(scope.AmplitudeA(), 3000);
    EXPECT_TRUE(scope.ModeLine() && scope.ModeEKG() && scope.Grid() && scope.DisplayActive());
    EXPECT_TRUE(scope.MakeMaximum() && scope.MakeMinimum() && !scope.MakeAvg());
    EXPECT_FALSE(scope.ClearScreenRequested());
    EXPECT_FALSE(scope.ApplicationInitialized());
    EXPECT_EQ(scope.GridBrightness(), 72);
}

TEST_F(StoredScope, DensityIsClampedToTheRangeTable) {
    scope.SetDensityChannelA(0);
    EXPECT_EQ(scope.DensityChannelA(), 1);
    scope.SetDensityChannelA(12);
    EXPECT_EQ(scope.DensityChannelA(), 9);
    scope.SetDensityChannelB(-3);
    EXPECT_EQ(scope.DensityChannelB(), 1);
    scope.SetDensityChannelB(5);
    EXPECT_EQ(scope.DensityChannelB(), 5);
}

TEST_F(StoredScope, VerticalLevelOutsideTheCodeRangeIsIgnored) {
    scope.SetVerticalLevelChannelB(1000);
    scope.SetVerticalLevelChannelB(0);
    EXPECT_EQ(scope.VerticalLevelChannelB(), 1000);
    scope.SetVerticalLevelChannelB(4096);
    EXPECT_EQ(scope.VerticalLevelChannelB(), 1000);
    scope.SetVerticalLevelChannelB(4095);
    EXPECT_EQ(scope.VerticalLevelChannelB(), 4095);
    scope.SetVerticalLevelChannelA(1);
    EXPECT_EQ(scope.VerticalLevelChannelA(), 1);
}

TEST_F(StoredScope, ScaledLevelTruncatesBothWays) {
    scope.SetMaxChannelA(100);
    scope.SetScaledLevelChannelA(35);
    EXPECT_EQ(scope.VerticalLevelChannelA(), 1433);
    EXPECT_EQ(scope.ScaledLevelChannelA(), 34);
    scope.SetScaledLevelChannelA(100);
    EXPECT_EQ(scope.VerticalLevelChannelA(), 4095);
    scope.SetScaledLevelChannelA(101); // beyond the slide: nothing
    scope.SetScaledLevelChannelA(-1);
    EXPECT_EQ(scope.VerticalLevelChannelA(), 4095);
    scope.SetScaledLevelChannelA(0);
    EXPECT_EQ(scope.VerticalLevelChannelA(), 0);
    scope.SetMaxChannelB(0); // no slide: writes change nothing, reads give 0
    const uint16_t before = scope.VerticalLevelChannelB();
    scope.SetScaledLevelChannelB(0);
    EXPECT_EQ(scope.VerticalLevelChannelB(), before);
    EXPECT_EQ(scope.ScaledLevelChannelB(), 0);
}

TEST_F(StoredScope, RateCouplingKeepsFiftySamplesPerDivision) {
    scope.SetDSPSetting(1);
    scope.SetSMPSetting(0);
    EXPECT_EQ(scope.DSPSetting(), 3);
    scope.SetDSPSetting(2);
    EXPECT_EQ(scope.SMPSetting(), 1);
    scope.SetSMPSetting(5);
    EXPECT_EQ(scope.DSPSetting(), 2);
    scope.SetDSPSetting(0);
    EXPECT_EQ(scope.SMPSetting(), 5); // already enough samples
    scope.SetSMPSetting(1);
    EXPECT_EQ(scope.DSPSetting(), 2);
    scope.SetSMPSetting(2);
    scope.SetDSPSetting(0);
    EXPECT_EQ(scope.SMPSetting(), 3);
    // Every reachable pair keeps s + d >= 3 when either is below 3.
    for (int s = 0; s < kSmpSettingCount; ++s)
        for (int d = 0; d < kDspSettingCount; ++d) {
            scope.SetDSPSetting(d);
            scope.SetSMPSetting(s);
            EXPECT_GE(scope.SMPSetting() + scope.DSPSetting(), 3) << s << "," << d;
            scope.SetDSPSetting(d);
            EXPECT_GE(scope.SMPSetting() + scope.DSPSetting(), 3) << s << "," << d;
        }
}

TEST_F(StoredScope, MeasurementAndStatusRules) {
    scope.SetDataAcquisitionStatus(0x21); // no measurement: ignored
    EXPECT_EQ(scope.DataAcquisitionStatus(), 0);
    EXPECT_EQ(scope.TriggerLEDStatus(), 0);

    scope.SetMeasurementStarted(true);
    EXPECT_EQ(scope.CachedDataStatus(), 17);
    scope.SetDataAcquisitionStatus(0x21);
    EXPECT_EQ(scope.DataAcquisitionStatus(), 0x21);
    EXPECT_EQ(scope.TriggerLEDStatus(), 1);
    EXPECT_EQ(scope.ARMLEDStatus(), 2);

    scope.SetDataAcquisitionStatus(0); // ends the measurement
    EXPECT_FALSE(scope.MeasurementStarted());
    EXPECT_EQ(scope.TriggerLEDStatus(), 0);
    EXPECT_EQ(scope.ARMLEDStatus(), 0);

    scope.SetMeasurementStarted(true);
    scope.SetDataAcquisitionStatus(0x12);
    scope.SetMeasurementStarted(false);
    EXPECT_EQ(scope.DataAcquisitionStatus(), 0);
    EXPECT_EQ(scope.TriggerLEDStatus(), 0);
    EXPECT_EQ(scope.ARMLEDStatus(), 0);
    EXPECT_EQ(scope.CachedDataStatus(), 17); // only a start sets it
}

TEST_F(StoredScope, DeflectionFactorAndProbeText) {
    scope.SetSourceProbeB(3);
    scope.SetDensityChannelB(9);
    EXPECT_EQ(scope.DeflectionFactor(kChannelB), 500000);
    scope.SetSourceProbeB(5);
    EXPECT_EQ(scope.DeflectionFactor(kChannelB), 1);
    EXPECT_EQ(scope.ProbeText(kChannelB), "");
    scope.SetSourceProbeA(1);
    scope.SetDensityChannelA(1);
    EXPECT_EQ(scope.DeflectionFactor(kChannelA), 10);
    EXPECT_EQ(scope.DeflectionFactor(7), 10); // unknown selector means A
    EXPECT_EQ(scope.ProbeText(kChannelA), "    1:1");
    EXPECT_EQ(scope.ProbeText(kChannelA).size(), 7u);
    scope.SetSourceProbeA(2);
    EXPECT_EQ(scope.ProbeText(kChannelA), "  1:10");
    scope.SetSourceProbeA(3);
    EXPECT_EQ(scope.ProbeText(999), "1:100");
    scope.SetSourceProbeA(4);
    scope.SetDensityChannelA(9);
    EXPECT_EQ(scope.ProbeText(kChannelA), "1:1000");
    EXPECT_EQ(scope.DeflectionFactor(kChannelA), 5000000);
    scope.SetSourceProbeA(0);
    EXPECT_EQ(scope.DeflectionFactor(kChannelA), 1);
}

TEST_F(StoredScope, GridColourDimsEachByteRoundingToEven) {
    scope.SetColorGrid(0xFFFFFF);
    scope.SetGridBrightness(50);
    EXPECT_EQ(scope.RealGridColor(), 0x808080u); // 127.5 -> 128
    scope.SetColorGrid(0x01030205);              // high byte dropped
    scope.SetGridBrightness(50);                 // 2.5 -> 2, 1 -> 1, 1.5 -> 2
    EXPECT_EQ(scope.RealGridColor(), 0x00020102u);
    scope.SetColorGrid(0x0000FF);
    scope.SetGridBrightness(150); // never spills into the next byte
    EXPECT_EQ(scope.RealGridColor(), 0x0000FFu);
    scope.SetGridBrightness(-20);
    EXPECT_EQ(scope.RealGridColor(), 0u);
}

TEST_F(StoredScope, DisplayOffRequestsAClearScreen) {
    scope.SetDisplayActive(true);
    EXPECT_FALSE(scope.ClearScreenRequested());
    scope.SetDisplayActive(false);
    EXPECT_TRUE(scope.ClearScreenRequested());
    scope.SetClearScreenRequested(false);
    scope.SetDisplayActive(true);
    EXPECT_FALSE(scope.ClearScreenRequested());
}

TEST_F(StoredScope, LatestSampleGoesToTheReadoutsInMillivolts) {
    RecordingReadout a, b;
    scope.SetActualVoltageA(&a);
    scope.SetActualVoltageB(&b);
    scope.SetActualVoltage(0x00FF); // channel B code 0: repaint only
    EXPECT_EQ(scope.ActualVoltage(), 0);
    EXPECT_TRUE(a.Values().empty());
    EXPECT_EQ(a.Repaints(), 1);
    EXPECT_EQ(b.Repaints(), 1);

    scope.SetZeroChannelA(128);
    scope.SetZeroChannelB(128);
    scope.SetActualVoltage(0x8080);
    EXPECT_EQ(scope.ActualVoltage(), 0x8080);
    ASSERT_EQ(a.Values().size(), 1u);
    EXPECT_EQ(a.Values()[0], 0);
    EXPECT_EQ(b.Values()[0], 0);

    // Density 7 at 1:1 is 1000 mV/div: 3 codes above zero -> 93.75 -> 94;
    // channel B at 1:10 (10000 mV/div) 1 code below -> -312.5 -> -312.
    scope.SetSourceProbeB(2);
    scope.SetActualVoltage(static_cast<uint16_t>((127 << 8) | 131));
    EXPECT_EQ(a.Values().back(), 94);
    EXPECT_EQ(b.Values().back(), -312);

    scope.SetActualVoltageA(nullptr);
    scope.SetActualVoltageB(nullptr);
    scope.SetActualVoltage(0x0010); // no readouts assigned: no crash
    scope.SetActualVoltage(0x1010);
    EXPECT_EQ(scope.ActualVoltage(), 0x1010);
}

// Random sample words, scales and channel switches against a plain
// reference: an on channel shows its voltage, marked at the converter's
// ends; an off channel shows nothing.
TEST_F(StoredScope, LatestSampleMarksClippedCodesAndOffChannelsShowNothing) {
    RecordingReadout a, b;
    scope.SetActualVoltageA(&a);
    scope.SetActualVoltageB(&b);
    const int rangeMv[] = {10, 20, 50, 100, 200, 500, 1000, 2000, 5000};
    const int probeFactor[] = {1, 10, 100, 1000};
    std::mt19937 random(4242);
    for (int i = 0; i < 5000; ++i) {
        const int codeA = 1 + int(random() % 255), codeB = 1 + int(random() % 255);
        const int zeroA = int(random() % 256), zeroB = int(random() % 256);
        const int densA = 1 + int(random() % 9), densB = 1 + int(random() % 9);
        const int probeA = 1 + int(random() % 4), probeB = 1 + int(random() % 4);
        const bool onA = random() % 5 != 0, onB = random() % 5 != 0;
        scope.SetZeroChannelA(zeroA);
        scope.SetZeroChannelB(zeroB);
        scope.SetDensityChannelA(uint16_t(densA));
        scope.SetDensityChannelB(uint16_t(densB));
        scope.SetSourceProbeA(probeA);
        scope.SetSourceProbeB(probeB);
        scope.SetStatusChannelA(onA);
        scope.SetStatusChannelB(onB);
        scope.SetActualVoltage(static_cast<uint16_t>(codeB << 8 | codeA));
        struct Expect {
            RecordingReadout &readout;
            bool on;
            int code, zero, mvPerDiv;
        };
        for (const Expect &e :
             {Expect{a, onA, codeA, zeroA, rangeMv[densA - 1] * probeFactor[probeA - 1]},
              Expect{b, onB, codeB, zeroB, rangeMv[densB - 1] * probeFactor[probeB - 1]}}) {
            ASSERT_EQ(e.readout.Cleared(), !e.on) << "sample " << i;
            if (!e.on) continue;
            const double volts = std::nearbyint((e.code - e.zero) * double(e.mvPerDiv) / 32);
            EXPECT_EQ(e.readout.Values().back(), volts) << "sample " << i;
            const SampleRange range = e.code == 1     ? SampleRange::AtBottom
                                      : e.code == 255 ? SampleRange::AtTop
                                                      : SampleRange::Within;
            EXPECT_EQ(e.readout.Ranges().back(), range) << "code " << e.code;
        }
    }
    // Both ends were met along the way.
    const auto ranges = a.Ranges();
    EXPECT_NE(std::count(ranges.begin(), ranges.end(), SampleRange::AtBottom), 0);
    EXPECT_NE(std::count(ranges.begin(), ranges.end(), SampleRange::AtTop), 0);

    // Switching a channel off clears its readout at once; a measurement
    // that starts clears both until its first sample.
    scope.SetStatusChannelA(true);
    scope.SetStatusChannelB(true);
    scope.SetActualVoltage(0x8080);
    scope.SetStatusChannelB(false);
    EXPECT_TRUE(b.Cleared());
    EXPECT_FALSE(a.Cleared());
    scope.SetStatusChannelB(true);
    scope.SetActualVoltage(0x8080);
    scope.SetMeasurementStarted(true);
    EXPECT_TRUE(a.Cleared());
    EXPECT_TRUE(b.Cleared());
    scope.SetMeasurementStarted(false); // stopping keeps the last value
    scope.SetActualVoltage(0x8080);
    scope.SetMeasurementStarted(false);
    EXPECT_FALSE(a.Cleared());
}

TEST_F(StoredScope, DeviceTypeIsTheLastWordOfTheDescription) {
    uint8_t *d = scope.DeviceDescription();
    d[kDeviceDescriptionTypeOffset] = 4;
    EXPECT_EQ(scope.DeviceType(), 4);
    d[kDeviceDescriptionTypeOffset + 1] = 1;
    EXPECT_EQ(scope.DeviceType(), 0x104);
    d[235] = 0xFF; // not part of the field
    EXPECT_EQ(scope.DeviceType(), 0x104);
}

TEST_F(StoredScope, VirtualDriverCanBeSetButNeverCleared) {
    auto *fake = reinterpret_cast<TVirtualDriverVexaRM *>(&scope); // identity only
    scope.SetVirtualDriver(fake);
    scope.SetVirtualDriver(nullptr);
    EXPECT_EQ(scope.VirtualDriver(), fake);
}

TEST_F(StoredScope, ArmTriggerConflictPerChannel) {
    EXPECT_FALSE(scope.ArmTriggerConflict());
    scope.SetTriggerSourceA(true);
    scope.SetARMSourceA(true);
    scope.SetTriggerUnderA(true);
    scope.SetARMUnderA(false);
    scope.SetTriggerLevelA(100);
    scope.SetARMLevelA(150);
    EXPECT_TRUE(scope.ArmTriggerConflict());
    scope.SetARMLevelA(50);
    EXPECT_FALSE(scope.ArmTriggerConflict());
    scope.SetTriggerUnderA(false);
    scope.SetARMUnderA(true);
    EXPECT_TRUE(scope.ArmTriggerConflict()); // arm below a trigger "over"
    scope.SetARMSourceA(false);
    EXPECT_FALSE(scope.ArmTriggerConflict());
    scope.SetTriggerSourceB(true);
    scope.SetARMSourceB(true);
    scope.SetTriggerUnderB(true);
    scope.SetTriggerLevelB(0);
    scope.SetARMLevelB(1);
    EXPECT_TRUE(scope.ArmTriggerConflict());
}

// A transfer that holds the settings lock sees whole setter calls only,
// while setters run on another thread (run under ThreadSanitizer too).
TEST_F(StoredScope, SettersAndLockedTransferDoNotRace) {
    std::atomic<bool> stop{false};
    std::atomic<int> copies{0};
    std::thread setter([&] {
        for (int i = 0; i < 20000; ++i) {
            // Half-way the setter waits for the first copy, so that the two
            // overlap however the threads are scheduled.
            while (i == 10000 && copies == 0)
                std::this_thread::yield();
            scope.SetSMPSetting(i % 3);
            scope.SetDSPSetting(i % 3);
            scope.SetDensityChannelA(i % 12);
            scope.SetTriggerLevelA(i);
        }
        stop = true;
    });
    bool whole = true;
    while (!stop && whole) {
        std::lock_guard<std::mutex> g(scope.SettingsLock());
        const int s = scope.SMPSetting(), d = scope.DSPSetting();
        EXPECT_TRUE(s >= 3 || d >= 3 || s + d >= 3) << s << "," << d;
        EXPECT_GE(scope.DensityChannelA(), 1);
        EXPECT_LE(scope.DensityChannelA(), 9);
        whole = !HasFailure();
        ++copies;
    }
    if (!whole) copies = 1; // lets the setter finish
    setter.join();
    EXPECT_GT(copies, 0);
}

TEST_F(StoredScope, RateIndicesStayInsideTheirTables) {
    scope.SetSMPSetting(99);
    EXPECT_EQ(scope.SMPSetting(), kSmpSettingCount - 1);
    scope.SetDSPSetting(17);
    EXPECT_EQ(scope.DSPSetting(), kDspSettingCount - 1);
    scope.SetSMPSetting(-4); // becomes 0: the coupling still applies
    EXPECT_EQ(scope.SMPSetting(), 0);
    scope.SetDSPSetting(-1);
    EXPECT_EQ(scope.DSPSetting(), 0);
    EXPECT_EQ(scope.SMPSetting(), 3);
}
