// An auto-reset event: Set lets exactly one waiter (or the next one) through
// and clears itself when that waiter leaves.
#pragma once

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace vexa {

class TAutoResetEventVexaRM {
public:
    explicit TAutoResetEventVexaRM(bool initiallySignalled = false)
        : FSignalled(initiallySignalled) {}
    TAutoResetEventVexaRM(const TAutoResetEventVexaRM &) = delete;
    TAutoResetEventVexaRM &operator=(const TAutoResetEventVexaRM &) = delete;

    void Set();
    void Reset();
    bool IsSet() const;
    // Waits at most ms milliseconds; true when the event was signalled (and
    // is now reset again), false on timeout.
    bool WaitFor(int ms);
    // Waits without a time limit until the event is signalled (true) or
    // abandon becomes true (false). Whoever sets abandon must call Interrupt
    // afterwards so that a waiter re-checks it.
    bool Wait(const std::atomic<bool> &abandon);
    // Wakes every waiter to re-check its abandon flag; the state is kept.
    void Interrupt();
    // The threads waiting in Wait or WaitFor now (readouts and tests).
    int Waiters() const;

private:
    // Guards FSignalled and FWaiters; the condition variable waits on it.
    mutable std::mutex FLock;
    std::condition_variable FChanged;
    bool FSignalled;
    int FWaiters = 0;
};

} // namespace vexa
