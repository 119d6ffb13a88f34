#include "IndexJobVexaRM.h"

#include <QMetaObject>

namespace vexa::view {

namespace {
// A snapshot of the part summarised every this many bytes of the file.
constexpr uint64_t kSnapshotBytes = 128ull << 20;
} // namespace

TIndexJobVexaRM::TIndexJobVexaRM(std::shared_ptr<const rec::TMappedFileVexaRM> file,
                                 std::shared_ptr<const rec::TSummaryIndexVexaRM> start,
                                 std::string savePath, QObject *parent)
    : QObject(parent), FFile(file), FExtending(start != nullptr) {
    // Called on the worker: the signal goes to this object's thread. Once
    // the job is destroyed, calls still queued are dropped with it.
    auto changed = [this] {
        QMetaObject::invokeMethod(
            this, [this] { emit Changed(); }, Qt::QueuedConnection);
    };
    FBuilder = std::make_unique<rec::TIndexBuilderVexaRM>(
        std::move(file), std::move(start), std::move(savePath), changed, kSnapshotBytes);
}

TIndexJobVexaRM::~TIndexJobVexaRM() {
    FBuilder.reset(); // cancels and joins the worker
}

} // namespace vexa::view
