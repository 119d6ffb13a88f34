// Builds or extends the summary index of a record file on a worker thread
// for the viewer's window, and tells the window on its own thread: Changed
// is emitted (queued) after each snapshot of the part already summarised
// and once more when the work has ended. Destroying the job cancels the
// work and waits for the worker.
#pragma once

#include "recfile/IndexBuilderVexaRM.h"

#include <QObject>

#include <memory>
#include <string>

namespace vexa::view {

class TIndexJobVexaRM : public QObject {
    Q_OBJECT
public:
    // start: an index of the file's first bytes to continue (null: from
    // the beginning); savePath: where to store the result (empty: nowhere).
    TIndexJobVexaRM(std::shared_ptr<const rec::TMappedFileVexaRM> file,
                    std::shared_ptr<const rec::TSummaryIndexVexaRM> start, std::string savePath,
                    QObject *parent = nullptr);
    ~TIndexJobVexaRM() override;

    std::shared_ptr<const rec::TMappedFileVexaRM> File() const { return FFile; }
    bool Extending() const { return FExtending; }
    double Progress() const { return FBuilder->Progress(); }
    bool Done() const { return FBuilder->Done(); }
    // The part summarised so far (the whole index once Done).
    std::shared_ptr<const rec::TSummaryIndexVexaRM> Snapshot() const {
        return FBuilder->Snapshot();
    }
    // The outcome; only once Done.
    rec::TIndexResult Result() { return FBuilder->Wait(); }

signals:
    void Changed();

private:
    std::shared_ptr<const rec::TMappedFileVexaRM> FFile;
    bool FExtending = false;
    std::unique_ptr<rec::TIndexBuilderVexaRM> FBuilder;
};

} // namespace vexa::view
