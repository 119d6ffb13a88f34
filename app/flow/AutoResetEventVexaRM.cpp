#include "AutoResetEventVexaRM.h"

#include <chrono>

namespace vexa {

void TAutoResetEventVexaRM::Set() {
    {
        std::lock_guard<std::mutex> g(Lock);
        Signalled = true;
    }
    Changed.notify_one();
}

void TAutoResetEventVexaRM::Reset() {
    std::lock_guard<std::mutex> g(Lock);
    Signalled = false;
}

bool TAutoResetEventVexaRM::IsSet() const {
    std::lock_guard<std::mutex> g(Lock);
    return Signalled;
}

bool TAutoResetEventVexaRM::WaitFor(int ms) {
    std::unique_lock<std::mutex> g(Lock);
    if (!Changed.wait_for(g, std::chrono::milliseconds(ms < 0 ? 0 : ms),
                          [this] { return Signalled; }))
        return false;
    Signalled = false;
    return true;
}

bool TAutoResetEventVexaRM::Wait(const std::atomic<bool> &abandon) {
    std::unique_lock<std::mutex> g(Lock);
    Changed.wait(g, [&] { return Signalled || abandon.load(); });
    if (!Signalled) return false;
    Signalled = false;
    return true;
}

void TAutoResetEventVexaRM::Interrupt() {
    // Taking the lock orders the caller's store to the abandon flag before
    // any waiter's next predicate check.
    { std::lock_guard<std::mutex> g(Lock); }
    Changed.notify_all();
}

} // namespace vexa
