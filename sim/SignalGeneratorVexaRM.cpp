#include "SignalGeneratorVexaRM.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <sstream>

namespace vexa {

namespace {
constexpr double kTwoPi = 6.283185307179586476925286766559;
}

bool ParseSignalSettings(const std::string &text, SignalSettings &out) {
    std::stringstream in(text);
    std::string field;
    std::string fields[5];
    int n = 0;
    while (n < 5 && std::getline(in, field, ','))
        fields[n++] = field;
    if (n < 4) return false;
    SignalSettings s;
    const std::string &shape = fields[0];
    if (shape == "dc")
        s.Shape = SignalShape::Dc;
    else if (shape == "sine")
        s.Shape = SignalShape::Sine;
    else if (shape == "square")
        s.Shape = SignalShape::Square;
    else if (shape == "triangle")
        s.Shape = SignalShape::Triangle;
    else if (shape == "noise")
        s.Shape = SignalShape::Noise;
    else
        return false;
    double values[4] = {0, 0, 0, 0};
    for (int k = 1; k < n; ++k) {
        char *end = nullptr;
        values[k - 1] = std::strtod(fields[k].c_str(), &end);
        if (end == fields[k].c_str() || !std::isfinite(values[k - 1])) return false;
    }
    s.Amplitude = values[0];
    s.Frequency = values[1];
    s.Offset = values[2];
    s.Noise = values[3];
    out = s;
    return true;
}

void TSignalGeneratorVexaRM::Configure(const SignalSettings &signal, double samplesPerSecond,
                                       double codesPerVolt, int32_t zeroLevel, bool acCoupled) {
    FSettings = signal;
    FRate = samplesPerSecond > 0 ? samplesPerSecond : 1.0;
    FCodesPerVolt = codesPerVolt;
    FZero = zeroLevel;
    FAc = acCoupled;
    Rebuild();
}

void TSignalGeneratorVexaRM::Rebuild() {
    const double cycles = std::fabs(FSettings.Frequency) / FRate;
    FIncrement = static_cast<uint32_t>(std::fmod(cycles, 1.0) * 4294967296.0);
    const double dc =
        FAc ? 0.0
            : FSettings.Offset + (FSettings.Shape == SignalShape::Dc ? FSettings.Amplitude : 0.0);
    for (int i = 0; i < kTableSize; ++i) {
        const double t = static_cast<double>(i) / kTableSize; // fraction of a period
        double v = 0.0;
        switch (FSettings.Shape) {
        case SignalShape::Sine:
            v = FSettings.Amplitude * std::sin(kTwoPi * t);
            break;
        case SignalShape::Square:
            v = t < 0.5 ? FSettings.Amplitude : -FSettings.Amplitude;
            break;
        case SignalShape::Triangle:
            v = FSettings.Amplitude * (t < 0.5 ? 4.0 * t - 1.0 : 3.0 - 4.0 * t);
            break;
        case SignalShape::Dc:
        case SignalShape::Noise:
            break;
        }
        const double code = std::nearbyint(FZero + (v + dc) * FCodesPerVolt);
        FCodes[i] = static_cast<int16_t>(std::clamp(code, 1.0, 255.0));
    }
    const double noise =
        std::fabs(FSettings.Noise) +
        (FSettings.Shape == SignalShape::Noise ? std::fabs(FSettings.Amplitude) : 0.0);
    const double noiseCodes = std::min(noise * FCodesPerVolt, 255.0);
    FHasNoise = noiseCodes >= 0.5;
    uint32_t r = 0x9E3779B9u;
    for (int i = 0; i < kTableSize; ++i) {
        r ^= r << 13;
        r ^= r >> 17;
        r ^= r << 5;
        const double u = static_cast<double>(r) / 4294967295.0 * 2.0 - 1.0;
        FNoiseCodes[i] = static_cast<int16_t>(std::nearbyint(u * noiseCodes));
    }
}

} // namespace vexa
