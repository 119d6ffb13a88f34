// The consumer of the ring: every run of words goes to the active display,
// to the record file while saving is on, and to the instantaneous-voltage
// readouts, and is then released.
#pragma once

#include "FlowContextVexaRM.h"
#include "WorkerThreadVexaRM.h"

#include <atomic>
#include <cstdint>

namespace vexa {

class IBlockDisplayVexaRM;

class TProcessingThreadRM : public TWorkerThreadVexaRM {
public:
    // Created suspended: Resume starts it. It must be given a display first.
    // It works with the ring, the scope model and the hand-over of the
    // context.
    explicit TProcessingThreadRM(const TFlowContextVexaRM &context);
    ~TProcessingThreadRM() override;

    // The display that receives the blocks; replaced by the main thread on
    // a switch of display, read by this thread once per batch.
    IBlockDisplayVexaRM *Display() const { return FDisplay.load(); }
    void SetDisplay(IBlockDisplayVexaRM *display) { FDisplay = display; }

    // Words taken from the ring since the start (readouts and tests).
    uint64_t WordsProcessed() const { return FWordsProcessed.load(); }

    // The thread takes the ring's words in batches of about this many
    // milliseconds of signal at the current rate (at least one word), and
    // waits at most kBatchLimitMs for a batch to fill.
    static constexpr int kBatchMs = 10;
    static constexpr int kBatchLimitMs = 15;
    // The words of one batch at sampling-rate setting smpSetting.
    static int32_t BatchWords(int32_t smpSetting);

protected:
    void Execute() override;
    void WakeForTerminate() override;

private:
    void ProcessBlock(const uint16_t *words, int32_t n);
    // Tells the operator once that the record file could not be written and
    // switches saving off, in the main thread.
    void ReportWriteFailure();

    const TFlowContextVexaRM FContext;
    std::atomic<IBlockDisplayVexaRM *> FDisplay{nullptr};
    std::atomic<uint64_t> FWordsProcessed{0};
    // A write failure was reported (or could not be, at shutdown) and saving
    // has not been switched on again since: do not report it twice.
    bool FFailureReported = false;
};

} // namespace vexa
