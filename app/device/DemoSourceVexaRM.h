// The built-in signal source of demo mode: one sine wave per channel with
// the operator's amplitude, period and noise, delivered in real time in the
// device's word format (channel A in the low byte, channel B in the high
// byte, each 1..255).
#pragma once

#include <cstdint>
#include <functional>

namespace vexa {

// What the source reads from the virtual driver at every call.
struct TDemoParametersVexaRM {
    int32_t SamplesPerSecond = 50;
    int32_t PeriodA = 0, PeriodB = 0;       // ms; 0 or negative: no wave, only noise
    int32_t AmplitudeA = 0, AmplitudeB = 0; // mV peak at the probe tip; negative inverts
    int32_t NoiseA = 0, NoiseB = 0;         // sample steps; 0 or negative: none
    uint16_t VerticalLevelA = 0;            // as the driver stores it: 4095 - operator level
    uint16_t VerticalLevelB = 0;
    int32_t DeflectionA = 1, DeflectionB = 1; // mV per division at the probe tip
};

class TDemoSourceVexaRM {
public:
    // A millisecond tick counter that wraps at 2^32.
    using TickSource = std::function<uint32_t()>;

    // Ready to use with the steady clock as tick source; both tick counts
    // start at the current tick.
    TDemoSourceVexaRM();

    // The steady clock truncated to unsigned 32-bit milliseconds.
    static uint32_t SteadyTickCount();

    // Replaces the tick source (tests); an empty function restores the
    // steady clock. Does not touch the tick counts.
    void SetTickSource(TickSource source);
    uint32_t TickCount() const;

    // Time up to which samples have been delivered.
    uint32_t LastTick() const { return FLastTick; }
    void SetLastTick(uint32_t v) { FLastTick = v; }
    // Phase origin of both sine waves.
    uint32_t StartTick() const { return FStartTick; }
    void SetStartTick(uint32_t v) { FStartTick = v; }
    // Both tick counts := the current tick count (start of a measurement).
    void Restart();

    // Seeds the noise generator (same seed, same noise).
    void SetSeed(uint64_t seed);

    // Fills buffer (room for at least 65,536 words) with the samples due
    // since the last call; count := their number (0 when none are due yet or
    // when a backlog of more than 65,535 samples was dropped). Returns the
    // status 0x22. Never allocates; safe for any parameter values.
    uint8_t GenerateDemoBlock(const TDemoParametersVexaRM &p, uint16_t *buffer, int32_t &count);
    // The sample periods the last call dropped as a backlog (0 when none).
    uint64_t DroppedPeriods() const { return FDropped; }

    // The sample code at which the source puts 0 V for a channel whose
    // stored level (4095 minus the operator's level) is storedLevel. It may
    // lie outside 1..255, where the samples are clamped.
    static int32_t ZeroLevel(uint16_t storedLevel) {
        return 640 - ((4096 - static_cast<int32_t>(storedLevel)) >> 2);
    }

private:
    uint32_t NextRandom();

    TickSource FTickSource;
    uint32_t FLastTick = 0;
    uint32_t FStartTick = 0;
    uint64_t FRandomState = 0;
    uint64_t FDropped = 0;
};

} // namespace vexa
