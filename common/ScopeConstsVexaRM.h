// Constants shared by the application and the driver library.
// Plain C++17, no dependencies: both deliverables include this header.
#pragma once

#include <cstdint>

namespace vexa {

// ---- Rates -------------------------------------------------------------
// Sampling rate by SMPSetting 0..15, in samples per second. The device
// receives 15 minus the index as its rate code.
constexpr int kSmpSettingCount = 16;
constexpr int32_t kSamplingRates[kSmpSettingCount] = {
    50,    100,   250,    500,    1000,   2500,    5000,    10000,
    25000, 50000, 100000, 250000, 500000, 1000000, 2500000, 5000000};
constexpr int32_t RateCodeForSmpSetting(int smp) {
    return 15 - smp;
}

// Display rate by DSPSetting 0..16, in seconds per division.
constexpr int kDspSettingCount = 17;
constexpr double kSecondsPerDivision[kDspSettingCount] = {
    0.1, 0.2, 0.5, 1, 2, 5, 10, 20, 50, 100, 200, 500, 1000, 2000, 5000, 10000, 20000};

// ---- Ranges and probes -------------------------------------------------
// Millivolts per division at probe 1:1 for Density 1..9 (index 0 unused).
constexpr int kDensityMin = 1;
constexpr int kDensityMax = 9;
constexpr int32_t kRangeMilliVolts[kDensityMax + 1] = {0,   10,  20,   50,   100,
                                                       200, 500, 1000, 2000, 5000};
// Probe codes 1..4 = 1:1, 1:10, 1:100, 1:1000 (index 0 unused).
constexpr int kProbeMin = 1;
constexpr int kProbeMax = 4;
constexpr int32_t kProbeFactor[kProbeMax + 1] = {0, 1, 10, 100, 1000};

// Deflection at the probe tip in mV per division; 1 for any code out of range.
constexpr int32_t DeflectionFor(int probe, int density) {
    if (probe < kProbeMin || probe > kProbeMax || density < kDensityMin || density > kDensityMax)
        return 1;
    return kRangeMilliVolts[density] * kProbeFactor[probe];
}

// ---- Sample words ------------------------------------------------------
constexpr int kCodesPerDivision = 32;
constexpr uint16_t kWordRecordIntroducer = 0; // starts a setting record
constexpr uint16_t kWordMarker1 = 1;          // device marker
constexpr uint16_t kWordMarker2 = 2;          // ARM marker
constexpr int kReservedWordLimit = 3;         // words below this are not samples

// Setting record types of the word stream: [0, length, type, payload...]
enum RecordType : uint16_t {
    kRecMeasurement = 1,  // L 4: 1 started, 0 stopped
    kRecLevelA = 2,       // L 6: 4095 - level, zero code, 0
    kRecLevelB = 3,       // L 6
    kRecProbeA = 4,       // L 4
    kRecProbeB = 5,       // L 4
    kRecCouplingA = 6,    // L 4
    kRecCouplingB = 7,    // L 4
    kRecGroundA = 8,      // L 4
    kRecGroundB = 9,      // L 4
    kRecSampleRate = 10,  // L 5: 32-bit samples per second, low half first
    kRecDeflectionA = 11, // L 5: 32-bit mV/div at the probe tip, low half first
    kRecDeflectionB = 12, // L 5
};

// ---- Channels ----------------------------------------------------------
constexpr int32_t kChannelA = 100;
constexpr int32_t kChannelB = 200;

// ---- Notifications -----------------------------------------------------
enum NotificationKind : int32_t {
    kNotifyInitialized = 1,
    kNotifySettingsChanged = 2,
    kNotifyDetach = 3,
    kNotifyLevelsSetBack = 4,
    kNotifyResized = 5,
    kNotifyPreInitialize = 6,
    kNotifyDeviceRestart = 7,
    kNotifySaveSettings = 8,
    kNotifyLoadSettings = 9,
    kNotifyEkgModeSelected = 10,
    kNotifyRollModeSelected = 11,
    kNotifyGridChanged = 14,
    kNotifyRestoreDefaults = 15,
};

// Sender groups with a fixed meaning.
constexpr int32_t kGroupDataFlow = 5;
constexpr int32_t kGroupMainWindow = 13;
constexpr int32_t kGroupSystem = 255;

// ---- Device ------------------------------------------------------------
constexpr int kDeviceDescriptionSize = 240;
constexpr int kDeviceDescriptionTypeOffset = 236;
constexpr int kFifoBlockBytes = 65536;
constexpr int kMaxBlockWords = 65536; // room the application gives one read
constexpr int kPositionMax = 4095;

} // namespace vexa
