#include "ExportJobVexaRM.h"

#include <QMetaObject>

namespace vexa::view {

TExportJobVexaRM::TExportJobVexaRM(std::shared_ptr<const rec::TRecordReaderVexaRM> reader,
                                   std::string out, rec::TExportOptions options, QObject *parent)
    : QObject(parent), FReader(std::move(reader)) {
    options.Progress = [this](uint64_t done, uint64_t total) {
        FProgress.store(total ? static_cast<double>(done) / total : 1.0);
        return !FCancel.load();
    };
    FWorker = std::thread([this, out = std::move(out), options = std::move(options)] {
        FResult = rec::TRecordExportVexaRM::Export(*FReader, out, options);
        QMetaObject::invokeMethod(
            this, [this] { emit Finished(); }, Qt::QueuedConnection);
    });
}

TExportJobVexaRM::~TExportJobVexaRM() {
    Cancel();
    if (FWorker.joinable()) FWorker.join();
}

const rec::TExportResult &TExportJobVexaRM::Result() {
    if (FWorker.joinable()) FWorker.join();
    return FResult;
}

} // namespace vexa::view
