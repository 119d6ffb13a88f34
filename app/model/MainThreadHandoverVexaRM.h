// Synchronous hand-over of work from worker threads to the main thread.
#pragma once

#include "ScopeInterfacesVexaRM.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace vexa {

// A queue serviced by the main thread's event loop (through the wake hook,
// which posts a call of ServicePending to it) and by the flow manager's
// stop-wait (which calls ServicePending directly while it waits for the
// worker threads). A worker that waits on the main thread can therefore
// never deadlock a shutdown: either the stop-wait runs its item, or Close
// releases it.
class TMainThreadHandoverVexaRM : public IMainThreadHandover {
public:
    TMainThreadHandoverVexaRM();
    ~TMainThreadHandoverVexaRM() override;

    // The thread that services the queue; the constructing thread by default.
    void SetMainThread(std::thread::id id);
    // Called (from a worker thread) after an item was queued, so that the
    // main thread's event loop services the queue. May be empty.
    void SetWakeHook(std::function<void()> hook);

    bool RunInMainThread(const std::function<void()> &fn) override;

    // Main thread: runs every queued item. Returns how many ran.
    int ServicePending();
    // Refuses further items and releases every waiting worker (their
    // RunInMainThread returns false). Open reverses it.
    void Close();
    void Open();
    bool IsMainThread() const;

private:
    struct Item {
        std::function<void()> fn;
        uint64_t ticket;
    };
    // Guards the queue, the ticket counters and the closed flag.
    mutable std::mutex Lock;
    // Signalled when an item finished or the hand-over was closed.
    std::condition_variable Done;
    std::deque<Item> Queue;
    uint64_t NextTicket = 1;
    uint64_t FinishedUpTo = 0;  // every ticket <= this has run or was dropped
    uint64_t RunningTicket = 0; // the item the main thread runs now, 0 for none
    bool Closed = false;
    std::thread::id MainThread;
    std::function<void()> WakeHook;
};

} // namespace vexa
