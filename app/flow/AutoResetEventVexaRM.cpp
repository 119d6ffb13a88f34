#include "AutoResetEventVexaRM.h"

#include <chrono>

namespace vexa {

void TAutoResetEventVexaRM::Set() {
    {
        std::lock_guard<std::mutex> g(FLock);
        FSignalled = true;
    }
    FChanged.notify_one();
}

void TAutoResetEventVexaRM::Reset() {
    std::lock_guard<std::mutex> g(FLock);
    FSignalled = false;
}

bool TAutoResetEventVexaRM::IsSet() const {
    std::lock_guard<std::mutex> g(FLock);
    return FSignalled;
}

bool TAutoResetEventVexaRM::WaitFor(int ms) {
    std::unique_lock<std::mutex> g(FLock);
    ++FWaiters;
    const bool signalled = FChanged.wait_for(g, std::chrono::milliseconds(ms < 0 ? 0 : ms),
                                             [this] { return FSignalled; });
    --FWaiters;
    if (!signalled) return false;
    FSignalled = false;
    return true;
}

bool TAutoResetEventVexaRM::Wait(const std::atomic<bool> &abandon) {
    std::unique_lock<std::mutex> g(FLock);
    ++FWaiters;
    FChanged.wait(g, [&] { return FSignalled || abandon.load(); });
    --FWaiters;
    if (!FSignalled) return false;
    FSignalled = false;
    return true;
}

int TAutoResetEventVexaRM::Waiters() const {
    std::lock_guard<std::mutex> g(FLock);
    return FWaiters;
}

void TAutoResetEventVexaRM::Interrupt() {
    // Taking the lock orders the caller's store to the abandon flag before
    // any waiter's next predicate check.
    { std::lock_guard<std::mutex> g(FLock); }
    FChanged.notify_all();
}

} // namespace vexa
