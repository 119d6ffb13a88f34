// Reads a record file once, front to back, and fills a summary index: the
// measurements, sections, events and problems, and the entries of every
// level. It continues an index where its scan stopped, so a file that grew
// is only read from there on.
#pragma once

#include "SummaryIndexVexaRM.h"

#include <functional>
#include <memory>

namespace vexa::rec {

class TMappedFileVexaRM;

class TRecordScannerVexaRM {
public:
    // Continues index (an empty one: from the start of the file) over file,
    // which must hold at least the bytes the index covers.
    TRecordScannerVexaRM(TSummaryIndexVexaRM &index, const TMappedFileVexaRM &file);

    // Scans to the end of the file. progress(done, total bytes) is called
    // every few MiB and may cancel (false is returned then, and the index is
    // left half-done). publish, when set, is called every publishBytes with
    // a finished copy of what has been summarised so far.
    bool Run(const TProgressFn &progress = {},
             const std::function<void(std::shared_ptr<TSummaryIndexVexaRM>)> &publish = {},
             uint64_t publishBytes = 256ull << 20);

private:
    void Resume();
    void ScanTo(uint64_t end);
    void Finish(TSummaryIndexVexaRM &into, uint64_t wordPos, bool atFileEnd) const;
    void Record(uint64_t i, uint32_t words, uint16_t type);
    void OpenMeasurement(uint64_t i, bool hasStart);
    void CloseMeasurement(bool complete, uint64_t endOffset);
    void OpenSection(uint64_t i);
    void CloseSection();
    void AddPeriod(uint16_t w, uint64_t i);
    void AddSamples(const uint16_t *w, uint64_t n, uint64_t i);
    void CloseLevel1();
    void CloseUpper(int k);
    void AddEvent(const TEvent &e);
    void AddProblem(ProblemKind kind, uint64_t offset, uint64_t detail);
    void NonPeriodWords(uint64_t n);
    TTimeNs TimeNow() const;

    TSummaryIndexVexaRM &FX;
    TScanState &FS;
    const TMappedFileVexaRM &FFile;
    const uint16_t *FW;
    uint64_t FPos = 0; // word being scanned
};

} // namespace vexa::rec
