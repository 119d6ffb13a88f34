// The producer of the ring: mirrors the operator's settings into the
// virtual driver, reads sample blocks while a measurement runs, drives the
// arm and trigger lamps, ends defined-length measurements, puts the setting
// records into the stream and brings the device back after a USB failure.
#pragma once

#include "FlowContextVexaRM.h"
#include "WorkerThreadVexaRM.h"

#include <atomic>
#include <cstdint>
#include <functional>

namespace vexa {

class TAcquisitionThreadRM : public TWorkerThreadVexaRM {
public:
    // Runs in the main thread: mirrors every setting, initialises the
    // driver library and the device, mirrors again, and starts the thread.
    // It works with the ring, the scope model, its driver, the hand-over,
    // the lamps and the settings-pass requests of the context.
    explicit TAcquisitionThreadRM(const TFlowContextVexaRM &context);
    ~TAcquisitionThreadRM() override;

    bool Running() const { return FRunning.load(); }
    void SetRunning(bool running) { FRunning = running; }
    // Words the last read or record drain produced.
    int32_t BlockLength() const { return FBlockLength.load(); }
    void SetBlockLength(int32_t n) { FBlockLength = n; }
    // Device reloads after a USB failure since the start (readouts, tests).
    int32_t Reloads() const { return FReloads.load(); }
    // Gaps marked in the stream since the start (readouts, tests).
    int32_t LossRecords() const { return FLossRecords.load(); }
    // Passes of the read loop completed so far (tests wait on it: after two
    // more, a change made before was mirrored and its records drained).
    uint64_t Passes() const { return FPasses.load(); }

    // Reloads follow each other at least this far apart (on the context's
    // clock), so that a device that fails at once after every start does
    // not keep the processors busy.
    static constexpr int64_t kReloadSpacingMs = 300;
    // After this many reloads in a row without a sample from the device the
    // operator decides: retry, demo mode or quit.
    static constexpr int32_t kReloadsBeforeQuestion = 5;

    // Lamp colours, 0x00BBGGRR.
    static constexpr uint32_t kLampRed = 0x0000FF;
    static constexpr uint32_t kLampYellow = 0x00FFFF;
    static constexpr uint32_t kLampGreen = 0x008000;

protected:
    void Execute() override;
    void WakeForTerminate() override;

private:
    // Copies every mirrored setting into the virtual driver under the
    // scope's SettingsLock, then takes back what the driver derived.
    void ApplySettings();
    void UpdateLeds();
    // One read of the driver into the ring.
    void ReadPass();
    // Mirrors the settings and drains the driver's setting records into
    // the ring, ahead of the next samples.
    void SettingsPass();
    // Moves the driver's pending setting records into the ring; false when
    // the thread was terminated while waiting for room.
    bool DrainRecords();
    // The last records at termination: mirrors a pending change (the stop
    // of a measurement that ends with the program) and drains the records.
    void FinalDrain();
    // Marks lost sample periods in front of the n words at slot; returns
    // the words now at slot.
    int32_t MarkLoss(uint16_t *slot, int32_t n, uint64_t periods, uint16_t how);
    // Waits (interruptibly) until the next reload may start.
    void WaitBeforeReload();
    // Runs fn in the main thread and waits; false when it did not run (no
    // hand-over, or it was closed because the flow is stopping).
    bool InMainThread(const std::function<void()> &fn);
    // The driver library reported a lost device: reload it.
    void ReloadDriver();

    const TFlowContextVexaRM FContext;
    std::atomic<bool> FRunning{false};
    std::atomic<int32_t> FBlockLength{0};
    std::atomic<int32_t> FReloads{0};
    std::atomic<int32_t> FLossRecords{0};
    std::atomic<uint64_t> FPasses{0};
    // Thread-local state of the read loop: the last pass read, and the next
    // read is the first of a measurement; the operator heard of a loss in
    // this measurement; reloads since the device last delivered a sample,
    // and when the last one started (context's clock).
    bool FWasActive = false;
    bool FFirstReadOfStart = false;
    bool FLossTold = false;
    int32_t FReloadsWithoutSample = 0;
    int64_t FLastReloadMs = 0;
    bool FReloadedBefore = false;
};

} // namespace vexa
