// Plain types of the record-file library: the scale of a section, the
// structure of a file (measurements, sections, events, problems) and the
// answers of the queries. No Qt, no I/O; every other header builds on these.
//
// Time. Times are whole nanoseconds from the start of a measurement
// (TTimeNs). Every sample pair and every ARM marker is one sample period of
// its section's rate; a section starts at an exact time and period n of it
// lies at Start + n * 1e9 / rate, computed in integers, so nothing drifts
// however long a recording is. With the rates of the instrument every period
// is a whole number of nanoseconds. A section whose rate is not known (samples
// before any rate record) is timed as if it ran at 1 sample per second.
//
// Volts. A code k of a channel is (k - zero) * deflection / 32 mV with the
// section's zero code and deflection; a channel whose scale is not known
// (no record yet) is reported in codes only (ScaleKnown false).
#pragma once

#include "common/ScopeConstsVexaRM.h"

#include <cstdint>
#include <functional>
#include <string>

namespace vexa::rec {

using TTimeNs = int64_t;
constexpr TTimeNs kNsPerSecond = 1000000000;

// Periods summarised by one entry of level 1 of the index; each higher level
// merges kLevelFanOut entries of the level below. Entries never cross a
// section boundary: the last entry of a section may be shorter.
constexpr uint64_t kLevel1Periods = 1024;
constexpr uint64_t kLevelFanOut = 16;
constexpr int kMaxLevels = 8; // level 8 entries cover 2.7e11 periods

constexpr uint64_t PeriodsPerEntry(int level) {
    uint64_t n = kLevel1Periods;
    for (int i = 1; i < level; ++i)
        n *= kLevelFanOut;
    return n;
}

// The scale in force for a run of sample periods. A section ends wherever any
// of the fields below except Level changes (Level, the vertical position of
// the trace, does not change what a code means).
struct TScale {
    uint32_t Rate = 0;              // samples per second, 0 = not known yet
    int32_t Zero[2] = {0, 0};       // zero code of A and B
    int32_t Deflection[2] = {0, 0}; // mV per division at the probe tip, 0 = not known
    uint16_t Level[2] = {0, 0};     // word 3 of the level records (kept for extracts)
    uint16_t Probe[2] = {0, 0};     // 1..4 = 1:1 .. 1:1000, 0 = not known
    uint16_t Coupling[2] = {0, 0};  // record payload: 1 DC, 0 AC
    uint16_t Ground[2] = {0, 0};
    // Which records have been seen: bit (record type) is set once a record of
    // that type set the fields above.
    uint32_t Seen = 0;

    bool SameMeaning(const TScale &o) const;
    bool ZeroKnown(int ch) const { return Seen & (1u << (kRecLevelA + ch)); }
    bool ScaleKnown(int ch) const {
        return ZeroKnown(ch) && (Seen & (1u << (kRecDeflectionA + ch))) && Deflection[ch] > 0;
    }
    // Seconds of one period; the rate used for timing (1 when not known).
    uint32_t TimingRate() const { return Rate ? Rate : 1; }
    // Volts of a code (only meaningful when ScaleKnown(ch)).
    double Volts(int ch, double code) const {
        return (code - Zero[ch]) * Deflection[ch] / (kCodesPerDivision * 1000.0);
    }
};

// Time of period n of a section that starts at start with the given rate.
inline TTimeNs PeriodTime(TTimeNs start, uint32_t rate, uint64_t n) {
    const unsigned __int128 ns = static_cast<unsigned __int128>(n) * kNsPerSecond;
    return start + static_cast<TTimeNs>(ns / (rate ? rate : 1));
}
// The first period of a section whose time is at or after t (t >= start).
inline uint64_t PeriodAtOrAfter(TTimeNs start, uint32_t rate, TTimeNs t) {
    if (t <= start) return 0;
    const unsigned __int128 num = static_cast<unsigned __int128>(t - start) * (rate ? rate : 1);
    return static_cast<uint64_t>((num + kNsPerSecond - 1) / kNsPerSecond);
}
inline double Seconds(TTimeNs t) {
    return static_cast<double>(t) / kNsPerSecond;
}

// A run of sample periods of one measurement with one constant scale. A
// section also ends at a gap of lost samples; the next one then starts that
// many periods later.
struct TSection {
    uint32_t Measurement = 0; // 0-based index of its measurement
    TScale Scale;
    uint64_t StartOffset = 0; // byte offset of its first period's word
    uint64_t EndOffset = 0;   // byte offset just past its last period's word
    uint64_t Periods = 0;     // sample pairs and ARM markers
    uint64_t ArmMarkers = 0;  // periods without values
    TTimeNs Start = 0;        // time of its first period
    uint64_t GapBefore = 0;   // lost periods between the previous section and this one
    // Index entries of this section per level (level 1 at [0]); a level is
    // present only where the one below has more than one entry.
    uint64_t FirstEntry[kMaxLevels] = {};
    uint64_t EntryCount[kMaxLevels] = {};

    TTimeNs End() const { return PeriodTime(Start, Scale.Rate, Periods); }
    TTimeNs TimeOf(uint64_t period) const { return PeriodTime(Start, Scale.Rate, period); }
};

// One measurement: from a start record (type 1, payload 1) to its stop record
// (payload 0), or the words before the first start of a file ("no start").
struct TMeasurement {
    uint64_t StartOffset = 0; // byte offset of its start record (or first word)
    uint64_t EndOffset = 0;   // byte offset just past its stop record (or its last word)
    bool HasStart = false;    // false: words before any start record
    bool Complete = false;    // its stop record was found
    uint64_t FirstSection = 0;
    uint64_t SectionCount = 0;
    uint64_t Periods = 0; // sample periods of all its sections
    uint64_t ArmMarkers = 0;
    uint64_t DeviceMarkers = 0;
    uint64_t Gaps = 0;        // records of lost samples
    uint64_t LostPeriods = 0; // sample periods they report
    TTimeNs Duration = 0;     // end of its last section (lost periods included)
    TScale ScaleAtStart;      // the scale in force where it begins
};

enum class EventKind : uint8_t {
    DeviceMarker = 1, // a marker word from the device; takes no time
    ArmMarkers = 2,   // a run of Count consecutive ARM-marker periods
    Gap = 3,          // Count sample periods lost before Time (How: LostSamplesSource)
};

// A marker or a gap, at the time of the period that follows it (device
// markers, gaps) or of its first period (ARM markers).
struct TEvent {
    EventKind Kind = EventKind::DeviceMarker;
    uint8_t How = 0;
    uint32_t Measurement = 0;
    uint64_t Offset = 0; // byte offset of its word or record
    TTimeNs Time = 0;
    uint64_t Count = 1;
};

enum class ProblemKind : uint8_t {
    OddLength = 1,     // the file ends in half a word
    CutOff = 2,        // a record runs past the end of the file
    ZeroLength = 3,    // a record length of 0 (skipped as one word)
    UnknownType = 4,   // a record of a type this reader does not know (skipped)
    ShortRecord = 5,   // a known record shorter than its type needs (ignored)
    Incomplete = 6,    // a measurement without its stop record
    TooManyEvents = 7, // markers past the event list's limit are counted, not listed
};

// Detail of a ShortRecord problem: the record's length when it is below 3,
// else kShortTypeFlag plus its type.
constexpr uint64_t kShortTypeFlag = 0x10000;

struct TProblem {
    ProblemKind Kind = ProblemKind::OddLength;
    uint64_t Offset = 0; // byte offset in the record file
    uint64_t Detail = 0; // record type, length or measurement number, by kind
    std::string Text() const;
};

// Statistics of one channel over a span, in codes; Volts...() convert with the
// scale when it is known. Exact: sums are whole numbers.
struct TChannelStats {
    uint64_t Samples = 0; // periods with values (ARM markers have none)
    int MinCode = 255, MaxCode = 0;
    bool ScaleKnown = true; // every section of the span has a known scale
    // In volts (valid only when ScaleKnown and Samples > 0). Across sections
    // with different scales the volts of each section are combined.
    double MinV = 0, MaxV = 0, MeanV = 0, RmsV = 0;
    // Code sums (a single scale only: meaningful when the span has one section).
    uint64_t Sum = 0, SumSquares = 0;
    double MeanCode() const { return Samples ? static_cast<double>(Sum) / Samples : 0; }
};

struct TSpanStats {
    TTimeNs From = 0, To = 0; // the span [From, To)
    uint64_t Periods = 0;
    uint64_t ArmMarkers = 0;
    uint64_t DeviceMarkers = 0;
    TChannelStats Channel[2];
};

// One screen column of a frame: the band of each channel's values whose
// periods begin in the column. Empty (Samples 0) where nothing was recorded.
struct TColumn {
    uint64_t Samples = 0;
    float MinV[2] = {0, 0}, MaxV[2] = {0, 0}, MeanV[2] = {0, 0};
    uint8_t MinCode[2] = {255, 255}, MaxCode[2] = {0, 0};
    bool Arm = false;          // an ARM-marker period falls in the column
    bool DeviceMarker = false; // a device marker falls in the column
};

// Called now and then with the work done and the whole work (bytes or
// periods); returns false to cancel. Called on the thread that does the work.
using TProgressFn = std::function<bool(uint64_t done, uint64_t total)>;

} // namespace vexa::rec
