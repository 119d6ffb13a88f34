// Reduction of the word stream to screen columns, shared by both trace
// displays. Plain C++: no toolkit, so it can be tested and measured alone.
#pragma once

#include <cstdint>

namespace vexa {

// Column words. A data column holds each channel's value inverted
// (255 - code: low byte A, high byte B), so that the byte times the vertical
// scale is the pixel row. Marker columns have the high byte 255, which no data
// column can have because sample codes are at least 1.
constexpr uint16_t kColumnRecord = 0xFFFF;  // setting records were passed
constexpr uint16_t kColumnMarker1 = 0xFF01; // device marker
constexpr uint16_t kColumnMarker2 = 0xFF02; // ARM marker

constexpr bool IsMarkerColumn(uint16_t column) {
    return (column >> 8) == 0xFF;
}

// The four column rings, their head and the accumulator of the column being
// built. Not thread-safe: the owning display serialises every call.
class TColumnReducerVexaRM {
public:
    static constexpr int kRingSize = 2048;
    static constexpr int kRingMask = kRingSize - 1;

    enum TRing { RingSample, RingMax, RingMin, RingAvg };

    TColumnReducerVexaRM();

    // Samples per column for a sampling-rate index and a display-rate index:
    // the nearest integer to (rate div 50) x seconds per division. Indices
    // outside the tables are clamped to them, and the result is at least 1 so
    // that a pair the rate coupling has not yet corrected cannot divide by 0.
    static int64_t SamplesPerColumn(int smpSetting, int dspSetting);

    // Reduces a block of n words to columns with samplesPerColumn words per
    // data column (values below 1 count as 1) and returns the number of
    // columns written; it is not folded modulo the ring, so a block that
    // writes 2048 columns or more reports all of them (only the last 2048
    // are still in the rings).
    //
    // When the block holds more than widthColumns columns' worth of words
    // (n div b > widthColumns), only the newest widthColumns x b words are
    // reduced: older columns would have left the screen at once. The older
    // part is still walked record by record so that the reduced part starts
    // on a word of the stream and not inside a setting record, and the
    // partly built column is dropped, since its remaining words are gone.
    // A negative widthColumns means no limit.
    int64_t Reduce(const uint16_t *words, int n, int64_t samplesPerColumn, int widthColumns);

    // Head 0, not wrapped: no column exists. The rings keep their words.
    void ForgetColumns();
    // Clears one ring to zero words.
    void ClearRing(TRing ring);
    // Reset state of the accumulator: count and sums 0, maxima 0, minima 255.
    // A setting record whose words are still being skipped stays skipped.
    void ResetAccumulator();

    int Head() const { return FHead; }
    bool Wrapped() const { return FWrapped; }
    // Number of columns that exist: Head, or the whole ring once wrapped.
    int ColumnCount() const { return FWrapped ? kRingSize : FHead; }

    uint16_t SampleAt(int position) const { return FSampleRing[position & kRingMask]; }
    uint16_t MaxAt(int position) const { return FMaxRing[position & kRingMask]; }
    uint16_t MinAt(int position) const { return FMinRing[position & kRingMask]; }
    uint16_t AvgAt(int position) const { return FAvgRing[position & kRingMask]; }
    uint16_t At(TRing ring, int position) const;

    // The column being built.
    int64_t Count() const { return FCount; }
    int64_t SumA() const { return FSumA; }
    int64_t SumB() const { return FSumB; }
    int MaxA() const { return FMaxA; }
    int MinA() const { return FMinA; }
    int MaxB() const { return FMaxB; }
    int MinB() const { return FMinB; }

private:
    void WriteColumn(uint16_t sample, uint16_t max, uint16_t min, uint16_t avg);
    void WriteMarker(uint16_t marker) { WriteColumn(marker, marker, marker, marker); }
    void WriteDataColumn(uint16_t lastWord);
    // Adds len sample words (none of them reserved) to the accumulator.
    void Accumulate(const uint16_t *words, int len);
    // One sample per column: writes a column for each sample word from
    // index i on; returns the index of the first reserved word (or n).
    int WriteSampleColumns(const uint16_t *words, int n, int i);
    // Continues a setting record begun in an earlier block; returns the
    // index of the first word after it (n when it goes on past the block).
    int ResumeRecord(const uint16_t *words, int n);
    // Skips the setting record whose introducer is at index i.
    int SkipRecord(const uint16_t *words, int n, int i);
    // Walks the words [from, cut) by records only; returns the first word
    // boundary at or after cut.
    int WalkTo(const uint16_t *words, int n, int from, int cut);
    uint16_t PreviousSample() const { return FSampleRing[(FHead - 1) & kRingMask]; }

    uint16_t FSampleRing[kRingSize];
    uint16_t FMaxRing[kRingSize];
    uint16_t FMinRing[kRingSize];
    uint16_t FAvgRing[kRingSize];
    int FHead = 0;
    bool FWrapped = false;
    int64_t FColumnsWritten = 0; // columns written by the current Reduce call

    // Accumulator. The sums are 64-bit: at the slowest display rate a column
    // holds up to 2,000,000,000 samples, whose sum does not fit in 32 bits.
    int64_t FCount = 0;
    int64_t FSumA = 0;
    int64_t FSumB = 0;
    int FMaxA = 0;
    int FMinA = 255;
    int FMaxB = 0;
    int FMinB = 255;

    // A setting record that goes on past the end of a block.
    bool FExpectLength = false; // the introducer was the block's last word
    int64_t FSkipLeft = 0;      // words of the record still to skip
};

} // namespace vexa
