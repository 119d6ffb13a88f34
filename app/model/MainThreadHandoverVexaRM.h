// Synchronous hand-over of work from worker threads to the main thread.
#pragma once

#include "ScopeInterfacesVexaRM.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

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
    // Queues fn for the main thread and returns at once, without waiting for
    // it (a notice for the operator that must not hold up the worker). fn
    // must not refer to the caller's stack. False when closed.
    bool Post(std::function<void()> fn);

    // Main thread: runs every queued item. Returns how many ran. An item
    // may run the event loop (a modal box) and so service the queue again:
    // each waiting worker is released only when its own item has finished.
    int ServicePending();
    // Refuses further items, drops the posted ones and releases every
    // waiting worker (their RunInMainThread returns false). Open reverses it.
    void Close();
    void Open();
    bool IsMainThread() const;

private:
    struct Item {
        std::function<void()> fn;
        uint64_t ticket;
        bool waited; // a worker waits for it (RunInMainThread), not posted
    };
    bool IsRunning(uint64_t ticket) const;

    // Guards the queue, the ticket sets and the closed flag.
    mutable std::mutex FLock;
    // Signalled when an item finished or the hand-over was closed.
    std::condition_variable FDone;
    std::deque<Item> FQueue;
    uint64_t FNextTicket = 1;
    std::set<uint64_t> FFinished;   // waited items that ran, until their worker sees it
    std::vector<uint64_t> FRunning; // items running now, nested ones last
    bool FClosed = false;
    std::thread::id FMainThread;
    std::function<void()> FWakeHook;
};

} // namespace vexa
