// The simulated device's test controls, reached in the very library the
// driver library loads (same file, so the same instance).
#pragma once

#include <cstdint>
#include <string>

namespace vexa::test {

class SimControl {
public:
    SimControl();
    ~SimControl();
    bool Loaded() const { return Handle != nullptr; }

    void (*Reset)() = nullptr;
    void (*SetCounterPattern)(int32_t) = nullptr;
    void (*SetUnpaced)(int32_t) = nullptr;
    void (*LoseConnectionAfterReads)(int32_t) = nullptr;
    void (*LoseConnectionNow)() = nullptr;
    void (*SetReconnectAfter)(int32_t) = nullptr;
    void (*SetInitFailures)(int32_t) = nullptr;
    void (*InjectMarkers)(int32_t) = nullptr;
    int32_t (*SetSignal)(int32_t, int32_t, double, double, double, double) = nullptr;
    int64_t (*LostSamples)() = nullptr;

private:
    void *Handle = nullptr;
};

// The position n (mod 65,025) of a word of the counter pattern.
inline int32_t CounterIndex(uint16_t w) {
    return ((w & 0xFF) - 1) + 255 * ((w >> 8) - 1);
}

} // namespace vexa::test
