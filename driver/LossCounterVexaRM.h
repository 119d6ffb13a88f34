// Finds the sample periods the device lost in front of each FIFO block when
// it was not read in time: the device's own count where it keeps one, else
// an estimate from the time that passed against the samples that came.
#pragma once

#include <chrono>
#include <cstdint>

namespace vexa {

class TLossCounterVexaRM {
public:
    using Clock = std::chrono::steady_clock;

    // The device keeps its own count (its feature register says so); the
    // estimate is used otherwise.
    bool DeviceCounts() const { return FCounts; }
    void SetDeviceCounts(bool counts) { FCounts = counts; }

    // A run starts at now with rate samples per second; a rate change while
    // it runs counts from its moment; a stop ends the estimate.
    void Start(int64_t rate, Clock::time_point now);
    void ChangeRate(int64_t rate, Clock::time_point now);
    void Stop() { FRunning = false; }

    // The estimate for a block just read that held samples sample words
    // (drained: it had empty slots, so the device's memory is empty now);
    // the read began at before and returned at after. Estimates err low, by
    // the samples of one transfer time, never high: the time a read began is
    // taken, and the device's memory is taken as full.
    uint64_t Estimate(int32_t samples, bool drained, Clock::time_point before,
                      Clock::time_point after);

    // Losses smaller than one block cannot be told from the jitter of the
    // clocks; they stay in the balance until more is lost.
    static constexpr uint64_t kSmallestEstimate = 32768;

private:
    uint64_t DueAt(Clock::time_point t) const;

    bool FCounts = false;
    bool FRunning = false;
    int64_t FRate = 0;
    Clock::time_point FBase;
    uint64_t FDueAtBase = 0; // samples due at FBase
    uint64_t FReceived = 0;  // samples read since the start, plus those estimated lost
};

} // namespace vexa
