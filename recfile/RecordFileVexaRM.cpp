#include "RecordFileVexaRM.h"

#include "WordStreamVexaRM.h"

#include <algorithm>

namespace vexa::rec {

namespace {

constexpr uint64_t kProbeWords = 2ull << 20; // 4 MiB at each end

// A setting record of a known type with its exact length starts at word i.
bool KnownRecordAt(const uint16_t *w, uint64_t i, uint64_t n) {
    static constexpr uint16_t kLength[kRecLostSamples + 1] = {
        0, 4, 6, 6, 4, 4, 4, 4, 4, 4, 5, 5, 5, kLostSamplesRecordWords};
    if (w[i] != kWordRecordIntroducer || i + 2 >= n) return false;
    const uint16_t type = w[i + 2];
    return type >= kRecMeasurement && type <= kRecLostSamples && w[i + 1] == kLength[type];
}

bool LooksLikeRecordFile(const TMappedFileVexaRM &m) {
    const uint64_t n = m.Words();
    if (n == 0) return true;
    const uint16_t *w = m.WordData();
    for (uint64_t i = 0; i < std::min(n, kProbeWords); ++i)
        if (KnownRecordAt(w, i, n)) return true;
    for (uint64_t i = n > kProbeWords ? n - kProbeWords : 0; i < n; ++i)
        if (KnownRecordAt(w, i, n)) return true;
    return false;
}

} // namespace

TRecordFileVexaRM::TRecordFileVexaRM(std::shared_ptr<TMappedFileVexaRM> mapping)
    : FMapping(std::move(mapping)) {}

std::unique_ptr<TRecordFileVexaRM> TRecordFileVexaRM::Open(const std::string &path,
                                                           std::string *error) {
    auto m = TMappedFileVexaRM::Open(path, error);
    if (!m) return nullptr;
    if (!LooksLikeRecordFile(*m)) {
        if (error) *error = path + ": not a record file (no setting record found)";
        return nullptr;
    }
    return std::unique_ptr<TRecordFileVexaRM>(new TRecordFileVexaRM(std::move(m)));
}

std::string TRecordFileVexaRM::IndexPathFor(const std::string &path) {
    if (path.size() <= 3) return "ind";
    return path.substr(0, path.size() - 3) + "ind";
}

TRecordFileVexaRM::LoadStatus TRecordFileVexaRM::LoadIndex() {
    // A record file that itself ends in "ind" has no index of its own.
    if (IndexPath() == Path()) return LoadStatus::Missing;
    std::shared_ptr<TSummaryIndexVexaRM> index;
    const LoadStatus s = TSummaryIndexVexaRM::Load(IndexPath(), *FMapping, &index);
    if (s == LoadStatus::Current || s == LoadStatus::Grown) FIndex = index;
    return s;
}

bool TRecordFileVexaRM::IndexCurrent() const {
    return FIndex && FIndex->CoveredBytes() == FMapping->Bytes();
}

TIndexResult TRecordFileVexaRM::EnsureIndex(const TProgressFn &progress) {
    if (!FIndex) LoadIndex();
    if (IndexCurrent()) {
        TIndexResult r;
        r.Index = FIndex;
        return r;
    }
    const std::string save = IndexPath() == Path() ? std::string() : IndexPath();
    TIndexResult r = TIndexBuilderVexaRM::Build(*FMapping, FIndex.get(), save, progress);
    if (r.Index) FIndex = r.Index;
    return r;
}

TIndexResult TRecordFileVexaRM::RebuildIndex(const TProgressFn &progress) {
    FIndex.reset();
    const std::string save = IndexPath() == Path() ? std::string() : IndexPath();
    TIndexResult r = TIndexBuilderVexaRM::Build(*FMapping, nullptr, save, progress);
    if (r.Index) FIndex = r.Index;
    return r;
}

void TRecordFileVexaRM::SetIndex(std::shared_ptr<const TSummaryIndexVexaRM> index) {
    FIndex = std::move(index);
}

bool TRecordFileVexaRM::Refresh(std::string *error) {
    const int64_t now = FMapping->CurrentBytes();
    if (now < 0 || static_cast<uint64_t>(now) == FMapping->Bytes()) return false;
    auto m = FMapping->Remap(error);
    if (!m) return false;
    if (m->Bytes() < FMapping->Bytes()) FIndex.reset();
    FMapping = m;
    return true;
}

std::shared_ptr<const TRecordReaderVexaRM> TRecordFileVexaRM::Reader() const {
    if (!FIndex) return nullptr;
    return std::make_shared<TRecordReaderVexaRM>(FMapping, FIndex);
}

} // namespace vexa::rec
