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

// The multiplier of a probe code; 1 for any code out of range.
constexpr int32_t ProbeFactorFor(int probe) {
    return probe < kProbeMin || probe > kProbeMax ? 1 : kProbeFactor[probe];
}

// Deflection at the probe tip in mV per division; 1 for any code out of range.
constexpr int32_t DeflectionFor(int probe, int density) {
    if (probe < kProbeMin || probe > kProbeMax || density < kDensityMin || density > kDensityMax)
        return 1;
    return kRangeMilliVolts[density] * kProbeFactor[probe];
}

// ---- Sample words ------------------------------------------------------
constexpr int kCodesPerDivision = 32;
// Converter codes of a sample: a signal beyond either end reads as the end.
constexpr int kSampleCodeMin = 1;
constexpr int kSampleCodeMax = 255;
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
    kRecLostSamples = 13, // L 8: lost sample periods (64-bit, lowest word first), how counted
};

// The record of lost samples stands where the gap is: the samples after it
// were taken that many sample periods (of the current rate) after the ones
// before it. Word 7 says where the count comes from.
constexpr int kLostSamplesRecordWords = 8;
enum LostSamplesSource : uint16_t {
    kLostCountedByDevice = 0,   // the device counted the periods it could not keep
    kLostEstimatedFromTime = 1, // estimated from the time that passed
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

// Sender groups: every component notifies, and listens, as its group.
constexpr int32_t kGroupInformation = 1;
constexpr int32_t kGroupDensity = 2;
constexpr int32_t kGroupSource = 3;
constexpr int32_t kGroupVerticalShifts = 4;
constexpr int32_t kGroupDataFlow = 5;
constexpr int32_t kGroupChannels = 6;
constexpr int32_t kGroupOpenSave = 7;
constexpr int32_t kGroupTrigger = 8;
constexpr int32_t kGroupRecord = 9;
constexpr int32_t kGroupSettings = 10;
constexpr int32_t kGroupMode = 11;
constexpr int32_t kGroupSweep = 12;
constexpr int32_t kGroupMainWindow = 13;
constexpr int32_t kGroupTimeBase = 14;
constexpr int32_t kGroupDataSource = 16;
constexpr int32_t kGroupEKG = 16;
constexpr int32_t kGroupRoll = 17;
constexpr int32_t kGroupArm = 18;
constexpr int32_t kGroupSystem = 255;

// ---- Device ------------------------------------------------------------
constexpr int kDeviceDescriptionSize = 240;
constexpr int kDeviceDescriptionTypeOffset = 236;
constexpr int kFifoBlockBytes = 65536;
constexpr int kMaxBlockWords = 65536; // room the application gives one read
constexpr int kPositionMax = 4095;

// The device's sample memory (its FIFO), in words: what it keeps while it is
// not read. When it overflows the oldest samples go first.
constexpr int64_t kDeviceFifoWords = 4194304;
// The device's registers: DeviceRegistersVexaRM.h.

} // namespace vexa

// ---- Driver library commands and results (shared by the driver library
// and the application's virtual driver) ---------------------------------
namespace vexa {

// DeviceFunction command codes; only the low byte of a code is examined.
enum DeviceCommand : int32_t {
    kCmdRegisterFailureFlag = 1, // value: address of the failure byte
    kCmdLibraryVersion = 2,      // bytes: major, minor
    kCmdTransportVersion = 3,    // bytes: major, minor
    kCmdProbeA = 4,              // value: probe code 1..4
    kCmdProbeB = 5,
    kCmdCouplingA = 6, // Boolean: true DC, false AC
    kCmdCouplingB = 7,
    kCmdGroundA = 8, // Boolean
    kCmdGroundB = 9,
    kCmdRangeA = 10, // mV/div without probe; result: position for the zero level
    kCmdRangeB = 11,
    kCmdPositionA = 12, // 0..4095; result: zero level
    kCmdPositionB = 13,
    kCmdReadSamples = 14,  // buffer of 65536 words; result: words delivered; returns status
    kCmdSamplingRate = 15, // rate code 15 (slowest) .. 0
    kCmdTriggerSourceA = 16,
    kCmdTriggerSourceB = 17,
    kCmdTriggerLevelA = 19, // signed mV at the probe tip
    kCmdTriggerLevelB = 20,
    kCmdTriggerUnderA = 21,
    kCmdTriggerUnderB = 22,
    kCmdArmSourceA = 24,
    kCmdArmSourceB = 25,
    kCmdArmSourceExternal = 26,
    kCmdArmLevelA = 27,
    kCmdArmLevelB = 28,
    kCmdArmUnderA = 29,
    kCmdArmUnderB = 30,
    kCmdArmUnderExternal = 31,
    kCmdStartStop = 32, // Boolean: true starts a measurement
    kCmdFreeRun = 33,
    kCmdTriggerRelation = 34, // Boolean: true AND, false OR
    kCmdSerialNumber = 35,    // result: serial number, 0 without calibration
    // bytes: 8 bytes, the sample periods lost in front of the block of the
    // last code-14 read (64-bit, lowest byte first); result: how they were
    // counted (LostSamplesSource)
    kCmdLostSamples = 36,
};

// DeviceFunction return value for any code but 1 before a ready start-up.
constexpr int32_t kDeviceFunctionNotReady = 2;

// InitializeDevice results.
enum InitializeResult : int32_t {
    kInitOk = 0,                  // device started, library ready
    kInitTransportMissing = 1,    // the transport library failed to load
    kInitNoDevice = 3,            // USBInitDevice reported no device
    kInitDeviceError4 = 4,        // handled by the application, not produced
    kInitDeviceError5 = 5,        // handled by the application, not produced
    kInitNotReady = 6,            // the device cannot be used: unknown type, image
                                  // rejected, calibration record invalid or cut short
    kInitTransportIncomplete = 7, // an entry point of the transport is missing
};

// Status byte of a read: high nibble ARM, low nibble trigger, each one
// kStatusWaiting or kStatusMet.
constexpr uint8_t kStatusWaiting = 1;
constexpr uint8_t kStatusMet = 2;
constexpr uint8_t kStatusNibbleMask = 0x0F;
constexpr int kStatusArmShift = 4;
constexpr uint8_t StatusByte(uint8_t arm, uint8_t trigger) {
    return static_cast<uint8_t>(arm << kStatusArmShift | trigger);
}
constexpr uint8_t TriggerStatusOf(uint8_t status) {
    return status & kStatusNibbleMask;
}
constexpr uint8_t ArmStatusOf(uint8_t status) {
    return (status >> kStatusArmShift) & kStatusNibbleMask;
}
constexpr uint8_t kStatusWaitingBoth = StatusByte(kStatusWaiting, kStatusWaiting);
constexpr uint8_t kStatusSatisfiedBoth = StatusByte(kStatusMet, kStatusMet);

} // namespace vexa
