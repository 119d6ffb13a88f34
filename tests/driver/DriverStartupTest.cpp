// Start-up of the driver library: results, description, FPGA hand-over,
// calibration record, failure byte and reloads.
#include "CalibrationRecordBuilder.h"
#include "DriverHarness.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

namespace vexa::test {
namespace {

using Record = std::array<uint8_t, 256>;
using Description = std::array<uint8_t, 240>;

uint32_t Le32(const uint8_t *p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}
uint16_t Le16(const uint8_t *p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

// A harness on the scripted transport with a record loaded.
struct Scripted {
    explicit Scripted(const Record &record, int32_t type = 0) : H("libvexascript.so") {
        H.Control<void (*)(const uint8_t *)>("ScriptSetRecord")(record.data());
        H.Control<void (*)(int32_t)>("ScriptSetDeviceType")(type);
    }
    TDriverHarness H;
};

TEST(DriverStartup, ResultsForEachWayTheTransportCanFail) {
    Description desc;
    desc.fill(0xCD);
    {
        TDriverHarness h("libvexa_not_there.so");
        EXPECT_EQ(h.Start(desc.data()), 1);
        EXPECT_EQ(desc[0], 0xCD) << "buffer must stay untouched";
        EXPECT_EQ(h.Call(kCmdLibraryVersion), 2) << "still not ready";
    }
    for (const char *lib : {"libvexascript_noread.so", "libvexascript_noready.so"}) {
        TDriverHarness h(lib);
        EXPECT_EQ(h.Start(desc.data()), 7) << lib;
        EXPECT_EQ(desc[0], 0xCD) << lib;
    }
    {
        // Without USBInitDevice the start-up is skipped altogether.
        TDriverHarness h("libvexascript_noinit.so");
        EXPECT_EQ(h.Start(desc.data()), 6);
        EXPECT_EQ(desc[0], 0xCD);
        EXPECT_EQ(h.Control<int32_t (*)()>("ScriptFpgaCalls")(), 0);
        EXPECT_EQ(h.Control<int32_t (*)()>("ScriptEepromReads")(), 0);
    }
    {
        TDriverHarness h;
        h.Control<void (*)(int32_t)>("SimSetInitFailures")(1);
        EXPECT_EQ(h.Start(desc.data()), 3);
        EXPECT_EQ(desc[0], 0xCD);
        EXPECT_EQ(h.Initialize(desc.data()), 0) << "the device appears on the next try";
        EXPECT_EQ(desc[0], 9);
    }
}

TEST(DriverStartup, InvalidRecordGivesSixAndRefusesCommands) {
    for (int32_t mode : {1, 2}) {
        TDriverHarness h;
        h.Control<void (*)(int32_t)>("SimSetEepromMode")(mode);
        Description desc{};
        EXPECT_EQ(h.Start(desc.data()), 6);
        EXPECT_EQ(Le32(desc.data()), 9u) << "description filled when start-up ran";
        EXPECT_EQ(Le16(desc.data() + 4 + 6), 0) << "no calibrated gain without calibration";
        h.ClearRegisterLog();
        uint8_t bytes[2] = {0xAA, 0xAA};
        int32_t result = -5;
        EXPECT_EQ(h.Call(kCmdLibraryVersion, 0, nullptr, nullptr, bytes), 2);
        EXPECT_EQ(bytes[0], 0xAA);
        EXPECT_EQ(h.Call(kCmdRangeA, 100, &result), 2);
        EXPECT_EQ(h.Call(kCmdStartStop, 1), 2);
        EXPECT_EQ(h.Call(kCmdSerialNumber, 0, &result), 2);
        EXPECT_EQ(result, -5);
        EXPECT_TRUE(h.RegisterLog().empty());
    }
}

TEST(DriverStartup, ChecksumOfZeroRecordAndKnownChecksum) {
    Record zero{};
    Scripted bad(zero);
    EXPECT_EQ(bad.H.Start(), 6) << "all-zero record sums to 12090, not 0";

    Record valid{};
    valid[156] = 0x00;
    valid[157] = 0x00;
    valid[158] = 0x2F;
    valid[159] = 0x3A;
    valid[167] = 0x01;
    valid[168] = 0x02;
    valid[169] = 0x03;
    valid[170] = 0x04;
    Scripted good(valid);
    EXPECT_EQ(good.H.Start(), 0);
    int32_t serial = 0;
    EXPECT_EQ(good.H.Call(kCmdSerialNumber, 0, &serial), 0);
    EXPECT_EQ(serial, 0x01020304);
}

TEST(DriverStartup, DescriptionLayoutAndCalibratedGains) {
    // W0 = 2000 with C0 = 65535 (factor 1.2) and C4 = 0 (0.8): 2400 and 1920.
    auto rec = TCalibrationRecordBuilder::Even()
                   .GainWord(0, 2000)
                   .GainWord(1, 2001)
                   .Correction(0, 65535)
                   .Correction(4, 0)
                   .Correction(1, 65535)
                   .Correction(6, 0)
                   .Bytes();
    Scripted s(rec, 5);
    Description desc{};
    ASSERT_EQ(s.H.Start(desc.data()), 0);
    EXPECT_EQ(Le32(desc.data()), 9u);
    // The range table reaches the application in the description's layout.
    for (int k = 0; k < kRangeEntries; ++k) {
        const uint8_t *e = desc.data() + 4 + 20 * k;
        const DeviceRange &r = kDeviceRanges[k];
        EXPECT_EQ(Le32(e), static_cast<uint32_t>(r.MilliVolts)) << k;
        EXPECT_EQ(Le16(e + 4), r.ControlBits) << k;
        EXPECT_EQ(Le16(e + 12), r.ControlBits) << k;
        EXPECT_EQ(Le16(e + 10), r.UncalibratedGain) << k;
        EXPECT_EQ(Le16(e + 18), r.UncalibratedGain) << k;
    }
    for (int i = 4 + 20 * 9; i < 224; ++i)
        ASSERT_EQ(desc[static_cast<size_t>(i)], 0) << "entries 9 and 10 are zero, byte " << i;
    const uint8_t *e0 = desc.data() + 4;
    EXPECT_EQ(Le16(e0 + 6), 2400);  // GainA1 = W0 x G0
    EXPECT_EQ(Le16(e0 + 8), 1920);  // GainA2 = W0 x G0 x G4
    EXPECT_EQ(Le16(e0 + 14), 2401); // GainB1 = 2001 x 1.2 = 2401.2
    const uint8_t *e3 = desc.data() + 4 + 60;
    EXPECT_EQ(Le16(e3 + 6), 2000); // middle decade: W0 alone
    EXPECT_EQ(Le16(e3 + 8), 1600); // W0 x G6
    EXPECT_EQ(Le32(desc.data() + 224), 400u);
    EXPECT_EQ(Le32(desc.data() + 228), 40u);
    EXPECT_EQ(Le32(desc.data() + 232), 8192u);
    EXPECT_EQ(Le32(desc.data() + 236), 5u);
}

TEST(DriverStartup, ModelValuesPerDeviceType) {
    const uint32_t m1[6] = {500, 500, 500, 500, 400, 400};
    const uint32_t m3[6] = {4096, 8192, 4096, 8192, 4096, 8192};
    for (int32_t type = 0; type < 6; ++type) {
        Scripted s(TCalibrationRecordBuilder::Even().Bytes(), type);
        Description desc{};
        ASSERT_EQ(s.H.Start(desc.data()), 0);
        EXPECT_EQ(Le32(desc.data() + 224), m1[type]) << type;
        EXPECT_EQ(Le32(desc.data() + 228), m1[type] / 10) << type;
        EXPECT_EQ(Le32(desc.data() + 232), m3[type]) << type;
        EXPECT_EQ(Le32(desc.data() + 236), static_cast<uint32_t>(type));
    }
}

TEST(DriverStartup, FpgaHandOverPerFamily) {
    for (int32_t type : {0, 3, 4}) {
        Scripted s(TCalibrationRecordBuilder::Even().Bytes(), type);
        ASSERT_EQ(s.H.Start(), 0);
        std::vector<uint8_t> got(140000);
        const int32_t n = s.H.Control<int32_t (*)(uint8_t *, int32_t)>("ScriptFpgaCopy")(
            got.data(), static_cast<int32_t>(got.size()));
        const bool large = type % 2 == 1;
        EXPECT_EQ(static_cast<size_t>(n), large ? kLargeHandOverLength : kSmallHandOverLength)
            << type;
        EXPECT_EQ(std::memcmp(got.data() + 1, kFpgaMagic, 4), 0) << "image restored at byte 1";
        EXPECT_EQ(got[5], large ? 1 : 0);
        EXPECT_EQ(Le32(got.data() + 6), large ? kLargeImageLength : kSmallImageLength);
    }
    // The simulated device checks every byte of the image (its CRC).
    for (int32_t type = 0; type < 6; ++type) {
        TDriverHarness h;
        h.Control<void (*)(int32_t)>("SimSetDeviceType")(type);
        ASSERT_EQ(h.Start(), 0);
        EXPECT_EQ(h.Control<int32_t (*)()>("SimFpgaState")(), 1) << type;
    }
}

// A device without an image (an unknown type) or one that refuses its image
// delivers nothing: the start-up says the device cannot be used, also when
// an earlier start-up of this load was ready.
TEST(DriverStartup, DeviceWithoutAnAcceptedImageCannotBeUsed) {
    for (int32_t type : {7, 9, -1}) {
        Scripted s(TCalibrationRecordBuilder::Even().Bytes(), type);
        Description desc{};
        EXPECT_EQ(s.H.Start(desc.data()), 6) << type;
        EXPECT_EQ(s.H.Control<int32_t (*)()>("ScriptFpgaCalls")(), 0) << "no image is sent";
        EXPECT_EQ(Le32(desc.data() + 236), static_cast<uint32_t>(type));
        EXPECT_EQ(Le32(desc.data() + 224), 0u);
        EXPECT_EQ(s.H.Call(kCmdLibraryVersion), 2) << "not ready";
    }
    TDriverHarness h;
    ASSERT_EQ(h.Start(), 0);
    h.Control<void (*)(int32_t)>("SimSetFpgaReject")(1);
    EXPECT_EQ(h.Initialize(nullptr), 6);
    EXPECT_EQ(h.Control<int32_t (*)()>("SimFpgaState")(), 2);
    EXPECT_EQ(h.Call(kCmdLibraryVersion), 2);
    h.Control<void (*)(int32_t)>("SimSetFpgaReject")(0);
    EXPECT_EQ(h.Initialize(nullptr), 0) << "a device that takes its image is used again";
}

TEST(DriverStartup, LostDeviceCutsTheRecordShort) {
    Scripted s(TCalibrationRecordBuilder::Even().Bytes());
    s.H.Control<void (*)(int32_t)>("ScriptLoseAfterEepromReads")(10);
    EXPECT_EQ(s.H.Start(), 6);
    EXPECT_EQ(s.H.FailureByte(), 1);
    EXPECT_EQ(s.H.Control<int32_t (*)()>("ScriptEepromReads")(), 10);
    EXPECT_EQ(s.H.Call(kCmdLibraryVersion), 2);
}

TEST(DriverStartup, ReadyStaysThroughALaterBadRecord) {
    Scripted s(TCalibrationRecordBuilder::Even().Serial(77).Bytes());
    ASSERT_EQ(s.H.Start(), 0);
    auto bad = TCalibrationRecordBuilder::Even().Serial(77).Bytes(false);
    s.H.Control<void (*)(const uint8_t *)>("ScriptSetRecord")(bad.data());
    EXPECT_EQ(s.H.Initialize(nullptr), 0) << "ready is never cleared while loaded";
    int32_t serial = -1;
    s.H.Call(kCmdSerialNumber, 0, &serial);
    EXPECT_EQ(serial, 0) << "no serial number without calibration";
    s.H.ClearRegisterLog();
    s.H.Call(kCmdProbeA, 1);
    s.H.Call(kCmdRangeA, 10);
    auto log = s.H.RegisterLog();
    ASSERT_EQ(log.size(), 4u);
    EXPECT_EQ(log[3], std::make_pair(8, 1818)) << "uncalibrated gain";
}

TEST(DriverStartup, CallbackStoresTheInvertedByte) {
    TDriverHarness h;
    ASSERT_EQ(h.Start(), 0);
    EXPECT_EQ(h.FailureByte(), 0);
    h.Control<void (*)()>("SimLoseConnectionNow")();
    EXPECT_EQ(h.FailureByte(), 1);
    EXPECT_EQ(h.Initialize(nullptr), 0);
    EXPECT_EQ(h.FailureByte(), 0) << "a reconnected device reports 1";
}

TEST(DriverStartup, DeInitializeAndReloadStartOver) {
    TDriverHarness h;
    ASSERT_EQ(h.Start(), 0);
    EXPECT_EQ(h.DeInitialize(), 1);
    EXPECT_EQ(h.DeInitialize(), 0) << "nothing left to release";
    ASSERT_EQ(h.Start(), 0);
    h.ReloadDriver();
    EXPECT_EQ(h.Call(kCmdLibraryVersion), 2) << "a fresh load is not ready";
    // The unloaded driver's callback is no longer registered: a loss now
    // must neither crash nor write the old failure byte.
    h.FailureByte() = 0;
    h.Control<void (*)()>("SimLoseConnectionNow")();
    EXPECT_EQ(h.FailureByte(), 0);
}

} // namespace
} // namespace vexa::test
