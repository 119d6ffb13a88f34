// Queries on a record file and its summary index: structure, times, raw
// periods, exact statistics of any span, frames of screen columns, and
// searches for level crossings, markers and gaps.
//
// A reader holds one mapping of the file and one index (both shared, both
// read-only), so it is a consistent picture of the file at one moment and may
// be used from several threads at once. It answers for the part of the file
// that the index covers (CoveredBytes); a reader on a partial index (an index
// still being built, TIndexBuilderVexaRM::Snapshot) answers for that part.
//
// Measurements are numbered from 0 here (the tool shows them from 1). Spans
// are [from, to) in nanoseconds from the measurement's start (see
// RecordTypesVexaRM.h); a span is clipped to the measurement.
#pragma once

#include "RecordTypesVexaRM.h"
#include "SummaryIndexVexaRM.h"

#include <memory>
#include <string>
#include <vector>

namespace vexa::rec {

class TMappedFileVexaRM;

// A period of a measurement: section index (into Sections()) and the period
// within that section. Period == section's Periods means "its end".
struct TPosition {
    uint64_t Section = 0;
    uint64_t Period = 0;
};

enum class CrossingKind : uint8_t {
    Rising,  // a value at or above the level after one below it
    Falling, // a value at or below the level after one above it
};

enum class MarkKind : uint8_t { DeviceMarker, ArmMarker, Gap };

class TRecordReaderVexaRM {
public:
    TRecordReaderVexaRM(std::shared_ptr<const TMappedFileVexaRM> file,
                        std::shared_ptr<const TSummaryIndexVexaRM> index);

    // ---- Structure ------------------------------------------------------
    uint64_t FileBytes() const;
    const std::string &Path() const;
    // The mapped bytes of the record file.
    const uint8_t *MappedData() const;
    uint64_t CoveredBytes() const;
    const std::vector<TMeasurement> &Measurements() const;
    const std::vector<TSection> &Sections() const;
    // Every listed event, in file order (ARM markers as runs; the list holds
    // at most TSummaryIndexVexaRM::kMaxEvents, counts in the measurements
    // are always complete).
    const std::vector<TEvent> &Events() const;
    // The events of measurement m whose time lies in [from, to).
    std::vector<TEvent> EventsIn(uint32_t m, TTimeNs from, TTimeNs to) const;
    std::vector<TProblem> Problems() const;
    const TSummaryIndexVexaRM &Index() const { return *FIndex; }

    // ---- Time -------------------------------------------------------------
    // The first period of measurement m at or after t (its end when none).
    TPosition Locate(uint32_t m, TTimeNs t) const;
    TTimeNs TimeOf(const TPosition &p) const;
    // The section of measurement m that holds time t (the last one that
    // starts at or before t); the measurement's first section before it.
    uint64_t SectionAt(uint32_t m, TTimeNs t) const;

    // ---- Raw periods ------------------------------------------------------
    // Copies periods [first, first + count) of a section into out: the sample
    // word, or kWordMarker2 for an ARM-marker period. Returns the number
    // copied (fewer at the section's end).
    uint64_t ReadPeriods(uint64_t section, uint64_t first, uint64_t count, uint16_t *out) const;
    // Byte offset of a period's word in the record file (the section's end
    // offset for its end).
    uint64_t OffsetOf(const TPosition &p) const;
    // Hands the words of periods [first, last) of a section to visit in runs
    // of consecutive words (samples and ARM markers only; device markers and
    // records between them are left out): visit(firstPeriod, words, n).
    // visit returns false to stop; VisitPeriods then returns false.
    template <class F>
    bool VisitPeriods(uint64_t section, uint64_t first, uint64_t last, F &&visit) const;

    // ---- Statistics -------------------------------------------------------
    // Exact statistics of [from, to) of measurement m: index entries where
    // they lie wholly inside, the raw words at the edges.
    TSpanStats Stats(uint32_t m, TTimeNs from, TTimeNs to) const;
    // The same for periods [first, last) of one section, in codes.
    TSummary SectionSummary(uint64_t section, uint64_t first, uint64_t last) const;

    // ---- Frames -----------------------------------------------------------
    // Splits [from, to) of measurement m into columns of equal time and gives
    // each the band of values of the periods that begin in it, from the index
    // level whose entries are no longer than a column (raw words when a
    // column holds fewer than 1,024 periods). Min and max never miss a value;
    // an entry that straddles a column edge counts in the column where it
    // begins. out must hold columns entries.
    void Frame(uint32_t m, TTimeNs from, TTimeNs to, int columns, TColumn *out) const;

    // ---- Search -----------------------------------------------------------
    // The next (forward) or previous crossing of channel ch (0 A, 1 B) through
    // level (volts when the scale is known, else codes) strictly after or
    // before time t in measurement m. ARM-marker periods have no value and
    // are passed over. False when there is none.
    bool FindCrossing(uint32_t m, TTimeNs t, bool forward, int ch, double level, CrossingKind kind,
                      TTimeNs *found) const;
    // The next or previous device marker, ARM-marker period or gap strictly
    // after or before t. A device marker or gap is found at the time of the
    // period that follows it.
    bool FindMark(uint32_t m, TTimeNs t, bool forward, MarkKind kind, TTimeNs *found) const;

private:
    struct TWalk; // a cursor over the words of one section
    uint64_t Level1Start(const TSection &s, uint64_t entry) const;
    uint64_t OffsetInSection(const TSection &s, uint64_t period) const;
    TSummary RawSummary(const TSection &s, uint64_t first, uint64_t last) const;
    // The first/last period p in [first, last) of section s for which pred
    // holds (index entries pruned with entryPred); UINT64_MAX when none.
    template <class EntryPred, class WordPred>
    uint64_t FindInSection(uint64_t s, uint64_t first, uint64_t last, bool forward,
                           EntryPred &&entryPred, WordPred &&wordPred) const;

    std::shared_ptr<const TMappedFileVexaRM> FFile;
    std::shared_ptr<const TSummaryIndexVexaRM> FIndex;
    const uint16_t *FWords = nullptr;
};

} // namespace vexa::rec

#include "RecordReaderVexaRM.inl"
