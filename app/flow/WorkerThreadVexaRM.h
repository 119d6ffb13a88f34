// A worker thread that is created suspended, resumed explicitly, asked to
// terminate through a flag, and waited for with a time limit.
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <pthread.h>
#include <sys/types.h>
#include <thread>

namespace vexa {

class TWorkerThreadVexaRM {
public:
    TWorkerThreadVexaRM();
    // Asks the body to terminate, opens the start gate and waits for the
    // body to end: freeing a thread always waits for it.
    virtual ~TWorkerThreadVexaRM();
    TWorkerThreadVexaRM(const TWorkerThreadVexaRM &) = delete;
    TWorkerThreadVexaRM &operator=(const TWorkerThreadVexaRM &) = delete;

    // Opens the start gate: the body starts running. A thread resumed
    // before it was terminated always runs its body (which then sees the
    // terminated flag and does its closing work); one terminated first
    // never runs it.
    void Resume();
    // Sets the terminated flag and wakes the body's waits (WakeForTerminate).
    void Terminate();
    bool Terminated() const { return FTerminated.load(); }
    // The flag itself, for waits that must end when it is set.
    const std::atomic<bool> &TerminatedFlag() const { return FTerminated; }
    // True once the body has returned.
    bool Finished() const;
    // Waits at most ms milliseconds for the body to end. While it waits it
    // calls service (if given) every few milliseconds, so that work the body
    // waits for on this thread gets done. True when the body has ended.
    bool WaitFor(int ms, const std::function<void()> &service = {});

    // Time-critical or normal priority, best effort: a refusal by the
    // system is ignored. May be called before or after Resume.
    void SetBoosted(bool boosted);
    bool Boosted() const { return FBoosted.load(); }
    // Processor time the thread has used so far, in seconds (0 once it has
    // ended or before it was launched). Call from the owning thread.
    double CpuSeconds() const;

protected:
    // The derived class's constructor must call Launch once everything the
    // body uses exists; the body then waits at the start gate.
    void Launch();
    // The derived class's destructor must call Stop before its members go.
    void Stop();
    virtual void Execute() = 0;
    // Called by Terminate from the terminating thread: wake any wait of the
    // body that would not end on its own soon.
    virtual void WakeForTerminate() {}

private:
    void Body();
    void ApplyPriority(pthread_t handle);

    std::atomic<bool> FTerminated{false};
    std::atomic<bool> FBoosted{false};
    std::atomic<pid_t> FTid{0}; // kernel id of the running body, 0 before it runs

    // Guards FStarted, FRunBody and FEnded; FGate signals their changes.
    mutable std::mutex FStateLock;
    std::condition_variable FGate;
    bool FStarted = false;
    bool FRunBody = false; // the first Resume came before Terminate
    bool FEnded = false;
    std::thread FThread;
};

} // namespace vexa
