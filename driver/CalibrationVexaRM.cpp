#include "CalibrationVexaRM.h"

#include "common/DeviceRegistersVexaRM.h"

#include <cmath>

namespace vexa {

namespace {

uint16_t Be16(const uint8_t *p) {
    return static_cast<uint16_t>(p[0] << 8 | p[1]);
}
uint32_t Be32(const uint8_t *p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[3]);
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
    return CalibrationChecksum(record);
}

bool TCalibrationVexaRM::Decode(const uint8_t *record) {
    FSerial = Be32(record + kCalSerialAt);
    for (int k = 0; k < kCalGainWords; ++k)
        FW[k] = Be16(record + kCalGainWordsAt + 2 * k);
    for (int k = 0; k < kCalCorrections; ++k)
        FG[k] = Be16(record + kCalCorrectionsAt + 2 * k) * 0.4 / 65535 + 0.8;
    for (int c = 0; c < 2; ++c) {
        for (int k = 0; k < kPointsPerChannel; ++k)
            FPoints[c][k] = Be16(record + kCalPointsAt + 4 * k + 2 * c);
        for (int k = 0; k < kOffsetsPerChannel; ++k)
            FOffsets[c][k] = static_cast<int16_t>(Be16(record + kCalOffsetsAt + 4 * k + 2 * c));
    }
    FIsValid = ChecksumOf(record) == Be32(record + kCalChecksumAt);
    if (!FIsValid) UseDefaultPositions();
    return FIsValid;
}

void TCalibrationVexaRM::UseDefaultPositions() {
    for (int c = 0; c < 2; ++c) {
        for (int k = 0; k < kPointsPerChannel; ++k)
            FPoints[c][k] = kFactoryPoints[c][k];
        for (int k = 0; k < kOffsetsPerChannel; ++k)
            FOffsets[c][k] = kFactoryOffsets[c][k];
    }
}

uint16_t TCalibrationVexaRM::CalibratedGain(int channel, int entry, bool withProbe) const {
    entry = ClampRangeEntry(entry);
    const int s = entry % 3;
    const int d = entry / 3;
    const int c = channel == 0 ? 0 : 1;
    const long double base = FW[2 * s + c];
    // Correction of the decade (none for the middle one) and of the probe.
    long double product = base;
    if (kDecadeCorrection[c][d] >= 0)
        product *= static_cast<long double>(FG[kDecadeCorrection[c][d]]);
    if (withProbe) product *= static_cast<long double>(FG[kProbeCorrection[c][d]]);
    const long double rounded = std::nearbyintl(product);
    return static_cast<uint16_t>(static_cast<int64_t>(rounded) & 0xFFFF);
}

int32_t TCalibrationVexaRM::PositionOffset(int channel, int entry) const {
    entry = ClampRangeEntry(entry);
    const int d = entry / 3;
    if (d == 1) return 0;
    return FOffsets[channel == 0 ? 0 : 1][d == 0 ? entry : entry - 3];
}

double TCalibrationVexaRM::PositionToLevel(int channel, int32_t position, int entry) const {
    entry = ClampRangeEntry(entry);
    const int32_t *t = FPoints[channel == 0 ? 0 : 1] + 7 * (entry % 3);
    const double x = static_cast<double>(position) - PositionOffset(channel, entry);
    int i = 0;
    while (i < 7 && t[i] < x)
        ++i;
    if (i == 0) return 31.0 - RoundedRatio((t[0] - x) * 96.0, t[3] - t[0]);
    if (i == 7) return 223.0 + RoundedRatio((x - t[6]) * 96.0, t[6] - t[3]);
    return kCalLevels[i - 1] + RoundedRatio((x - t[i - 1]) * 32.0, t[i] - t[i - 1]);
}

int32_t TCalibrationVexaRM::LevelToPosition(int channel, int32_t level, int entry) const {
    entry = ClampRangeEntry(entry);
    const int32_t *t = FPoints[channel == 0 ? 0 : 1] + 7 * (entry % 3);
    const double off = PositionOffset(channel, entry);
    const double z = level;
    int i = 0;
    while (i < 7 && kCalLevels[i] < level)
        ++i;
    double pos;
    if (i == 0)
        pos = off + t[0] - std::nearbyint((31.0 - z) * (t[3] - t[0]) / 96.0);
    else if (i == 7)
        pos = off + t[6] + std::nearbyint((z - 223.0) * (t[6] - t[3]) / 96.0);
    else
        pos = off + t[i - 1] + std::nearbyint((z - kCalLevels[i - 1]) * (t[i] - t[i - 1]) / 32.0);
    return RoundToInt32(pos);
}

} // namespace vexa
