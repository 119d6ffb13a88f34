// The simulated device's test controls, reached in the very library the
// driver library loads (same file, so the same instance). The device is
// reset when the controls are taken and when they are given back.
#pragma once

#include "CounterStream.h"

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
    void (*LoseConnectionAfterMs)(int32_t) = nullptr;
    void (*LoseConnectionNow)() = nullptr;
    void (*SetReconnectAfter)(int32_t) = nullptr;
    void (*SetInitFailures)(int32_t) = nullptr;
    void (*SetLoseRepeat)(int32_t) = nullptr;
    void (*InjectMarkers)(int32_t) = nullptr;
    int32_t (*SetSignal)(int32_t, int32_t, double, double, double, double) = nullptr;
    void (*SetDeviceType)(int32_t) = nullptr;
    void (*SetFpgaReject)(int32_t) = nullptr;
    void (*SetManualClock)(int32_t) = nullptr;
    void (*AdvanceClock)(int64_t) = nullptr;
    int64_t (*LostSamples)() = nullptr;
    int32_t (*ZeroLevel)(int32_t) = nullptr;

private:
    void *Handle = nullptr;
};

} // namespace vexa::test
