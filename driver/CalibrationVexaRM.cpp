#include "CalibrationVexaRM.h"

#include <cmath>

namespace vexa {

namespace {

constexpr int32_t kDefaultPoints[2][21] = {
    {1147, 1424, 1702, 1976, 2244, 2505, 2767, 1238, 1512, 1789, 2065,
     2327, 2588, 2850, 1282, 1561, 1839, 2114, 2379, 2643, 2907},
    {1040, 1314, 1589, 1859, 2128, 2393, 2657, 1181, 1455, 1730, 2005,
     2268, 2533, 2796, 1239, 1515, 1793, 2069, 2334, 2600, 2867}};
constexpr int32_t kDefaultOffsets[2][6] = {{101, 50, 21, -6, -4, 1}, {110, 57, 25, -8, -5, -2}};

// Sample values of the seven calibration points of a sub-range.
constexpr int32_t kLevels[7] = {31, 63, 95, 127, 159, 191, 223};

uint16_t Be16(const uint8_t *p) {
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}
uint32_t Be32(const uint8_t *p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[3]);
}

inline int ClampEntry(int entry) {
    return entry < 0 || entry > 8 ? 8 : entry;
}

// round(num / den) with a zero divisor giving 0.
double RoundedRatio(double num, double den) {
    return den == 0.0 ? 0.0 : std::nearbyint(num / den);
}

} // namespace

int32_t RoundToInt32(double v) {
    const double r = std::nearbyint(v);
    if (!(r >= -2147483648.0)) return INT32_MIN; // also NaN
    if (r > 2147483647.0) return INT32_MAX;
    return static_cast<int32_t>(r);
}

TCalibrationVexaRM::TCalibrationVexaRM() {
    UseDefaultPositions();
}

uint32_t TCalibrationVexaRM::ChecksumOf(const uint8_t *record) {
    uint32_t sum = 0;
    for (uint32_t i = 0; i <= 155; ++i)
        sum += (i + 1) * record[i] + i;
    return sum;
}

bool TCalibrationVexaRM::Decode(const uint8_t *record) {
    Serial = Be32(record + 167);
    for (int k = 0; k < 6; ++k)
        W[k] = Be16(record + 1 + 2 * k);
    for (int k = 0; k < 10; ++k)
        G[k] = Be16(record + 13 + 2 * k) * 0.4 / 65535 + 0.8;
    for (int k = 0; k < kPointsPerChannel; ++k) {
        Points[0][k] = Be16(record + 33 + 4 * k);
        Points[1][k] = Be16(record + 35 + 4 * k);
    }
    for (int k = 0; k < kOffsetsPerChannel; ++k) {
        Offsets[0][k] = static_cast<int16_t>(Be16(record + 117 + 4 * k));
        Offsets[1][k] = static_cast<int16_t>(Be16(record + 119 + 4 * k));
    }
    IsValid = ChecksumOf(record) == Be32(record + 156);
    if (!IsValid) UseDefaultPositions();
    return IsValid;
}

void TCalibrationVexaRM::UseDefaultPositions() {
    for (int c = 0; c < 2; ++c) {
        for (int k = 0; k < kPointsPerChannel; ++k)
            Points[c][k] = kDefaultPoints[c][k];
        for (int k = 0; k < kOffsetsPerChannel; ++k)
            Offsets[c][k] = kDefaultOffsets[c][k];
    }
}

uint16_t TCalibrationVexaRM::CalibratedGain(int channel, int entry, bool withProbe) const {
    entry = ClampEntry(entry);
    const int s = entry % 3;
    const int d = entry / 3;
    const int c = channel == 0 ? 0 : 1;
    const long double base = W[2 * s + c];
    // Correction of the decade (none for the middle one) and of the probe.
    static constexpr int kDecadeFactor[2][3] = {{0, -1, 2}, {1, -1, 3}};
    static constexpr int kProbeFactor[2][3] = {{4, 6, 8}, {5, 7, 9}};
    long double product = base;
    if (kDecadeFactor[c][d] >= 0) product *= static_cast<long double>(G[kDecadeFactor[c][d]]);
    if (withProbe) product *= static_cast<long double>(G[kProbeFactor[c][d]]);
    const long double rounded = std::nearbyintl(product);
    return static_cast<uint16_t>(static_cast<int64_t>(rounded) & 0xFFFF);
}

int32_t TCalibrationVexaRM::PositionOffset(int channel, int entry) const {
    entry = ClampEntry(entry);
    const int d = entry / 3;
    if (d == 1) return 0;
    return Offsets[channel == 0 ? 0 : 1][d == 0 ? entry : entry - 3];
}

double TCalibrationVexaRM::PositionToLevel(int channel, int32_t position, int entry) const {
    entry = ClampEntry(entry);
    const int32_t *t = Points[channel == 0 ? 0 : 1] + 7 * (entry % 3);
    const double x = static_cast<double>(position) - PositionOffset(channel, entry);
    int i = 0;
    while (i < 7 && t[i] < x)
        ++i;
    if (i == 0) return 31.0 - RoundedRatio((t[0] - x) * 96.0, t[3] - t[0]);
    if (i == 7) return 223.0 + RoundedRatio((x - t[6]) * 96.0, t[6] - t[3]);
    return kLevels[i - 1] + RoundedRatio((x - t[i - 1]) * 32.0, t[i] - t[i - 1]);
}

int32_t TCalibrationVexaRM::LevelToPosition(int channel, int32_t level, int entry) const {
    entry = ClampEntry(entry);
    const int32_t *t = Points[channel == 0 ? 0 : 1] + 7 * (entry % 3);
    const double off = PositionOffset(channel, entry);
    const double z = level;
    int i = 0;
    while (i < 7 && kLevels[i] < level)
        ++i;
    double pos;
    if (i == 0)
        pos = off + t[0] - std::nearbyint((31.0 - z) * (t[3] - t[0]) / 96.0);
    else if (i == 7)
        pos = off + t[6] + std::nearbyint((z - 223.0) * (t[6] - t[3]) / 96.0);
    else
        pos = off + t[i - 1] + std::nearbyint((z - kLevels[i - 1]) * (t[i] - t[i - 1]) / 32.0);
    return RoundToInt32(pos);
}

} // namespace vexa
