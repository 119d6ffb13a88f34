#include "DemoSourceVexaRM.h"

#include "common/ScopeConstsVexaRM.h"

#include <chrono>
#include <cmath>
#include <utility>

namespace vexa {

namespace {

constexpr uint8_t kDemoStatus = kStatusSatisfiedBoth; // ARM and trigger both satisfied
constexpr uint64_t kMaxBlockSamples = 65535;
constexpr double kTwoPi = 6.283185307179586476925286766559;
// Beyond this the sine of the argument is taken as 0.
constexpr double kLargestSineArgument = 9.2233720368547758e18; // 2^63

// One channel's constants for the length of a block.
struct ChannelPlan {
    bool wave;       // a sine term is present
    double step;     // sine argument per sample
    double phase;    // position inside the period at the first sample, in samples
    double scale;    // sample units per unit of the sine
    double offset;   // trace zero above code 640, in sample units
    uint64_t spread; // 2 x noise: r is uniform in 0 .. spread - 1
    int64_t noise;
};

ChannelPlan PlanChannel(int32_t period, int32_t amplitude, int32_t noise, uint16_t level,
                        int32_t deflection, uint32_t sinceStart, double rate) {
    ChannelPlan c{};
    const double dt = 1.0 / rate;
    // A period of 0 or less has no wave; the trace sits at its zero level.
    // A deflection of 0 or less cannot scale a wave either.
    c.wave = period > 0 && amplitude != 0 && deflection > 0;
    if (c.wave) {
        const uint32_t inPeriod = sinceStart % static_cast<uint32_t>(period);
        c.phase = static_cast<double>(inPeriod) / 1000.0 / dt;
        c.step = kTwoPi * dt * 1000.0 / static_cast<double>(period);
        c.scale = static_cast<double>(amplitude) * 255.0 / (8.0 * static_cast<double>(deflection));
    }
    c.offset = static_cast<double>((4096 - static_cast<int32_t>(level)) >> 2);
    c.noise = noise > 0 ? noise : 0;
    c.spread = 2 * static_cast<uint64_t>(c.noise);
    return c;
}

inline double Sine(double argument) {
    // Too large (or not a number): taken as 0.
    if (!(std::fabs(argument) < kLargestSineArgument)) return 0.0;
    return std::sin(argument);
}

// 640 - round(s * scale + offset) + noise term, clamped to 1..255. The
// rounding is to nearest with ties to even (the default rounding mode).
inline uint32_t Code(double position, int64_t noiseTerm) {
    double v = 640.0 - std::nearbyint(position) + static_cast<double>(noiseTerm);
    if (v < 1.0) return 1;     // also catches -inf
    if (v > 255.0) return 255; // also catches +inf
    if (v != v) return 1;      // not a number: bottom code, never a reserved word
    return static_cast<uint32_t>(v);
}

} // namespace

TDemoSourceVexaRM::TDemoSourceVexaRM() {
    SetSeed(0x5EED5EED12345678ull);
    Restart();
}

uint32_t TDemoSourceVexaRM::SteadyTickCount() {
    using namespace std::chrono;
    auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<uint32_t>(static_cast<uint64_t>(ms));
}

void TDemoSourceVexaRM::SetTickSource(TickSource source) {
    FTickSource = std::move(source);
}

uint32_t TDemoSourceVexaRM::TickCount() const {
    return FTickSource ? FTickSource() : SteadyTickCount();
}

void TDemoSourceVexaRM::Restart() {
    const uint32_t now = TickCount();
    FLastTick = now;
    FStartTick = now;
}

void TDemoSourceVexaRM::SetSeed(uint64_t seed) {
    FRandomState = seed;
}

// splitmix64: fast, good enough for a uniform noise and allocation-free.
uint32_t TDemoSourceVexaRM::NextRandom() {
    uint64_t z = (FRandomState += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return static_cast<uint32_t>((z ^ (z >> 31)) >> 32);
}

uint8_t TDemoSourceVexaRM::GenerateDemoBlock(const TDemoParametersVexaRM &p, uint16_t *buffer,
                                             int32_t &count) {
    count = 0;
    FDropped = 0;
    const uint32_t now = TickCount();
    const uint32_t elapsed = now - FLastTick; // wraps like the tick counter
    if (elapsed == 0 || p.SamplesPerSecond <= 0) return kDemoStatus;

    const uint64_t rate = static_cast<uint64_t>(p.SamplesPerSecond);
    uint64_t n = rate * elapsed / 1000;
    if (n == 0) return kDemoStatus; // the time accumulates until a sample is due
    if (n > kMaxBlockSamples) {
        // The application was not reading (e.g. the machine slept): drop
        // the backlog whole and restart the time base. The caller marks the
        // gap with its size.
        FLastTick = now;
        FDropped = n;
        return kDemoStatus;
    }
    // The time base moves in whole milliseconds; only the samples of those
    // milliseconds are delivered, the rest stay due for the next call.
    // (Delivering all n while advancing by fewer milliseconds would deliver
    // some sample periods twice: 3,500 samples a second at 2,500.)
    const uint32_t consumed = static_cast<uint32_t>(n * 1000 / rate);
    n = static_cast<uint64_t>(consumed) * rate / 1000;
    if (n == 0) return kDemoStatus;

    const double r = static_cast<double>(rate);
    const uint32_t sinceStart = FLastTick - FStartTick;
    const ChannelPlan a = PlanChannel(p.PeriodA, p.AmplitudeA, p.NoiseA, p.VerticalLevelA,
                                      p.DeflectionA, sinceStart, r);
    const ChannelPlan b = PlanChannel(p.PeriodB, p.AmplitudeB, p.NoiseB, p.VerticalLevelB,
                                      p.DeflectionB, sinceStart, r);

    for (uint64_t i = 0; i < n; ++i) {
        const double x = static_cast<double>(i);
        double posA = a.offset;
        if (a.wave) posA += Sine(a.step * (x + a.phase)) * a.scale;
        int64_t noiseA = 0;
        if (a.spread) {
            noiseA = static_cast<int64_t>((static_cast<uint64_t>(NextRandom()) * a.spread) >> 32) -
                     a.noise;
        }
        double posB = b.offset;
        if (b.wave) posB += Sine(b.step * (x + b.phase)) * b.scale;
        int64_t noiseB = 0;
        if (b.spread) {
            noiseB = static_cast<int64_t>((static_cast<uint64_t>(NextRandom()) * b.spread) >> 32) -
                     b.noise;
        }
        buffer[i] = static_cast<uint16_t>(Code(posA, noiseA) | (Code(posB, noiseB) << 8));
    }
    FLastTick += consumed;
    count = static_cast<int32_t>(n);
    return kDemoStatus;
}

} // namespace vexa
