// Builds or extends the summary index of a record file, on the calling
// thread (Build) or on a worker thread of its own (the constructor), and
// stores it beside the record file or, when that cannot be written, in an
// unnamed temporary file (the index then lives as long as it is used).
//
// While the worker runs, Snapshot() gives the part already summarised as a
// complete index of the file's first bytes: a TRecordReaderVexaRM on it
// answers every query for that part.
#pragma once

#include "MappedFileVexaRM.h"
#include "SummaryIndexVexaRM.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace vexa::rec {

struct TIndexResult {
    std::shared_ptr<const TSummaryIndexVexaRM> Index; // null when cancelled
    bool Extended = false;                            // an older index was continued, not rebuilt
    uint64_t BytesScanned = 0;
    double Seconds = 0;
    bool Saved = false;    // written beside the record file
    std::string SaveError; // why it was not (it is then kept in memory)
};

class TIndexBuilderVexaRM {
public:
    // Scans file on the calling thread, continuing start when given (an
    // index of the file's first bytes, e.g. one that was loaded as Grown),
    // and stores the result at savePath (none when empty).
    static TIndexResult
    Build(const TMappedFileVexaRM &file, const TSummaryIndexVexaRM *start,
          const std::string &savePath, const TProgressFn &progress = {},
          const std::function<void(std::shared_ptr<TSummaryIndexVexaRM>)> &publish = {},
          uint64_t publishBytes = 256ull << 20);

    // Starts Build on a worker thread. onChange, when set, is called on the
    // worker thread after each snapshot (one every publishBytes of the file)
    // and when the work ends (for example to post a repaint to a user
    // interface); it must not block.
    TIndexBuilderVexaRM(std::shared_ptr<const TMappedFileVexaRM> file,
                        std::shared_ptr<const TSummaryIndexVexaRM> start, std::string savePath,
                        std::function<void()> onChange = {}, uint64_t publishBytes = 256ull << 20);
    // Cancels the work and waits for the worker.
    ~TIndexBuilderVexaRM();
    TIndexBuilderVexaRM(const TIndexBuilderVexaRM &) = delete;
    TIndexBuilderVexaRM &operator=(const TIndexBuilderVexaRM &) = delete;

    // Share of the file scanned, 0 to 1.
    double Progress() const { return FProgress.load(); }
    bool Done() const;
    void Cancel() { FCancel.store(true); }
    // Waits until the worker has ended; the result (Index null when cancelled).
    TIndexResult Wait();
    // The part summarised so far (null before the first snapshot); the whole
    // index once the work is done.
    std::shared_ptr<const TSummaryIndexVexaRM> Snapshot() const;

private:
    void Work();

    std::shared_ptr<const TMappedFileVexaRM> FFile;
    std::shared_ptr<const TSummaryIndexVexaRM> FStart;
    std::string FSavePath;
    std::function<void()> FOnChange;
    uint64_t FPublishBytes;
    std::atomic<double> FProgress{0};
    std::atomic<bool> FCancel{false};
    // Guards FSnapshot, FResult and FDone between the worker and readers.
    mutable std::mutex FLock;
    // Signalled (under FLock) when FDone becomes true.
    std::condition_variable FDoneChanged;
    std::shared_ptr<const TSummaryIndexVexaRM> FSnapshot;
    TIndexResult FResult;
    bool FDone = false;
    std::thread FWorker;
};

} // namespace vexa::rec
