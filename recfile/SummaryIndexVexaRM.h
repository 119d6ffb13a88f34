// The summary index of a record file: the structure of the file
// (measurements, sections, events, problems) and a pyramid of summaries per
// section. Level 1 summarises 1,024 sample periods per entry, each higher
// level 16 entries of the one below; per entry and channel the minimum,
// maximum, sum and sum of squares of the codes (so means and RMS are exact),
// the number of periods with values and flags for markers inside.
//
// Stored beside the record file as <name>.ind: a versioned binary file with a
// fingerprint of the record file (length, modification time, hashes of its
// first and last 64 KiB), written to a temporary name and renamed. The scan
// state at the end is stored too, so an index of a file that has grown is
// extended from where it stopped instead of built anew.
//
// An index object is filled by one thread (TRecordScannerVexaRM) and then
// only read; copies share their entry storage, so a copy is cheap.
#pragma once

#include "RecordTypesVexaRM.h"

#include <memory>
#include <string>
#include <vector>

namespace vexa::rec {

class TMappedFileVexaRM;

// Entry flags.
constexpr uint32_t kEntryArm = 1;    // an ARM-marker period inside
constexpr uint32_t kEntryDevice = 2; // a device marker inside

// Level-1 entry, 24 bytes: sums fit 18 bits (1024 x 255), the period count
// and flags share their upper bits.
struct TLevel1Entry {
    uint8_t Min[2], Max[2];
    // Non-period words (device markers, records that change nothing) between
    // the section's first word and this entry's first period.
    uint32_t Extra;
    uint32_t SumPacked[2]; // bits 0..17 sum; [0] bits 18..28 values; [1] bits 18..19 flags
    uint32_t SumSquares[2];
};
static_assert(sizeof(TLevel1Entry) == 24, "level-1 entries are 24 bytes");

// Entry of level 2 and above.
struct TUpperEntry {
    uint8_t Min[2], Max[2];
    uint32_t Flags;
    uint64_t Values;
    uint64_t Sum[2];
    uint64_t SumSquares[2];
};
static_assert(sizeof(TUpperEntry) == 48, "upper entries are 48 bytes");

// An entry of any level, widened; also the accumulator of the scan.
struct TSummary {
    uint64_t Values = 0; // periods with values
    uint64_t Sum[2] = {0, 0};
    uint64_t SumSquares[2] = {0, 0};
    uint8_t Min[2] = {255, 255}, Max[2] = {0, 0};
    uint32_t Flags = 0;

    void Merge(const TSummary &o) {
        Values += o.Values;
        for (int c = 0; c < 2; ++c) {
            Sum[c] += o.Sum[c];
            SumSquares[c] += o.SumSquares[c];
            if (o.Min[c] < Min[c]) Min[c] = o.Min[c];
            if (o.Max[c] > Max[c]) Max[c] = o.Max[c];
        }
        Flags |= o.Flags;
    }
    void AddCode(uint16_t w) {
        const uint8_t c[2] = {static_cast<uint8_t>(w & 0xFF), static_cast<uint8_t>(w >> 8)};
        ++Values;
        for (int k = 0; k < 2; ++k) {
            Sum[k] += c[k];
            SumSquares[k] += static_cast<uint64_t>(c[k]) * c[k];
            if (c[k] < Min[k]) Min[k] = c[k];
            if (c[k] > Max[k]) Max[k] = c[k];
        }
    }
};

TSummary Widen(const TLevel1Entry &e);
TSummary Widen(const TUpperEntry &e);
TLevel1Entry PackLevel1(const TSummary &s, uint32_t extra);
TUpperEntry PackUpper(const TSummary &s);

// Entries of one level in chunks that never move: a copy of the store shares
// the chunks, and a write to a chunk that another store also holds copies it
// first. Chunks may also point into a mapped index file.
template <class E> class TLevelStore {
public:
    static constexpr int kShift = 16;
    static constexpr uint64_t kChunk = uint64_t(1) << kShift;

    uint64_t Size() const { return FSize; }
    const E &operator[](uint64_t i) const { return FChunks[i >> kShift]->Data[i & (kChunk - 1)]; }
    void PushBack(const E &e);
    void PopBack() { --FSize; }
    void Clear() {
        FChunks.clear();
        FSize = 0;
    }
    // Entries [0, n) lying in a mapped region kept alive by owner.
    void AdoptMapped(const E *data, uint64_t n, std::shared_ptr<const void> owner);
    // Calls write(pointer, count) for consecutive runs of entries.
    template <class F> void ForEachRun(F &&write) const {
        for (uint64_t i = 0; i < FSize; i += kChunk)
            write(FChunks[i >> kShift]->Data,
                  static_cast<size_t>(FSize - i < kChunk ? FSize - i : kChunk));
    }

private:
    struct Chunk {
        const E *Data = nullptr;
        std::unique_ptr<E[]> Own;          // set when the chunk is on the heap
        std::shared_ptr<const void> Owner; // set when it lies in a mapping
    };
    std::vector<std::shared_ptr<Chunk>> FChunks;
    uint64_t FSize = 0;
};

// Fingerprint of the record file an index belongs to.
struct TFingerprint {
    uint64_t Length = 0;
    int64_t MTimeNs = 0;
    uint64_t HeadBytes = 0, HeadHash = 0; // the first min(64 KiB, Length) bytes
    uint64_t TailBytes = 0, TailHash = 0; // the last min(64 KiB, Length) bytes
    static TFingerprint Of(const TMappedFileVexaRM &file);
    // The file this fingerprint describes, grown by appending: its head and
    // its old tail are unchanged.
    bool GrownInto(const TMappedFileVexaRM &file) const;
};

// Where the scan of a file stopped, and everything needed to go on.
struct TScanState {
    uint64_t ResumeOffset = 0;      // byte offset of the first word not consumed
    uint64_t CutOffAt = UINT64_MAX; // a record runs past the end here
    bool OddTail = false;           // the file ends in half a word
    bool MeasurementOpen = false;
    bool SectionOpen = false;
    bool ArmRunOpen = false;    // the last event is an ARM run that may go on
    bool EventsFull = false;    // the event list reached its limit
    bool PendingDevice = false; // a device marker waits for the next section's first entry
    TScale Scale;               // in force at ResumeOffset
    TTimeNs Cursor = 0;         // time where the next section of the measurement starts
    uint64_t PendingGap = 0;    // lost periods not yet given to a section
    uint64_t ExtraInSection = 0;
    // Accumulators of the open section per level: Acc[0] is the level-1
    // entry being filled (AccPeriods periods, starting at AccExtra), Acc[k]
    // merges AccChildren[k] closed entries of level k.
    TSummary Acc[kMaxLevels];
    uint64_t AccPeriods = 0;
    uint32_t AccExtra = 0;
    uint32_t AccChildren[kMaxLevels] = {};
    // Levels whose last entry was pushed by Finish for the open section.
    uint32_t OpenLevels = 0;
};

class TSummaryIndexVexaRM {
public:
    static constexpr size_t kMaxEvents = 1000000;

    const std::vector<TMeasurement> &Measurements() const { return FMeasurements; }
    const std::vector<TSection> &Sections() const { return FSections; }
    const std::vector<TEvent> &Events() const { return FEvents; }
    // Problems in the stream and at its end, in file order.
    std::vector<TProblem> Problems() const;
    const TScanState &State() const { return FState; }
    const TFingerprint &Fingerprint() const { return FPrint; }
    // Bytes of the record file summarised.
    uint64_t CoveredBytes() const { return FPrint.Length; }
    // True when a known setting record was seen.
    bool SawRecords() const { return FSawRecords; }

    uint64_t EntryCount(int level) const;
    TSummary Entry(int level, uint64_t i) const;
    uint32_t Level1Extra(uint64_t i) const { return FLevel1[i].Extra; }
    // Bytes of the index entries and tables (about the index file's length).
    uint64_t StorageBytes() const;

    enum class LoadStatus { Missing, Current, Grown, Stale, Unreadable };
    // Loads the index at path for file (mapped, not read into memory).
    static LoadStatus Load(const std::string &path, const TMappedFileVexaRM &file,
                           std::shared_ptr<TSummaryIndexVexaRM> *out);
    // Writes the index to path through a temporary file and a rename.
    bool Save(const std::string &path, std::string *error) const;
    // Writes it to an unnamed temporary file and maps that, so the entries
    // leave the heap (used when the record file's folder is read-only).
    static std::shared_ptr<TSummaryIndexVexaRM> ParkInTemp(const TSummaryIndexVexaRM &index);

private:
    friend class TRecordScannerVexaRM;
    static std::shared_ptr<TSummaryIndexVexaRM> FromMapping(std::shared_ptr<const void> owner,
                                                            const uint8_t *data, uint64_t bytes);
    bool WriteTo(int fd) const;

    TFingerprint FPrint;
    TScanState FState;
    bool FSawRecords = false;
    std::vector<TMeasurement> FMeasurements;
    std::vector<TSection> FSections;
    std::vector<TEvent> FEvents;
    std::vector<TProblem> FProblems; // in the stream (the end's are derived)
    TLevelStore<TLevel1Entry> FLevel1;
    TLevelStore<TUpperEntry> FUpper[kMaxLevels - 1];
};

} // namespace vexa::rec
