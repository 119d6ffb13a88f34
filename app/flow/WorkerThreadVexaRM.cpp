#include "WorkerThreadVexaRM.h"

#include <chrono>
#include <ctime>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace vexa {

TWorkerThreadVexaRM::TWorkerThreadVexaRM() = default;

TWorkerThreadVexaRM::~TWorkerThreadVexaRM() {
    Stop();
}

void TWorkerThreadVexaRM::Launch() {
    FThread = std::thread([this] { Body(); });
}

void TWorkerThreadVexaRM::Stop() {
    if (!FThread.joinable()) return;
    Terminate();
    Resume();
    FThread.join();
}

void TWorkerThreadVexaRM::Resume() {
    {
        std::lock_guard<std::mutex> g(FStateLock);
        if (!FStarted) FRunBody = !FTerminated;
        FStarted = true;
    }
    FGate.notify_all();
}

void TWorkerThreadVexaRM::Terminate() {
    FTerminated = true;
    WakeForTerminate();
}

bool TWorkerThreadVexaRM::Finished() const {
    std::lock_guard<std::mutex> g(FStateLock);
    return FEnded;
}

bool TWorkerThreadVexaRM::WaitFor(int ms, const std::function<void()> &service) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    std::unique_lock<std::mutex> g(FStateLock);
    for (;;) {
        if (FEnded) return true;
        auto now = std::chrono::steady_clock::now();
        if (now >= deadline) return false;
        if (!service) {
            FGate.wait_until(g, deadline, [this] { return FEnded; });
            continue;
        }
        auto slice = std::min(deadline, now + std::chrono::milliseconds(2));
        FGate.wait_until(g, slice, [this] { return FEnded; });
        if (FEnded) return true;
        g.unlock();
        service();
        g.lock();
    }
}

void TWorkerThreadVexaRM::Body() {
    bool run = false;
    {
        std::unique_lock<std::mutex> g(FStateLock);
        FGate.wait(g, [this] { return FStarted; });
        run = FRunBody;
    }
    FTid = static_cast<pid_t>(syscall(SYS_gettid));
    ApplyPriority(pthread_self());
    // A body that was resumed runs even when the termination came before it
    // got the processor: its closing work (the last records, the last words
    // of the ring) must not be skipped.
    if (run) Execute();
    {
        std::lock_guard<std::mutex> g(FStateLock);
        FEnded = true;
    }
    FGate.notify_all();
}

double TWorkerThreadVexaRM::CpuSeconds() const {
    if (!FThread.joinable() || Finished()) return 0;
    clockid_t clock;
    // const_cast: native_handle is not const, reading the handle changes nothing.
    if (pthread_getcpuclockid(const_cast<std::thread &>(FThread).native_handle(), &clock) != 0)
        return 0;
    timespec ts{};
    if (clock_gettime(clock, &ts) != 0) return 0;
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void TWorkerThreadVexaRM::SetBoosted(bool boosted) {
    FBoosted = boosted;
    if (FTid.load() != 0 && FThread.joinable()) ApplyPriority(FThread.native_handle());
}

void TWorkerThreadVexaRM::ApplyPriority(pthread_t handle) {
    // Lowest real-time priority first; without the right to it, the highest
    // nice level the system grants. Both may be refused, which is fine.
    pid_t tid = FTid.load();
    if (tid == 0) return;
    sched_param sp{};
    if (FBoosted) {
        sp.sched_priority = sched_get_priority_min(SCHED_RR);
        if (pthread_setschedparam(handle, SCHED_RR, &sp) != 0)
            (void)setpriority(PRIO_PROCESS, static_cast<id_t>(tid), -10);
    } else {
        sp.sched_priority = 0;
        (void)pthread_setschedparam(handle, SCHED_OTHER, &sp);
        (void)setpriority(PRIO_PROCESS, static_cast<id_t>(tid), 0);
    }
}

} // namespace vexa
