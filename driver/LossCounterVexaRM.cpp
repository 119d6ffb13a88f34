#include "LossCounterVexaRM.h"

#include "common/ScopeConstsVexaRM.h"

namespace vexa {

void TLossCounterVexaRM::Start(int64_t rate, Clock::time_point now) {
    Running = true;
    Rate = rate;
    Base = now;
    DueAtBase = 0;
    Received = 0;
}

void TLossCounterVexaRM::ChangeRate(int64_t rate, Clock::time_point now) {
    if (!Running) return;
    DueAtBase = DueAt(now);
    Base = now;
    Rate = rate;
}

uint64_t TLossCounterVexaRM::DueAt(Clock::time_point t) const {
    if (t <= Base || Rate <= 0) return DueAtBase;
    const uint64_t ns = static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(t - Base).count());
    const uint64_t rate = static_cast<uint64_t>(Rate);
    return DueAtBase + ns / 1000000000u * rate + ns % 1000000000u * rate / 1000000000u;
}

uint64_t TLossCounterVexaRM::Estimate(int32_t samples, bool drained, Clock::time_point before,
                                      Clock::time_point after) {
    if (!Running) return 0;
    // What fell due until the read began and is neither read yet nor can
    // still be in the device's memory is gone.
    uint64_t lost = 0;
    const uint64_t due = DueAt(before);
    const uint64_t keep = static_cast<uint64_t>(kDeviceFifoWords);
    if (due > Received + keep + kSmallestEstimate) {
        lost = due - Received - keep;
        Received += lost;
    }
    Received += static_cast<uint64_t>(samples > 0 ? samples : 0);
    // The block emptied the device's memory: what came is all that was due.
    // Counting on from the end of the read keeps the estimate low and lets
    // the device's clock differ from this one over hours.
    if (drained) {
        DueAtBase = Received;
        Base = after;
    }
    return lost;
}

} // namespace vexa
