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
    Settings = signal;
    Rate = samplesPerSecond > 0 ? samplesPerSecond : 1.0;
    CodesPerVolt = codesPerVolt;
    Zero = zeroLevel;
    Ac = acCoupled;
    Rebuild();
}

void TSignalGeneratorVexaRM::Rebuild() {
    const double cycles = std::fabs(Settings.Frequency) / Rate;
    Increment = static_cast<uint32_t>(std::fmod(cycles, 1.0) * 4294967296.0);
    const double dc =
        Ac ? 0.0 : Settings.Offset + (Settings.Shape == SignalShape::Dc ? Settings.Amplitude : 0.0);
    for (int i = 0; i < kTableSize; ++i) {
        const double t = static_cast<double>(i) / kTableSize; // fraction of a period
        double v = 0.0;
        switch (Settings.Shape) {
        case SignalShape::Sine:
            v = Settings.Amplitude * std::sin(kTwoPi * t);
            break;
        case SignalShape::Square:
            v = t < 0.5 ? Settings.Amplitude : -Settings.Amplitude;
            break;
        case SignalShape::Triangle:
            v = Settings.Amplitude * (t < 0.5 ? 4.0 * t - 1.0 : 3.0 - 4.0 * t);
            break;
        case SignalShape::Dc:
        case SignalShape::Noise:
            break;
        }
        const double code = std::nearbyint(Zero + (v + dc) * CodesPerVolt);
        Codes[i] = static_cast<int16_t>(std::clamp(code, 1.0, 255.0));
    }
    const double noise =
        std::fabs(Settings.Noise) +
        (Settings.Shape == SignalShape::Noise ? std::fabs(Settings.Amplitude) : 0.0);
    const double noiseCodes = std::min(noise * CodesPerVolt, 255.0);
    HasNoise = noiseCodes >= 0.5;
    uint32_t r = 0x9E3779B9u;
    for (int i = 0; i < kTableSize; ++i) {
        r ^= r << 13;
        r ^= r >> 17;
        r ^= r << 5;
        const double u = static_cast<double>(r) / 4294967295.0 * 2.0 - 1.0;
        NoiseCodes[i] = static_cast<int16_t>(std::nearbyint(u * noiseCodes));
    }
}

} // namespace vexa
