// What the driver library and the simulated device both know of the
// hardware: its registers and their bits, the range table, the frame of the
// FPGA images, and the layout and factory values of the calibration record.
// The simulator takes them from here too, so that it cannot drift from the
// driver it stands in for; what it computes from them (the inverse of the
// driver's arithmetic) stays its own.
#pragma once

#include "ScopeConstsVexaRM.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace vexa {

// ---- Registers (USBSingleWrite / USBSingleRead) --------------------------
enum DeviceRegister : int32_t {
    kRegRun = 1,            // kRunBit and the rate code (kRateCodeMask)
    kRegExternalArm = 2,    // external ARM: source and under bits
    kRegDeviceFeatures = 3, // read only: kFeatureCountsLostSamples
    kRegLostLow = 4,        // read only: lost periods, bits 0..30, kLostHighFollows
    kRegLostHigh = 5,       // read only: lost periods, bits 31..62
    kRegGainA = 8,          // gain word of channel A's range
    kRegPositionA = 9,      // 0..kPositionMax: where channel A's zero level sits
    kRegGainB = 11,
    kRegPositionB = 12,
    kRegControl = 15, // the sum of both channels' control words (+ kControlStop)
};
constexpr int32_t kRegisterCount = 16;
// The per-channel registers, indexed 0 A, 1 B.
constexpr DeviceRegister kRegGain[2] = {kRegGainA, kRegGainB};
constexpr DeviceRegister kRegPosition[2] = {kRegPositionA, kRegPositionB};

// kRegRun
constexpr int32_t kRunBit = 0x8000;       // set while a measurement runs
constexpr int32_t kRateCodeMask = 0x7FFF; // RateCodeForSmpSetting

// kRegExternalArm: the low nibble holds the source, the high one the edge.
constexpr int32_t kExtArmSourceMask = 0x0F;
constexpr int32_t kExtArmUnderMask = 0xF0;
constexpr int32_t kExtArmSourceBit = 0x04; // ARM on the external input
constexpr int32_t kExtArmUnderBit = 0x20;  // ... when it falls under its level
constexpr int32_t kExtArmStartUp = kExtArmSourceBit | kExtArmUnderBit;

// A channel's control word (kRegControl carries the sum of both).
constexpr uint16_t kControlAcBit = 0x0001;     // set for AC coupling
constexpr uint16_t kControlRangeMask = 0x001E; // the range's bits (DeviceRange::ControlBits)
constexpr int32_t kControlStop = 0x8000;       // added to the sum when a measurement stops
constexpr int32_t kControlSumMask = 0x7FFF;    // the sum without kControlStop

// kRegDeviceFeatures / kRegLostLow / kRegLostHigh: a device that counts the
// sample periods its full FIFO could not keep reports, after every FIFO
// read, the count of those lost in front of the block just read.
constexpr int32_t kFeatureCountsLostSamples = 0x0001;
constexpr uint32_t kLostLowBits = 0x7FFFFFFFu;
constexpr uint32_t kLostHighFollows = 0x80000000u;

// ---- Ranges --------------------------------------------------------------
// The device's nine ranges (entries 0..8, Density 1..9): mV per division at
// probe 1:1, the range's bits of the control word, and the gain word of an
// uncalibrated device.
struct DeviceRange {
    int32_t MilliVolts;
    uint16_t ControlBits;
    uint16_t UncalibratedGain;
};
constexpr int kRangeEntries = kDensityMax - kDensityMin + 1;
constexpr DeviceRange kDeviceRanges[kRangeEntries] = {
    {kRangeMilliVolts[1], 0x12, 1818}, {kRangeMilliVolts[2], 0x12, 3636},
    {kRangeMilliVolts[3], 0x02, 3636}, {kRangeMilliVolts[4], 0x14, 1818},
    {kRangeMilliVolts[5], 0x14, 3636}, {kRangeMilliVolts[6], 0x04, 3636},
    {kRangeMilliVolts[7], 0x1C, 1818}, {kRangeMilliVolts[8], 0x1C, 3636},
    {kRangeMilliVolts[9], 0x0C, 3636}};
// Any entry out of 0..8 stands for the last one.
constexpr int ClampRangeEntry(int entry) {
    return entry < 0 || entry >= kRangeEntries ? kRangeEntries - 1 : entry;
}

// ---- FPGA images ---------------------------------------------------------
// An image is an opaque byte string that belongs to the device. Its frame:
//   bytes 0..3   kFpgaMagic
//   byte  4      family: 0 small (device types 0, 2, 4), 1 large (1, 3, 5)
//   bytes 5..8   image length, little-endian
//   bytes 9..n-5 configuration payload
//   bytes n-4..  CRC-32 (Crc32Table) of bytes 0..n-5, little-endian
// The hand-over buffer holds one byte before the image and pads after it.
constexpr char kFpgaMagic[4] = {'V', 'X', 'C', 'F'};
constexpr size_t kSmallImageLength = 54979;
constexpr size_t kLargeImageLength = 131024;
constexpr size_t kSmallHandOverLength = 54989;
constexpr size_t kLargeHandOverLength = 131048;

// The table of the reflected CRC-32 (polynomial 0xEDB88320).
constexpr std::array<uint32_t, 256> MakeCrc32Table() {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
        uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1u) ? (0xEDB88320u ^ (c >> 1)) : (c >> 1);
        t[i] = c;
    }
    return t;
}
constexpr std::array<uint32_t, 256> kCrc32Table = MakeCrc32Table();

constexpr uint32_t Crc32(const uint8_t *p, size_t n) {
    uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i)
        crc = kCrc32Table[(crc ^ p[i]) & 0xFFu] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

// ---- Calibration record (EEPROM) -----------------------------------------
// 256 bytes at EEPROM address 256, big-endian fields:
constexpr int kCalRecordSize = 256;
constexpr int kCalRecordAddress = 256;   // EEPROM address of byte 0
constexpr int kCalGainWordsAt = 1;       // W0..W5, 16 bits each
constexpr int kCalCorrectionsAt = 13;    // G0..G9, 16 bits each
constexpr int kCalPointsAt = 33;         // 21 points a channel, A and B interleaved
constexpr int kCalOffsetsAt = 117;       // 6 offsets a channel, interleaved, signed
constexpr int kCalChecksumAt = 156;      // 32 bits over the bytes before it
constexpr int kCalSerialAt = 167;        // 32 bits
constexpr int kCalPointsPerChannel = 21; // 7 levels of each of the 3 sub-ranges
constexpr int kCalOffsetsPerChannel = 6;
constexpr int kCalGainWords = 6;
constexpr int kCalCorrections = 10;

// The checksum the record's bytes before kCalChecksumAt call for.
constexpr uint32_t CalibrationChecksum(const uint8_t *record) {
    uint32_t sum = 0;
    for (uint32_t i = 0; i < static_cast<uint32_t>(kCalChecksumAt); ++i)
        sum += (i + 1) * record[i] + i;
    return sum;
}

// Sample values of the seven calibration points of a sub-range.
constexpr int32_t kCalLevels[7] = {31, 63, 95, 127, 159, 191, 223};

// The position points and offsets of a device without a valid record.
constexpr int32_t kFactoryPoints[2][kCalPointsPerChannel] = {
    {1147, 1424, 1702, 1976, 2244, 2505, 2767, 1238, 1512, 1789, 2065,
     2327, 2588, 2850, 1282, 1561, 1839, 2114, 2379, 2643, 2907},
    {1040, 1314, 1589, 1859, 2128, 2393, 2657, 1181, 1455, 1730, 2005,
     2268, 2533, 2796, 1239, 1515, 1793, 2069, 2334, 2600, 2867}};
constexpr int32_t kFactoryOffsets[2][kCalOffsetsPerChannel] = {{101, 50, 21, -6, -4, 1},
                                                               {110, 57, 25, -8, -5, -2}};

// The correction factors (G indices) of a range entry's gain: by channel and
// decade, -1 where the decade has none (the middle one).
constexpr int kDecadeCorrection[2][3] = {{0, -1, 2}, {1, -1, 3}};
constexpr int kProbeCorrection[2][3] = {{4, 6, 8}, {5, 7, 9}};

} // namespace vexa
