// Runs one export of the record-file library on a worker thread for the
// viewer's window: progress and cancel through atomics, Finished emitted
// (queued) on the window's thread when the export has ended. Destroying the
// job cancels it and waits for the worker, which then removes what it wrote.
#pragma once

#include "recfile/RecordExportVexaRM.h"

#include <QObject>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace vexa::view {

class TExportJobVexaRM : public QObject {
    Q_OBJECT
public:
    TExportJobVexaRM(std::shared_ptr<const rec::TRecordReaderVexaRM> reader, std::string out,
                     rec::TExportOptions options, QObject *parent = nullptr);
    ~TExportJobVexaRM() override;

    // Share of the periods written, 0 to 1.
    double Progress() const { return FProgress.load(); }
    void Cancel() { FCancel.store(true); }
    // The outcome: waits for the worker (which has ended once Finished came).
    const rec::TExportResult &Result();

signals:
    void Finished();

private:
    std::shared_ptr<const rec::TRecordReaderVexaRM> FReader;
    std::atomic<double> FProgress{0};
    std::atomic<bool> FCancel{false};
    // Written by the worker only; read by the owner after joining it.
    rec::TExportResult FResult;
    std::thread FWorker;
};

} // namespace vexa::view
