// Lets the GUI event loop service the main-thread hand-over.
#pragma once

#include <memory>

namespace vexa {

class TMainThreadHandoverVexaRM;

// Installs a wake hook on a hand-over: a worker that queued an item posts
// a call of ServicePending to the GUI thread's event loop. Construct and
// destroy on the GUI thread; while it exists the GUI thread is the
// hand-over's main thread. After destruction a late wake-up posted by a
// worker finds no hand-over and does nothing.
class THandoverWakeVexaRM {
public:
    explicit THandoverWakeVexaRM(TMainThreadHandoverVexaRM &handover);
    ~THandoverWakeVexaRM();
    THandoverWakeVexaRM(const THandoverWakeVexaRM &) = delete;
    THandoverWakeVexaRM &operator=(const THandoverWakeVexaRM &) = delete;

    // How many posted wake-ups have been serviced so far (GUI thread).
    int Serviced() const;

    struct Target; // shared between the hook copies and this object

private:
    TMainThreadHandoverVexaRM &FHandover;
    std::shared_ptr<Target> FTarget;
};

} // namespace vexa
