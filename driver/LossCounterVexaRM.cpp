#include "LossCounterVexaRM.h"

#include "common/ScopeConstsVexaRM.h"

namespace vexa {

void TLossCounterVexaRM::Start(int64_t rate, Clock::time_point now) {
    FRunning = true;
    FRate = rate;
    FBase = now;
    FDueAtBase = 0;
    FReceived = 0;
}

void TLossCounterVexaRM::ChangeRate(int64_t rate, Clock::time_point now) {
    if (!FRunning) return;
    FDueAtBase = DueAt(now);
    FBase = now;
    FRate = rate;
}

uint64_t TLossCounterVexaRM::DueAt(Clock::time_point t) const {
    if (t <= FBase || FRate <= 0) return FDueAtBase;
    const uint64_t ns = static_cast<uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(t - FBase).count());
    const uint64_t rate = static_cast<uint64_t>(FRate);
    return FDueAtBase + ns / 1000000000u * rate + ns % 1000000000u * rate / 1000000000u;
}

uint64_t TLossCounterVexaRM::Estimate(int32_t samples, bool drained, Clock::time_point before,
                                      Clock::time_point after) {
    if (!FRunning) return 0;
    // What fell due until the read began and is neither read yet nor can
    // still be in the device's memory is gone.
    uint64_t lost = 0;
    const uint64_t due = DueAt(before);
    const uint64_t keep = static_cast<uint64_t>(kDeviceFifoWords);
    if (due > FReceived + keep + kSmallestEstimate) {
        lost = due - FReceived - keep;
        FReceived += lost;
    }
    FReceived += static_cast<uint64_t>(samples > 0 ? samples : 0);
    // The block emptied the device's memory: what came is all that was due.
    // Counting on from the end of the read keeps the estimate low and lets
    // the device's clock differ from this one over hours.
    if (drained) {
        FDueAtBase = FReceived;
        FBase = after;
    }
    return lost;
}

} // namespace vexa
