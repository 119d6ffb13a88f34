#include "IndexBuilderVexaRM.h"

#include "RecordScannerVexaRM.h"

#include <chrono>

namespace vexa::rec {

TIndexResult
TIndexBuilderVexaRM::Build(const TMappedFileVexaRM &file, const TSummaryIndexVexaRM *start,
                           const std::string &savePath, const TProgressFn &progress,
                           const std::function<void(std::shared_ptr<TSummaryIndexVexaRM>)> &publish,
                           uint64_t publishBytes) {
    const auto t0 = std::chrono::steady_clock::now();
    TIndexResult r;
    auto index = start ? std::make_shared<TSummaryIndexVexaRM>(*start)
                       : std::make_shared<TSummaryIndexVexaRM>();
    r.Extended = start != nullptr;
    const uint64_t from = index->State().ResumeOffset;
    file.AdviseSequential();
    TRecordScannerVexaRM scanner(*index, file);
    if (!scanner.Run(progress, publish, publishBytes)) return r;
    r.BytesScanned = file.Bytes() - from;
    if (!savePath.empty()) {
        r.Saved = index->Save(savePath, &r.SaveError);
        if (r.Saved) {
            // Read it back through a mapping, so the entries leave the heap.
            std::shared_ptr<TSummaryIndexVexaRM> stored;
            if (TSummaryIndexVexaRM::Load(savePath, file, &stored) ==
                TSummaryIndexVexaRM::LoadStatus::Current)
                index = stored;
        }
    }
    if (!r.Saved) {
        if (auto parked = TSummaryIndexVexaRM::ParkInTemp(*index)) index = parked;
    }
    r.Index = index;
    r.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return r;
}

TIndexBuilderVexaRM::TIndexBuilderVexaRM(std::shared_ptr<const TMappedFileVexaRM> file,
                                         std::shared_ptr<const TSummaryIndexVexaRM> start,
                                         std::string savePath, std::function<void()> onChange,
                                         uint64_t publishBytes)
    : FFile(std::move(file)), FStart(std::move(start)), FSavePath(std::move(savePath)),
      FOnChange(std::move(onChange)), FPublishBytes(publishBytes) {
    FWorker = std::thread([this] { Work(); });
}

TIndexBuilderVexaRM::~TIndexBuilderVexaRM() {
    Cancel();
    if (FWorker.joinable()) FWorker.join();
}

void TIndexBuilderVexaRM::Work() {
    auto progress = [this](uint64_t done, uint64_t total) {
        FProgress.store(total ? static_cast<double>(done) / total : 1.0);
        return !FCancel.load();
    };
    auto publish = [this](std::shared_ptr<TSummaryIndexVexaRM> part) {
        {
            std::lock_guard<std::mutex> g(FLock);
            FSnapshot = std::move(part);
        }
        if (FOnChange) FOnChange();
    };
    TIndexResult r = Build(*FFile, FStart.get(), FSavePath, progress, publish, FPublishBytes);
    {
        std::lock_guard<std::mutex> g(FLock);
        FResult = r;
        if (r.Index) FSnapshot = r.Index;
        FDone = true;
        FDoneChanged.notify_all();
    }
    if (FOnChange) FOnChange();
}

bool TIndexBuilderVexaRM::Done() const {
    std::lock_guard<std::mutex> g(FLock);
    return FDone;
}

TIndexResult TIndexBuilderVexaRM::Wait() {
    std::unique_lock<std::mutex> g(FLock);
    FDoneChanged.wait(g, [this] { return FDone; });
    return FResult;
}

std::shared_ptr<const TSummaryIndexVexaRM> TIndexBuilderVexaRM::Snapshot() const {
    std::lock_guard<std::mutex> g(FLock);
    return FSnapshot;
}

} // namespace vexa::rec
