// The device's calibration: decoding of the 256-byte calibration record,
// the checksum, the default position calibration and the conversions
// between position values and sample levels.
#pragma once

#include "common/DeviceRegistersVexaRM.h"

#include <cstdint>

namespace vexa {

class TCalibrationVexaRM {
public:
    static constexpr int kPointsPerChannel = kCalPointsPerChannel;
    static constexpr int kOffsetsPerChannel = kCalOffsetsPerChannel;

    TCalibrationVexaRM();

    // Decodes a complete record and checks its checksum. Sets Valid(); an
    // invalid record replaces the position calibration with the defaults.
    bool Decode(const uint8_t *record);
    // The checksum the record's bytes before its checksum call for.
    static uint32_t ChecksumOf(const uint8_t *record);

    bool Valid() const { return FIsValid; }
    uint32_t SerialNumber() const { return FSerial; }
    uint16_t GainWord(int k) const { return FW[k]; }       // W0..W5
    double CorrectionFactor(int k) const { return FG[k]; } // G0..G9
    int32_t Point(int channel, int k) const { return FPoints[channel][k]; }
    int32_t Offset(int channel, int k) const { return FOffsets[channel][k]; }

    // The calibrated gain of range entry k (0..8) of a channel (0 A, 1 B)
    // for probe code 1 (withProbe false) or codes 2..4 (withProbe true),
    // formed in extended precision and rounded once, ties to even.
    uint16_t CalibratedGain(int channel, int entry, bool withProbe) const;

    // Zero level (sample value of 0 V) for a position value at the range
    // entry; an integral floating-point value.
    double PositionToLevel(int channel, int32_t position, int entry) const;
    // The position value that puts the zero level at level.
    int32_t LevelToPosition(int channel, int32_t level, int entry) const;
    // The calibration offset of a channel at a range entry (0 for the
    // middle decade).
    int32_t PositionOffset(int channel, int entry) const;

private:
    void UseDefaultPositions();

    bool FIsValid = false;
    uint32_t FSerial = 0;
    uint16_t FW[kCalGainWords] = {};
    double FG[kCalCorrections] = {};
    int32_t FPoints[2][kPointsPerChannel] = {};
    int32_t FOffsets[2][kOffsetsPerChannel] = {};
};

// Rounds to nearest, ties to even, and limits to the 32-bit signed range.
int32_t RoundToInt32(double v);

} // namespace vexa
