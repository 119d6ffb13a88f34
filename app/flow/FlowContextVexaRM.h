// What the two flow threads work with, handed to each at construction by
// the flow manager (TFlowManagerVexaRM::StartThreads). The threads keep a
// copy; every object it points to outlives them, because the manager stops
// both threads before any of those objects goes.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>

namespace vexa {

class ILampVexaRM;
class TDataSourceModuleVexaRM;
class TMainThreadHandoverVexaRM;
class TVirtualDriverVexaRM;
class TVirtualScopeVexaRM;

// The requests for a settings pass of the acquisition thread. Owned by the
// flow manager. The main thread asks (a setting changed, a stop waits for
// its record); the acquisition thread, and the main thread at a start,
// take the request; the acquisition thread reports a pass once its records
// are in the ring. Lock-free: each field is atomic, and the order of the
// steps below is what makes a request never get lost.
class TSettingsPassesVexaRM {
public:
    // Asks for a pass; returns the number of this request (from 1 up). The
    // number is counted before the flag is set: a pass that takes the flag
    // reads at least this number.
    uint64_t Ask() {
        const uint64_t request = ++FAsked;
        FDirty = true;
        return request;
    }
    // A pass is asked for and not yet taken.
    bool Dirty() const { return FDirty.load(); }
    void SetDirty(bool dirty) { FDirty = dirty; }
    // Takes the request before the settings are copied (a change made while
    // the copy runs asks for another pass) and returns the number of the
    // latest request the pass covers.
    uint64_t Take() {
        FDirty = false;
        return FAsked.load();
    }
    // The pass for request has put its records into the ring.
    void SetMirrored(uint64_t request) { FMirrored = request; }
    uint64_t Mirrored() const { return FMirrored.load(); }

private:
    std::atomic<bool> FDirty{false};
    std::atomic<uint64_t> FAsked{0};
    std::atomic<uint64_t> FMirrored{0};
};

struct TFlowContextVexaRM {
    // The ring. Owned by the main form (the rig in tests). The acquisition
    // thread is its only writer, the processing thread its only reader; the
    // main thread resets it only while neither thread exists.
    TDataSourceModuleVexaRM *Ring = nullptr;
    // The scope model. Owned by the main form. Both threads: the mirrored
    // settings under its SettingsLock, its atomic status and voltage fields,
    // the record file (processing thread only). Notify and AskOperator run
    // only in the main thread, through Handover.
    TVirtualScopeVexaRM *Scope = nullptr;
    // The scope's virtual driver. Owned by the main form. While the threads
    // exist, the acquisition thread only, and the main thread inside the
    // hand-over items that thread waits for (a reload of the library).
    TVirtualDriverVexaRM *Driver = nullptr;
    // Work for the main thread. Owned by the main form; may be null (then
    // nothing is handed over and a thread goes on without it). Any thread.
    TMainThreadHandoverVexaRM *Handover = nullptr;
    // The arm and trigger lamps. Owned by the front panel; each may be null.
    // The acquisition thread sets their colours (a lamp takes a colour from
    // any thread).
    ILampVexaRM *ArmLED = nullptr;
    ILampVexaRM *TriggerLED = nullptr;
    // The settings-pass requests. Owned by the flow manager. The acquisition
    // thread takes them and reports the passes, and raises one itself when
    // the lamps or a reached measurement length need the settings again.
    TSettingsPassesVexaRM *SettingsPasses = nullptr;
    // The flow's clock in milliseconds (the steady clock, or a test's).
    // Acquisition thread: the spacing of device reloads.
    std::function<int64_t()> ClockMs;
    // Acquisition thread: tells the operator that sample periods were lost
    // (at rate samples per second). Posts to the main thread through
    // Handover without waiting; at most one box is open at a time, and none
    // once the threads are stopping.
    std::function<void(uint64_t periods, int32_t rate)> NoticeLostSamples;
};

} // namespace vexa
