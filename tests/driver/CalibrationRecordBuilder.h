// Builds 256-byte calibration records for the scripted transport.
#pragma once

#include <array>
#include <cstdint>

namespace vexa::test {

class TCalibrationRecordBuilder {
public:
    TCalibrationRecordBuilder();

    // A record with evenly spaced points (channel A ×1: 1000, 1100 ... 1600;
    // other sub-ranges and channel B alike, shifted), zero offsets, gain
    // words 2000..2500 and correction words 30000, 33000 ... 57000.
    static TCalibrationRecordBuilder Even();

    TCalibrationRecordBuilder &GainWord(int k, uint16_t w);
    TCalibrationRecordBuilder &Correction(int k, uint16_t c);
    TCalibrationRecordBuilder &Point(int channel, int k, uint16_t value);
    // k: 0..5 for 10, 20, 50, 1000, 2000, 5000 mV.
    TCalibrationRecordBuilder &Offset(int channel, int k, int16_t value);
    TCalibrationRecordBuilder &Serial(uint32_t serial);
    TCalibrationRecordBuilder &Byte(int i, uint8_t value);

    // The bytes with the checksum stored (or broken on request).
    std::array<uint8_t, 256> Bytes(bool validChecksum = true) const;

private:
    std::array<uint8_t, 256> FRecord{};
};

} // namespace vexa::test
