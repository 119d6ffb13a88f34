#include "MainThreadHandoverVexaRM.h"

#include <utility>

namespace vexa {

TMainThreadHandoverVexaRM::TMainThreadHandoverVexaRM() : MainThread(std::this_thread::get_id()) {}

TMainThreadHandoverVexaRM::~TMainThreadHandoverVexaRM() {
    Close();
}

void TMainThreadHandoverVexaRM::SetMainThread(std::thread::id id) {
    std::lock_guard<std::mutex> g(Lock);
    MainThread = id;
}

void TMainThreadHandoverVexaRM::SetWakeHook(std::function<void()> hook) {
    std::lock_guard<std::mutex> g(Lock);
    WakeHook = std::move(hook);
}

bool TMainThreadHandoverVexaRM::IsMainThread() const {
    std::lock_guard<std::mutex> g(Lock);
    return std::this_thread::get_id() == MainThread;
}

bool TMainThreadHandoverVexaRM::RunInMainThread(const std::function<void()> &fn) {
    if (IsMainThread()) {
        fn();
        return true;
    }
    std::function<void()> wake;
    uint64_t ticket;
    {
        std::lock_guard<std::mutex> g(Lock);
        if (Closed) return false;
        ticket = NextTicket++;
        Queue.push_back(Item{fn, ticket});
        wake = WakeHook;
    }
    if (wake) wake();
    std::unique_lock<std::mutex> g(Lock);
    // A closed hand-over still waits for an item that is running right now:
    // it may refer to this worker's stack.
    Done.wait(g, [&] { return FinishedUpTo >= ticket || (Closed && RunningTicket != ticket); });
    if (FinishedUpTo >= ticket) return true;
    // Closed before it ran: take it out so that nobody runs it later.
    for (auto it = Queue.begin(); it != Queue.end(); ++it) {
        if (it->ticket == ticket) {
            Queue.erase(it);
            break;
        }
    }
    return false;
}

int TMainThreadHandoverVexaRM::ServicePending() {
    int ran = 0;
    for (;;) {
        Item item;
        {
            std::lock_guard<std::mutex> g(Lock);
            if (Queue.empty()) break;
            item = std::move(Queue.front());
            Queue.pop_front();
            RunningTicket = item.ticket;
        }
        item.fn();
        ++ran;
        {
            std::lock_guard<std::mutex> g(Lock);
            // Items run in ticket order, so everything up to this ticket is done.
            if (item.ticket > FinishedUpTo) FinishedUpTo = item.ticket;
            RunningTicket = 0;
        }
        Done.notify_all();
    }
    return ran;
}

void TMainThreadHandoverVexaRM::Close() {
    {
        std::lock_guard<std::mutex> g(Lock);
        Closed = true;
    }
    Done.notify_all();
}

void TMainThreadHandoverVexaRM::Open() {
    std::lock_guard<std::mutex> g(Lock);
    Closed = false;
}

} // namespace vexa
