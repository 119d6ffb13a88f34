// One channel's input signal, turned into sample codes by table lookup and
// an incremental phase: no transcendental call per sample.
#pragma once

#include <cstdint>
#include <string>

namespace vexa {

enum class SignalShape : int32_t { Dc = 0, Sine = 1, Square = 2, Triangle = 3, Noise = 4 };

// Signal at the device input, in volts and hertz.
struct SignalSettings {
    SignalShape Shape = SignalShape::Sine;
    double Amplitude = 0.25; // peak; for Dc the level; for Noise the peak noise
    double Frequency = 2.0;
    double Offset = 0.0; // added DC part (removed by AC coupling)
    double Noise = 0.0;  // peak of uniform noise added to the shape
};

// Parses "shape,amplitude,frequency,offset[,noise]" (shape: dc, sine,
// square, triangle, noise); false leaves out untouched.
bool ParseSignalSettings(const std::string &text, SignalSettings &out);

class TSignalGeneratorVexaRM {
public:
    static constexpr int kTableBits = 12;
    static constexpr int kTableSize = 1 << kTableBits;

    TSignalGeneratorVexaRM() { Rebuild(); }

    // Rebuilds the code tables after a change of signal, rate, range, zero
    // level or coupling.
    void Configure(const SignalSettings &signal, double samplesPerSecond, double codesPerVolt,
                   int32_t zeroLevel, bool acCoupled);
    const SignalSettings &Signal() const { return FSettings; }

    void ResetPhase() { FPhase = 0; }
    // Skips n samples (a FIFO overflow discards them).
    void Advance(uint64_t n) { FPhase += static_cast<uint32_t>(n * FIncrement); }

    // The next sample code, 1..255.
    inline uint8_t Next() {
        int32_t code = FCodes[FPhase >> (32 - kTableBits)];
        FPhase += FIncrement;
        if (FHasNoise) {
            FRng ^= FRng << 13;
            FRng ^= FRng >> 17;
            FRng ^= FRng << 5;
            code += FNoiseCodes[FRng & (kTableSize - 1)];
            code = code < 1 ? 1 : (code > 255 ? 255 : code);
        }
        return static_cast<uint8_t>(code);
    }

private:
    void Rebuild();

    SignalSettings FSettings;
    double FRate = 1000.0;
    double FCodesPerVolt = 32.0;
    int32_t FZero = 128;
    bool FAc = false;

    uint32_t FPhase = 0;
    uint32_t FIncrement = 0;
    uint32_t FRng = 0x12345678u;
    bool FHasNoise = false;
    int16_t FCodes[kTableSize] = {};      // code of one period, clamped to 1..255
    int16_t FNoiseCodes[kTableSize] = {}; // noise in codes
};

} // namespace vexa
