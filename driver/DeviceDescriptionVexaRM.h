// The 240-byte device description: range table with gains, model values
// and device type.
#pragma once

#include <cstdint>

namespace vexa {

class TCalibrationVexaRM;

// One entry of the range table (20 bytes when written out).
struct RangeEntry {
    uint32_t RangeMilliVolts = 0;
    uint16_t ControlBitsA = 0;
    uint16_t GainA1 = 0;
    uint16_t GainA2 = 0;
    uint16_t GainA3 = 0;
    uint16_t ControlBitsB = 0;
    uint16_t GainB1 = 0;
    uint16_t GainB2 = 0;
    uint16_t GainB3 = 0;
};

class TDeviceDescriptionVexaRM {
public:
    static constexpr int kSize = 240;
    static constexpr int kEntrySlots = 11;
    static constexpr int kValidEntries = 9;

    // Fills the table for a device type; with a valid calibration the four
    // calibrated gains of each entry are computed.
    void Build(int32_t deviceType, const TCalibrationVexaRM &calibration);
    // Writes the 240 bytes, little-endian.
    void WriteTo(uint8_t *out) const;

    // The entry that programs a range: the first of entries 0..count-2 with
    // that value, else the last valid entry.
    int EntryIndexFor(int32_t rangeMilliVolts) const;
    const RangeEntry &Entry(int k) const { return FEntries[k]; }
    uint32_t RangeCount() const { return FCount; }
    int32_t DeviceType() const { return FType; }
    uint32_t ModelValue1() const { return FModel1; }
    uint32_t ModelValue2() const { return FModel2; }
    uint32_t ModelValue3() const { return FModel3; }

private:
    uint32_t FCount = 0;
    RangeEntry FEntries[kEntrySlots] = {};
    uint32_t FModel1 = 0;
    uint32_t FModel2 = 0;
    uint32_t FModel3 = 0;
    int32_t FType = 0;
};

} // namespace vexa
