// The simulated device's own view of its calibration: the default EEPROM
// record it ships with, and the inverse of the driver's arithmetic that
// turns written gain and position registers back into range and zero level.
#pragma once

#include "common/DeviceRegistersVexaRM.h"

#include <cstdint>

namespace vexa {

class TSimCalibrationVexaRM {
public:
    static constexpr int kRecordSize = kCalRecordSize;
    static constexpr int kEntries = kRangeEntries;
    static constexpr uint32_t kDefaultSerial = 20261208u;

    // The record a fresh device carries (valid checksum).
    static void BuildDefaultRecord(uint8_t *record, uint32_t serial = kDefaultSerial);
    static uint32_t ChecksumOf(const uint8_t *record);
    static int32_t RangeMilliVolts(int entry);
    static uint16_t ControlBits(int entry);

    // Takes the calibration from a record as the driver would: an invalid
    // checksum means uncalibrated gains and default position points.
    void Load(const uint8_t *record);
    bool Valid() const { return FIsValid; }

    // The gain the driver programs for a range entry: variant 0 probe 1:1,
    // 1 other probes, 2 uncalibrated.
    uint16_t Gain(int channel, int entry, int variant) const {
        return FGains[channel][entry][variant];
    }
    // The range entry whose gain equals value (calibrated gains first), or -1.
    int EntryForGain(int channel, uint16_t value) const;
    // Zero level for a position at a range entry, rounded.
    int32_t ZeroLevel(int channel, int32_t position, int entry) const;

private:
    bool FIsValid = false;
    uint16_t FGains[2][kEntries][3] = {};
    int32_t FPoints[2][kCalPointsPerChannel] = {};
    int32_t FOffsets[2][kCalOffsetsPerChannel] = {};
};

} // namespace vexa
