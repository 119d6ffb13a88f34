#include "MainThreadHandoverVexaRM.h"

#include <algorithm>
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

bool TMainThreadHandoverVexaRM::IsRunning(uint64_t ticket) const {
    return std::find(Running.begin(), Running.end(), ticket) != Running.end();
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
        Queue.push_back(Item{fn, ticket, true});
        wake = WakeHook;
    }
    if (wake) wake();
    std::unique_lock<std::mutex> g(Lock);
    // A closed hand-over still waits for an item that is running right now:
    // it may refer to this worker's stack.
    Done.wait(g, [&] { return Finished.count(ticket) != 0 || (Closed && !IsRunning(ticket)); });
    if (Finished.erase(ticket) != 0) return true;
    // Closed before it ran: take it out so that nobody runs it later.
    for (auto it = Queue.begin(); it != Queue.end(); ++it) {
        if (it->ticket == ticket) {
            Queue.erase(it);
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
        std::lock_guard<std::mutex> g(Lock);
        if (Closed) return false;
        Queue.push_back(Item{std::move(fn), NextTicket++, false});
        wake = WakeHook;
    }
    if (wake) wake();
    return true;
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
            Running.push_back(item.ticket);
        }
        item.fn();
        ++ran;
        {
            std::lock_guard<std::mutex> g(Lock);
            Running.erase(std::find(Running.begin(), Running.end(), item.ticket));
            if (item.waited) Finished.insert(item.ticket);
        }
        Done.notify_all();
    }
    return ran;
}

void TMainThreadHandoverVexaRM::Close() {
    {
        std::lock_guard<std::mutex> g(Lock);
        Closed = true;
        // Nobody waits for a posted item: it goes now.
        for (auto it = Queue.begin(); it != Queue.end();)
            it = it->waited ? it + 1 : Queue.erase(it);
    }
    Done.notify_all();
}

void TMainThreadHandoverVexaRM::Open() {
    std::lock_guard<std::mutex> g(Lock);
    Closed = false;
}

} // namespace vexa
