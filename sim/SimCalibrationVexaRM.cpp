#include "SimCalibrationVexaRM.h"

#include <cmath>
#include <cstring>

namespace vexa {

namespace {

constexpr int32_t kRangeMv[9] = {10, 20, 50, 100, 200, 500, 1000, 2000, 5000};
constexpr uint16_t kBits[9] = {0x12, 0x12, 0x02, 0x14, 0x14, 0x04, 0x1C, 0x1C, 0x0C};
constexpr uint16_t kUncalibrated[9] = {1818, 3636, 3636, 1818, 3636, 3636, 1818, 3636, 3636};
constexpr int32_t kLevels[7] = {31, 63, 95, 127, 159, 191, 223};

// The factory points of an uncalibrated device.
constexpr int32_t kFactoryPoints[2][21] = {
    {1147, 1424, 1702, 1976, 2244, 2505, 2767, 1238, 1512, 1789, 2065,
     2327, 2588, 2850, 1282, 1561, 1839, 2114, 2379, 2643, 2907},
    {1040, 1314, 1589, 1859, 2128, 2393, 2657, 1181, 1455, 1730, 2005,
     2268, 2533, 2796, 1239, 1515, 1793, 2069, 2334, 2600, 2867}};
constexpr int32_t kFactoryOffsets[2][6] = {{101, 50, 21, -6, -4, 1}, {110, 57, 25, -8, -5, -2}};

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
    return kRangeMv[entry < 0 || entry > 8 ? 8 : entry];
}

uint16_t TSimCalibrationVexaRM::ControlBits(int entry) {
    return kBits[entry < 0 || entry > 8 ? 8 : entry];
}

uint32_t TSimCalibrationVexaRM::ChecksumOf(const uint8_t *record) {
    uint32_t sum = 0;
    for (uint32_t i = 0; i <= 155; ++i)
        sum += (i + 1) * record[i] + i;
    return sum;
}

void TSimCalibrationVexaRM::BuildDefaultRecord(uint8_t *record, uint32_t serial) {
    std::memset(record, 0, kRecordSize);
    record[0] = 0x5A;
    for (int k = 0; k < 6; ++k)
        PutBe16(record + 1 + 2 * k, kGainWords[k]);
    for (int k = 0; k < 10; ++k)
        PutBe16(record + 13 + 2 * k, kCorrections[k]);
    for (int k = 0; k < 21; ++k) {
        // This unit sits a few steps above the factory points.
        PutBe16(record + 33 + 4 * k, static_cast<uint32_t>(kFactoryPoints[0][k] + 4 + k % 7));
        PutBe16(record + 35 + 4 * k, static_cast<uint32_t>(kFactoryPoints[1][k] + 2 + k % 5));
    }
    for (int k = 0; k < 6; ++k) {
        PutBe16(record + 117 + 4 * k, static_cast<uint16_t>(kUnitOffsets[0][k]));
        PutBe16(record + 119 + 4 * k, static_cast<uint16_t>(kUnitOffsets[1][k]));
    }
    PutBe32(record + 156, ChecksumOf(record));
    PutBe32(record + 167, serial);
}

void TSimCalibrationVexaRM::Load(const uint8_t *record) {
    IsValid = ChecksumOf(record) == Be32(record + 156);
    double g[10];
    for (int k = 0; k < 10; ++k)
        g[k] = Be16(record + 13 + 2 * k) * 0.4 / 65535 + 0.8;
    static constexpr int kDecade[2][3] = {{0, -1, 2}, {1, -1, 3}};
    static constexpr int kProbe[2][3] = {{4, 6, 8}, {5, 7, 9}};
    for (int c = 0; c < 2; ++c) {
        for (int e = 0; e < kEntries; ++e) {
            const int s = e % 3;
            const int d = e / 3;
            long double p = Be16(record + 1 + 2 * (2 * s + c));
            if (kDecade[c][d] >= 0) p *= static_cast<long double>(g[kDecade[c][d]]);
            const long double withProbe = p * static_cast<long double>(g[kProbe[c][d]]);
            Gains[c][e][0] =
                static_cast<uint16_t>(static_cast<int64_t>(std::nearbyintl(p)) & 0xFFFF);
            Gains[c][e][1] =
                static_cast<uint16_t>(static_cast<int64_t>(std::nearbyintl(withProbe)) & 0xFFFF);
            Gains[c][e][2] = kUncalibrated[e];
        }
        for (int k = 0; k < 21; ++k)
            Points[c][k] = IsValid ? Be16(record + 33 + 4 * k + 2 * c) : kFactoryPoints[c][k];
        for (int k = 0; k < 6; ++k)
            Offsets[c][k] = IsValid ? static_cast<int16_t>(Be16(record + 117 + 4 * k + 2 * c))
                                    : kFactoryOffsets[c][k];
    }
}

int TSimCalibrationVexaRM::EntryForGain(int channel, uint16_t value) const {
    if (IsValid)
        for (int variant = 0; variant < 2; ++variant)
            for (int e = 0; e < kEntries; ++e)
                if (Gains[channel][e][variant] == value) return e;
    for (int e = 0; e < kEntries; ++e)
        if (Gains[channel][e][2] == value) return e;
    return -1;
}

int32_t TSimCalibrationVexaRM::ZeroLevel(int channel, int32_t position, int entry) const {
    if (entry < 0 || entry > 8) entry = 8;
    const int32_t *t = Points[channel] + 7 * (entry % 3);
    const double x = static_cast<double>(position) - Offset(Offsets, channel, entry);
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
        level = kLevels[i - 1] + ratio((x - t[i - 1]) * 32.0, t[i] - t[i - 1]);
    if (level > 1e6) return 1000000;
    if (level < -1e6) return -1000000;
    return static_cast<int32_t>(level);
}

} // namespace vexa
