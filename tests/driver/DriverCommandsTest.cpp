// DeviceFunction commands: register values, the low-byte rule, thresholds
// seen through the trigger, and the failure byte cutting commands short.
#include "CalibrationRecordBuilder.h"
#include "DriverHarness.h"

#include <gtest/gtest.h>

namespace vexa::test {
namespace {

using Log = std::vector<std::pair<int32_t, int32_t>>;

class DriverCommands : public ::testing::Test {
protected:
    DriverCommands() : H("libvexascript.so") {
        auto rec = TCalibrationRecordBuilder::Even().Offset(0, 0, 40).Serial(4242).Bytes();
        H.Control<void (*)(const uint8_t *)>("ScriptSetRecord")(rec.data());
    }
    void SetUp() override {
        ASSERT_EQ(H.Start(desc), 0);
        H.ClearRegisterLog();
    }
    uint16_t Gain(int entry, int field) const {
        const uint8_t *p = desc + 4 + 20 * entry + field;
        return static_cast<uint16_t>(p[0] | p[1] << 8);
    }
    TDriverHarness H;
    uint8_t desc[240] = {};
};

TEST_F(DriverCommands, VersionsAndSerialNumber) {
    uint8_t bytes[2] = {};
    EXPECT_EQ(H.Call(kCmdLibraryVersion, 0, nullptr, nullptr, bytes), 0);
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[1], 1);
    EXPECT_EQ(H.Call(kCmdTransportVersion, 0, nullptr, nullptr, bytes), 0);
    EXPECT_EQ(bytes[0], 7);
    EXPECT_EQ(bytes[1], 9);
    int32_t serial = 0;
    H.Call(kCmdSerialNumber, 0, &serial);
    EXPECT_EQ(serial, 4242);
}

TEST_F(DriverCommands, IdleCodesDoNothing) {
    int32_t result = -3;
    for (int32_t code : {0, 18, 23, 37, 200, 255, 0x100, 0x1200}) {
        EXPECT_EQ(H.Call(code, 1, &result), 0) << code;
    }
    EXPECT_EQ(result, -3);
    EXPECT_TRUE(H.RegisterLog().empty());
    EXPECT_EQ(H.Call(kCmdReadSamples, 0, &result, H.Block().data()), 0) << "not running";
    EXPECT_EQ(result, -3);
}

TEST_F(DriverCommands, RangeProbeAndCouplingProgramTheSumIntoRegister15) {
    H.Call(kCmdProbeA, 1);        // probe A 1:1
    H.Call(kCmdRangeA, 10);       // A: 0x12, GainA1 of entry 0
    H.Call(kCmdProbeB, 0x302);    // probe B code 2 (low byte)
    H.Call(kCmdRangeB, 20);       // B: 0x12, GainB2 of entry 1
    H.Call(kCmdCouplingA, 0);     // A AC: bit 0 set
    H.Call(kCmdCouplingB, 0x100); // B: low byte 0 counts as false: AC
    H.Call(kCmdCouplingA, 1);     // A DC again
    H.Call(kCmdRangeA, 7);        // not in the table: 5000 mV entry
    const Log log = H.RegisterLog();
    const Log want = {
        {kRegControl, 0x0C},        {kRegGainA, Gain(8, 6)}, // probe A: range still 0 -> last entry
        {kRegControl, 0x12},        {kRegGainA, Gain(0, 6)}, // range A 10 mV
        {kRegControl, 0x12 + 0x0C}, {kRegGainB, Gain(8, 16)}, // probe B 2 at range 0
        {kRegControl, 0x12 + 0x12}, {kRegGainB, Gain(1, 16)}, // range B 20 mV
        {kRegControl, 0x25},        {kRegControl, 0x26},      // sum, not OR: 0x13 + 0x13
        {kRegControl, 0x25},        {kRegControl, 0x0C + 0x13}, {kRegGainA, Gain(8, 6)},
    };
    EXPECT_EQ(log, want);
    EXPECT_NE(Gain(0, 6), Gain(0, 8)) << "calibrated gains differ by probe";
}

TEST_F(DriverCommands, RunBitRateAndStop) {
    H.Call(kCmdRangeA, 100);
    H.Call(kCmdRangeB, 100);
    H.ClearRegisterLog();
    H.Call(kCmdSamplingRate, 5);
    H.Call(0x100 | kCmdStartStop, 1); // only the low byte counts: start
    H.Call(kCmdSamplingRate, 3);      // keeps the run bit
    H.Call(kCmdStartStop, 0x200);     // low byte 0: stop
    const Log want = {{kRegRun, 5},      {kRegControl, 0x28}, {kRegRun, 0x8005},
                      {kRegRun, 0x8003}, {kRegRun, 0x0003},   {kRegControl, 0x28 + 0x8000}};
    EXPECT_EQ(H.RegisterLog(), want);
}

TEST_F(DriverCommands, ExternalArmRegister) {
    H.Call(kCmdArmSourceExternal, 0); // start-up value 0x24
    H.Call(kCmdArmUnderExternal, 0);
    H.Call(kCmdArmSourceExternal, 1);
    H.Call(kCmdArmUnderExternal, 1);
    const Log want = {{kRegExternalArm, 0x20},
                      {kRegExternalArm, 0x00},
                      {kRegExternalArm, 0x04},
                      {kRegExternalArm, 0x24}};
    EXPECT_EQ(H.RegisterLog(), want);
}

TEST_F(DriverCommands, PositionGivesZeroLevelAndRangeGivesPositionBack) {
    int32_t r = 0;
    H.Call(kCmdRangeA, 100); // x1 sub-range, no offset
    EXPECT_EQ(H.Call(kCmdPositionA, 1200, &r), 0);
    EXPECT_EQ(r, 95) << "exactly on point 2";
    H.Call(kCmdPositionA, 1250, &r);
    EXPECT_EQ(r, 111) << "halfway between points 2 and 3";
    H.Call(kCmdPositionA, 900, &r);
    EXPECT_EQ(r, -1) << "below point 0: slope of points 0..3";
    H.Call(kCmdPositionA, 1700, &r);
    EXPECT_EQ(r, 255) << "above point 6: slope of points 3..6";
    H.Call(kCmdPositionA, 1250, &r);
    H.Call(kCmdRangeA, 200, &r); // x2 sub-range: points 1010 .. 1610
    EXPECT_EQ(r, 1260) << "position that keeps zero level 111";
    H.Call(kCmdRangeA, 10, &r); // x1 with offset 40
    EXPECT_EQ(r, 1290);
    H.Call(kCmdPositionA, 1290, &r);
    EXPECT_EQ(r, 111);
    const Log log = H.RegisterLog();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.back(), Log::value_type(kRegPositionA, 1290));
    H.Call(kCmdPositionB, 4095, &r);
    EXPECT_EQ(H.RegisterLog().back(), Log::value_type(kRegPositionB, 4095));
}

TEST_F(DriverCommands, FailureByteCutsCommandsShort) {
    H.Call(kCmdRangeA, 100);
    H.ClearRegisterLog();
    H.FailureByte() = 1;
    int32_t r = -9;
    H.Call(kCmdRangeA, 200, &r);
    EXPECT_NE(r, -9) << "the range command carries on";
    r = -9;
    H.Call(kCmdPositionA, 1300, &r);
    EXPECT_EQ(r, -9) << "position result not written";
    H.Call(kCmdCouplingA, 0);
    const Log want = {{kRegControl, 0x14}, {kRegPositionA, 1300}, {kRegControl, 0x15}};
    EXPECT_EQ(H.RegisterLog(), want) << "no gain write after the control word write";
    H.FailureByte() = 0;
    H.Call(kCmdPositionA, 1310, &r);
    EXPECT_EQ(r, 127) << "x2 points lie 10 higher";
}

// Thresholds, observed through the trigger: zero level 127 at 100 mV/div,
// 255 steps for 8 divisions.
class DriverThresholds : public DriverCommands {
protected:
    void SetUp() override {
        DriverCommands::SetUp();
        int32_t r = 0;
        H.Call(kCmdRangeA, 100);
        H.Call(kCmdRangeB, 100);
        H.Call(kCmdPositionA, 1300, &r);
        ASSERT_EQ(r, 127);
        H.Call(kCmdPositionB, 1305, &r);
        ASSERT_EQ(r, 127);
        H.Call(kCmdFreeRun, 0);        // wait for the trigger
        H.Call(kCmdTriggerSourceA, 1); // trigger on A, over
    }
    // Starts, drops the first (shifted) read, then reads a block of one
    // word per low byte lo..hi; returns the low byte the block starts with,
    // or -1 when it did not trigger.
    int FirstTriggeringLowByte(int lo, int hi) {
        H.Call(kCmdStartStop, 0);
        H.Call(kCmdStartStop, 1);
        int32_t n = 0;
        H.Read(n);
        std::vector<uint16_t> words;
        for (int a = lo; a <= hi; ++a)
            words.push_back(static_cast<uint16_t>(0x4000 | a));
        H.Control<void (*)(const uint16_t *, int32_t)>("ScriptQueueBlock")(
            words.data(), static_cast<int32_t>(words.size()));
        const int32_t status = H.Read(n);
        if (n == 0) {
            EXPECT_EQ(status, 0x11);
            return -1;
        }
        EXPECT_EQ(status, 0x22);
        return H.Block()[0] & 0xFF;
    }
};

TEST_F(DriverThresholds, LevelProbeAndRangeMoveTheThreshold) {
    H.Call(kCmdTriggerLevelA, 100); // 127 + 31.875 -> 159
    EXPECT_EQ(FirstTriggeringLowByte(150, 200), 160);
    H.Call(kCmdProbeA, 2); // probe 1:10: 127 + 3.1875 -> 130
    EXPECT_EQ(FirstTriggeringLowByte(120, 200), 131);
    H.Call(kCmdProbeA, 1);
    H.Call(kCmdRangeA, 200); // 127 + 15.94 at the same position -> zero level moves too
    int32_t r = 0;
    H.Call(kCmdPositionA, 1310, &r); // x2 points are 10 higher: zero level 127 again
    ASSERT_EQ(r, 127);
    EXPECT_EQ(FirstTriggeringLowByte(120, 200), 144);
    H.Call(kCmdTriggerUnderA, 1); // under
    H.Call(kCmdTriggerLevelA, -100);
    H.Call(kCmdRangeA, 100);
    H.Call(kCmdPositionA, 1300, &r);
    EXPECT_EQ(FirstTriggeringLowByte(90, 100), 90);
    EXPECT_EQ(FirstTriggeringLowByte(95, 120), -1) << "threshold 95: 95 is not under";
}

} // namespace
} // namespace vexa::test
