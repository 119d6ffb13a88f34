#include "MainThreadHandoverVexaRM.h"

#include <algorithm>
#include <utility>

namespace vexa {

TMainThreadHandoverVexaRM::TMainThreadHandoverVexaRM() : FMainThread(std::this_thread::get_id()) {}

TMainThreadHandoverVexaRM::~TMainThreadHandoverVexaRM() {
    Close();
}

void TMainThreadHandoverVexaRM::SetMainThread(std::thread::id id) {
    std::lock_guard<std::mutex> g(FLock);
    FMainThread = id;
}

void TMainThreadHandoverVexaRM::SetWakeHook(std::function<void()> hook) {
    std::lock_guard<std::mutex> g(FLock);
    FWakeHook = std::move(hook);
}

bool TMainThreadHandoverVexaRM::IsMainThread() const {
    std::lock_guard<std::mutex> g(FLock);
    return std::this_thread::get_id() == FMainThread;
}

bool TMainThreadHandoverVexaRM::IsRunning(uint64_t ticket) const {
    return std::find(FRunning.begin(), FRunning.end(), ticket) != FRunning.end();
}

bool TMainThreadHandoverVexaRM::RunInMainThread(const std::function<void()> &fn) {
    if (IsMainThread()) {
        fn();
        return true;
    }
    std::function<void()> wake;
    uint64_t ticket;
    {
        std::lock_guard<std::mutex> g(FLock);
        if (FClosed) return false;
        ticket = FNextTicket++;
        FQueue.push_back(Item{fn, ticket, true});
        wake = FWakeHook;
    }
    if (wake) wake();
    std::unique_lock<std::mutex> g(FLock);
    // A closed hand-over still waits for an item that is running right now:
    // it may refer to this worker's stack.
    FDone.wait(g, [&] { return FFinished.count(ticket) != 0 || (FClosed && !IsRunning(ticket)); });
    if (FFinished.erase(ticket) != 0) return true;
    // Closed before it ran: take it out so that nobody runs it later.
    for (auto it = FQueue.begin(); it != FQueue.end(); ++it) {
        if (it->ticket == ticket) {
            FQueue.erase(it);
            break;
        }
    }
    return false;
}

bool TMainThreadHandoverVexaRM::Post(std::function<void()> fn) {
    if (IsMainThread()) {
        fn();
        return true;
    }
    std::function<void()> wake;
    {
        std::lock_guard<std::mutex> g(FLock);
        if (FClosed) return false;
        FQueue.push_back(Item{std::move(fn), FNextTicket++, false});
        wake = FWakeHook;
    }
    if (wake) wake();
    return true;
}

int TMainThreadHandoverVexaRM::ServicePending() {
    int ran = 0;
    for (;;) {
        Item item;
        {
            std::lock_guard<std::mutex> g(FLock);
            if (FQueue.empty()) break;
            item = std::move(FQueue.front());
            FQueue.pop_front();
            FRunning.push_back(item.ticket);
        }
        item.fn();
        ++ran;
        {
            std::lock_guard<std::mutex> g(FLock);
            FRunning.erase(std::find(FRunning.begin(), FRunning.end(), item.ticket));
            if (item.waited) FFinished.insert(item.ticket);
        }
        FDone.notify_all();
    }
    return ran;
}

void TMainThreadHandoverVexaRM::Close() {
    {
        std::lock_guard<std::mutex> g(FLock);
        FClosed = true;
        // Nobody waits for a posted item: it goes now.
        for (auto it = FQueue.begin(); it != FQueue.end();)
            it = it->waited ? it + 1 : FQueue.erase(it);
    }
    FDone.notify_all();
}

void TMainThreadHandoverVexaRM::Open() {
    std::lock_guard<std::mutex> g(FLock);
    FClosed = false;
}

} // namespace vexa
