#include "SimCalibrationVexaRM.h"

#include "common/DeviceRegistersVexaRM.h"

#include <cmath>
#include <cstring>

namespace vexa {

namespace {

// This unit's own calibration, as measured at the factory.
constexpr uint16_t kGainWords[6] = {1830, 1812, 3650, 3621, 3598, 3679};
constexpr uint16_t kCorrections[10] = {34000, 31500, 36000, 30000, 20000,
                                       22000, 21000, 19000, 23000, 24000};
constexpr int32_t kUnitOffsets[2][6] = {{98, 47, 19, -5, -3, 2}, {107, 55, 23, -7, -4, -1}};

void PutBe16(uint8_t *p, uint32_t v) {
    p[0] = static_cast<uint8_t>((v >> 8) & 0xFF);
    p[1] = static_cast<uint8_t>(v & 0xFF);
}
void PutBe32(uint8_t *p, uint32_t v) {
    PutBe16(p, v >> 16);
    PutBe16(p + 2, v & 0xFFFF);
}
uint16_t Be16(const uint8_t *p) {
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}
uint32_t Be32(const uint8_t *p) {
    return static_cast<uint32_t>(Be16(p)) << 16 | Be16(p + 2);
}

int32_t Offset(const int32_t (*offsets)[6], int channel, int entry) {
    const int d = entry / 3;
    if (d == 1) return 0;
    return offsets[channel][d == 0 ? entry : entry - 3];
}

} // namespace

int32_t TSimCalibrationVexaRM::RangeMilliVolts(int entry) {
    return kDeviceRanges[ClampRangeEntry(entry)].MilliVolts;
}

uint16_t TSimCalibrationVexaRM::ControlBits(int entry) {
    return kDeviceRanges[ClampRangeEntry(entry)].ControlBits;
}

uint32_t TSimCalibrationVexaRM::ChecksumOf(const uint8_t *record) {
    return CalibrationChecksum(record);
}

void TSimCalibrationVexaRM::BuildDefaultRecord(uint8_t *record, uint32_t serial) {
    std::memset(record, 0, kRecordSize);
    record[0] = 0x5A;
    for (int k = 0; k < kCalGainWords; ++k)
        PutBe16(record + kCalGainWordsAt + 2 * k, kGainWords[k]);
    for (int k = 0; k < kCalCorrections; ++k)
        PutBe16(record + kCalCorrectionsAt + 2 * k, kCorrections[k]);
    // This unit sits a few steps above the factory points.
    constexpr int kAbove[2][2] = {{4, 7}, {2, 5}}; // by channel: base, period
    for (int c = 0; c < 2; ++c) {
        for (int k = 0; k < kCalPointsPerChannel; ++k)
            PutBe16(record + kCalPointsAt + 4 * k + 2 * c,
                    static_cast<uint32_t>(kFactoryPoints[c][k] + kAbove[c][0] + k % kAbove[c][1]));
        for (int k = 0; k < kCalOffsetsPerChannel; ++k)
            PutBe16(record + kCalOffsetsAt + 4 * k + 2 * c,
                    static_cast<uint16_t>(kUnitOffsets[c][k]));
    }
    PutBe32(record + kCalChecksumAt, ChecksumOf(record));
    PutBe32(record + kCalSerialAt, serial);
}

void TSimCalibrationVexaRM::Load(const uint8_t *record) {
    FIsValid = ChecksumOf(record) == Be32(record + kCalChecksumAt);
    double g[kCalCorrections];
    for (int k = 0; k < kCalCorrections; ++k)
        g[k] = Be16(record + kCalCorrectionsAt + 2 * k) * 0.4 / 65535 + 0.8;
    for (int c = 0; c < 2; ++c) {
        for (int e = 0; e < kEntries; ++e) {
            const int s = e % 3;
            const int d = e / 3;
            long double p = Be16(record + kCalGainWordsAt + 2 * (2 * s + c));
            if (kDecadeCorrection[c][d] >= 0)
                p *= static_cast<long double>(g[kDecadeCorrection[c][d]]);
            const long double withProbe = p * static_cast<long double>(g[kProbeCorrection[c][d]]);
            FGains[c][e][0] =
                static_cast<uint16_t>(static_cast<int64_t>(std::nearbyintl(p)) & 0xFFFF);
            FGains[c][e][1] =
                static_cast<uint16_t>(static_cast<int64_t>(std::nearbyintl(withProbe)) & 0xFFFF);
            FGains[c][e][2] = kDeviceRanges[e].UncalibratedGain;
        }
        for (int k = 0; k < kCalPointsPerChannel; ++k)
            FPoints[c][k] =
                FIsValid ? Be16(record + kCalPointsAt + 4 * k + 2 * c) : kFactoryPoints[c][k];
        for (int k = 0; k < kCalOffsetsPerChannel; ++k)
            FOffsets[c][k] =
                FIsValid ? static_cast<int16_t>(Be16(record + kCalOffsetsAt + 4 * k + 2 * c))
                         : kFactoryOffsets[c][k];
    }
}

int TSimCalibrationVexaRM::EntryForGain(int channel, uint16_t value) const {
    if (FIsValid)
        for (int variant = 0; variant < 2; ++variant)
            for (int e = 0; e < kEntries; ++e)
                if (FGains[channel][e][variant] == value) return e;
    for (int e = 0; e < kEntries; ++e)
        if (FGains[channel][e][2] == value) return e;
    return -1;
}

int32_t TSimCalibrationVexaRM::ZeroLevel(int channel, int32_t position, int entry) const {
    entry = ClampRangeEntry(entry);
    const int32_t *t = FPoints[channel] + 7 * (entry % 3);
    const double x = static_cast<double>(position) - Offset(FOffsets, channel, entry);
    auto ratio = [](double num, double den) {
        return den == 0.0 ? 0.0 : std::nearbyint(num / den);
    };
    int i = 0;
    while (i < 7 && t[i] < x)
        ++i;
    double level;
    if (i == 0)
        level = 31.0 - ratio((t[0] - x) * 96.0, t[3] - t[0]);
    else if (i == 7)
        level = 223.0 + ratio((x - t[6]) * 96.0, t[6] - t[3]);
    else
        level = kCalLevels[i - 1] + ratio((x - t[i - 1]) * 32.0, t[i] - t[i - 1]);
    if (level > 1e6) return 1000000;
    if (level < -1e6) return -1000000;
    return static_cast<int32_t>(level);
}

} // namespace vexa
