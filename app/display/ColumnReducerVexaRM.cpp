#include "ColumnReducerVexaRM.h"

#include "common/ScopeConstsVexaRM.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vexa {

namespace {

// Words examined per pass of the fast path: small enough to stay in the
// first-level cache between the search for reserved words and the sums.
constexpr int kChunkWords = 256;

// Index of the first reserved word (0, 1 or 2) in [0, len), or len.
inline int FirstReserved(const uint16_t *words, int len) {
    uint16_t lowest = 0xFFFF;
    for (int k = 0; k < len; ++k)
        lowest = std::min(lowest, words[k]);
    if (lowest >= kReservedWordLimit) return len;
    int k = 0;
    while (words[k] >= kReservedWordLimit)
        ++k;
    return k;
}

} // namespace

TColumnReducerVexaRM::TColumnReducerVexaRM() {
    std::memset(FSampleRing, 0, sizeof FSampleRing);
    std::memset(FMaxRing, 0, sizeof FMaxRing);
    std::memset(FMinRing, 0, sizeof FMinRing);
    std::memset(FAvgRing, 0, sizeof FAvgRing);
}

int64_t TColumnReducerVexaRM::SamplesPerColumn(int smpSetting, int dspSetting) {
    smpSetting = std::clamp(smpSetting, 0, kSmpSettingCount - 1);
    dspSetting = std::clamp(dspSetting, 0, kDspSettingCount - 1);
    const double perColumn =
        double(kSamplingRates[smpSetting] / 50) * kSecondsPerDivision[dspSetting];
    return std::max<int64_t>(1, std::llround(perColumn));
}

uint16_t TColumnReducerVexaRM::At(TRing ring, int position) const {
    switch (ring) {
    case RingSample:
        return SampleAt(position);
    case RingMax:
        return MaxAt(position);
    case RingMin:
        return MinAt(position);
    case RingAvg:
        return AvgAt(position);
    }
    return 0;
}

void TColumnReducerVexaRM::ForgetColumns() {
    FHead = 0;
    FWrapped = false;
}

void TColumnReducerVexaRM::ClearRing(TRing ring) {
    uint16_t *words = ring == RingSample ? FSampleRing
                      : ring == RingMax  ? FMaxRing
                      : ring == RingMin  ? FMinRing
                                         : FAvgRing;
    std::memset(words, 0, sizeof(uint16_t) * kRingSize);
}

void TColumnReducerVexaRM::ResetAccumulator() {
    FCount = 0;
    FSumA = 0;
    FSumB = 0;
    FMaxA = 0;
    FMinA = 255;
    FMaxB = 0;
    FMinB = 255;
}

void TColumnReducerVexaRM::WriteColumn(uint16_t sample, uint16_t max, uint16_t min, uint16_t avg) {
    FSampleRing[FHead] = sample;
    FMaxRing[FHead] = max;
    FMinRing[FHead] = min;
    FAvgRing[FHead] = avg;
    FHead = (FHead + 1) & kRingMask;
    if (FHead == 0) FWrapped = true;
    ++FColumnsWritten;
    ResetAccumulator();
}

void TColumnReducerVexaRM::WriteDataColumn(uint16_t lastWord) {
    auto inverted = [](int a, int b) { return uint16_t((255 - a) | ((255 - b) << 8)); };
    const int avgA = int(FSumA / FCount);
    const int avgB = int(FSumB / FCount);
    WriteColumn(inverted(lastWord & 0xFF, lastWord >> 8), inverted(FMaxA, FMaxB),
                inverted(FMinA, FMinB), inverted(avgA, avgB));
}

void TColumnReducerVexaRM::Accumulate(const uint16_t *words, int len) {
    // Both channels are bytes: 16-bit lanes hold them, so the compiler packs
    // eight words into one vector register. A 16-bit sum of bytes cannot
    // overflow within 257 words; the sums are widened every 256.
    constexpr int kChunk = 256;
    uint16_t maxA = uint16_t(FMaxA), minA = uint16_t(FMinA);
    uint16_t maxB = uint16_t(FMaxB), minB = uint16_t(FMinB);
    uint64_t sumA = 0, sumB = 0;
    for (int from = 0; from < len; from += kChunk) {
        const int to = std::min(len, from + kChunk);
        uint16_t partA = 0, partB = 0;
        for (int k = from; k < to; ++k) {
            const uint16_t a = uint16_t(words[k] & 0xFFu);
            const uint16_t b = uint16_t(words[k] >> 8);
            partA = uint16_t(partA + a);
            partB = uint16_t(partB + b);
            maxA = std::max(maxA, a);
            minA = std::min(minA, a);
            maxB = std::max(maxB, b);
            minB = std::min(minB, b);
        }
        sumA += partA;
        sumB += partB;
    }
    FSumA += int64_t(sumA);
    FSumB += int64_t(sumB);
    FMaxA = int(maxA);
    FMinA = int(minA);
    FMaxB = int(maxB);
    FMinB = int(minB);
    FCount += len;
}

int TColumnReducerVexaRM::WriteSampleColumns(const uint16_t *words, int n, int i) {
    // With one sample per column the column is the inverted sample itself
    // in all four rings, and the accumulator stays in its reset state.
    int head = FHead;
    const int from = i;
    while (i < n && words[i] >= kReservedWordLimit) {
        const uint16_t column = uint16_t(words[i] ^ 0xFFFFu);
        FSampleRing[head] = column;
        FMaxRing[head] = column;
        FMinRing[head] = column;
        FAvgRing[head] = column;
        head = (head + 1) & kRingMask;
        if (head == 0) FWrapped = true;
        ++i;
    }
    FHead = head;
    FColumnsWritten += i - from;
    return i;
}

int TColumnReducerVexaRM::ResumeRecord(const uint16_t *words, int n) {
    int64_t next = 0;
    if (FExpectLength) {
        // The introducer ended the previous block; this word is its length.
        // A length of 0 means the introducer alone was the record, and this
        // word is examined as a word of its own.
        FExpectLength = false;
        const uint16_t length = words[0];
        next = length == 0 ? 0 : int64_t(length) - 1;
    } else {
        next = FSkipLeft;
    }
    FSkipLeft = 0;
    if (next > n) {
        FSkipLeft = next - n;
        return n;
    }
    return int(next);
}

int TColumnReducerVexaRM::SkipRecord(const uint16_t *words, int n, int i) {
    if (i + 1 >= n) {
        FExpectLength = true;
        return n;
    }
    // A length word of 0 skips the introducer alone; otherwise the record
    // has that many words in all, counting the introducer and the length.
    const uint16_t length = words[i + 1];
    const int64_t next = int64_t(i) + (length == 0 ? 1 : length);
    if (next > n) {
        FSkipLeft = next - n;
        return n;
    }
    return int(next);
}

int TColumnReducerVexaRM::WalkTo(const uint16_t *words, int n, int from, int cut) {
    int i = from;
    while (i < cut) {
        if (words[i] == kWordRecordIntroducer)
            i = SkipRecord(words, n, i);
        else
            ++i;
    }
    return i;
}

int64_t TColumnReducerVexaRM::Reduce(const uint16_t *words, int n, int64_t samplesPerColumn,
                                     int widthColumns) {
    FColumnsWritten = 0;
    if (words == nullptr || n <= 0) return 0;
    const int64_t b = std::max<int64_t>(1, samplesPerColumn);

    int i = ResumeRecord(words, n);
    if (widthColumns >= 0 && n / b > widthColumns) {
        const int cut = int(n - int64_t(widthColumns) * b);
        if (i < cut) {
            i = WalkTo(words, n, i, cut);
            ResetAccumulator();
        }
    }

    while (i < n) {
        if (b == 1 && FCount == 0) {
            i = WriteSampleColumns(words, n, i);
            if (i == n) break;
        } else {
            // A column that the previous block left fuller than b words now
            // asks for (after a change of the display rate) ends with the
            // next sample.
            const int64_t missing = std::max<int64_t>(1, b - FCount);
            const int len = int(std::min<int64_t>({missing, int64_t(n - i), kChunkWords}));
            const uint16_t *chunk = words + i;
            const int clean = FirstReserved(chunk, len);
            if (clean > 0) {
                Accumulate(chunk, clean);
                i += clean;
                if (FCount >= b) WriteDataColumn(chunk[clean - 1]);
            }
            if (clean == len) continue;
        }

        const uint16_t w = words[i];
        if (w == kWordRecordIntroducer) {
            if (PreviousSample() != kColumnRecord) WriteMarker(kColumnRecord);
            i = SkipRecord(words, n, i);
        } else if (w == kWordMarker1) {
            WriteMarker(kColumnMarker1);
            ++i;
        } else { // marker 2: consecutive ones yield one column
            if (PreviousSample() != kColumnMarker2) WriteMarker(kColumnMarker2);
            ++i;
        }
    }
    return FColumnsWritten;
}

} // namespace vexa
