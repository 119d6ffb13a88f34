#include "ReadPipelineVexaRM.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#define VEXA_PIPELINE_SSE2 1
#endif

namespace vexa {

namespace {

inline uint16_t ClampZero(int32_t zero) {
    return static_cast<uint16_t>(std::clamp(zero, 1, 255));
}

// [lo, hi] limited to what a byte can reach; an empty range stays empty.
inline int32_t ClampLo(int64_t lo) {
    return static_cast<int32_t>(std::clamp<int64_t>(lo, 0, 256));
}
inline int32_t ClampHi(int64_t hi) {
    return static_cast<int32_t>(std::clamp<int64_t>(hi, -1, 255));
}

// Compacts up to 8 words of w (zero words dropped) to block + j.
inline int32_t CompactEight(const uint16_t *w, uint16_t *block, int32_t j) {
    for (int k = 0; k < 8; ++k) {
        block[j] = w[k];
        j += (w[k] != 0);
    }
    return j;
}

#ifdef VEXA_PIPELINE_SSE2
// Lanes whose value lies in [lo, hi] (values 0..255, bounds as clamped).
inline __m128i InRange(__m128i v, int32_t lo, int32_t hi) {
    const __m128i above = _mm_cmpgt_epi16(v, _mm_set1_epi16(static_cast<int16_t>(lo - 1)));
    const __m128i below = _mm_cmpgt_epi16(_mm_set1_epi16(static_cast<int16_t>(hi + 1)), v);
    return _mm_and_si128(above, below);
}
// Lanes holding one of the reserved words 0, 1, 2 (unsigned compare).
inline __m128i Reserved(__m128i v) {
    const __m128i bias = _mm_set1_epi16(static_cast<int16_t>(0x8000));
    return _mm_cmplt_epi16(_mm_xor_si128(v, bias), _mm_set1_epi16(static_cast<int16_t>(0x8003)));
}
#endif

} // namespace

TReadPipelineVexaRM::TReadPipelineVexaRM() {
    RebuildTriggerRanges();
    RebuildArmRanges();
}

void TReadPipelineVexaRM::SetTrigger(uint8_t flags, int32_t thresholdA, int32_t thresholdB,
                                     bool relation) {
    FTriggerFlags = flags;
    FTriggerThresholdA = thresholdA;
    FTriggerThresholdB = thresholdB;
    FTriggerAll = relation;
    RebuildTriggerRanges();
}

void TReadPipelineVexaRM::SetArm(uint8_t flags, int32_t thresholdA, int32_t thresholdB) {
    FArmFlags = flags;
    FArmThresholdA = thresholdA;
    FArmThresholdB = thresholdB;
    RebuildArmRanges();
}

void TReadPipelineVexaRM::SetGround(bool groundA, bool groundB, int32_t zeroA, int32_t zeroB) {
    FGroundA = groundA;
    FGroundB = groundB;
    FZeroA = ClampZero(zeroA);
    FZeroB = ClampZero(zeroB);
}

void TReadPipelineVexaRM::RebuildTriggerRanges() {
    auto range = [this](bool on, bool under, int32_t threshold) {
        ByteRange r;
        if (!on) {
            // With AND a channel that is not enabled does not hold the word
            // back; with OR it never makes it trigger.
            r.Lo = FTriggerAll ? 0 : 1;
            r.Hi = FTriggerAll ? 255 : 0;
        } else if (under) {
            r.Lo = 0;
            r.Hi = ClampHi(static_cast<int64_t>(threshold) - 1);
        } else {
            r.Lo = ClampLo(static_cast<int64_t>(threshold) + 1);
            r.Hi = 255;
        }
        return r;
    };
    FTriggerRangeA = range(FTriggerFlags & 0x01, FTriggerFlags & 0x04, FTriggerThresholdA);
    FTriggerRangeB = range(FTriggerFlags & 0x02, FTriggerFlags & 0x08, FTriggerThresholdB);
}

void TReadPipelineVexaRM::RebuildArmRanges() {
    auto range = [](bool on, bool under, int32_t threshold) {
        ByteRange r;
        if (on && under) r.Hi = ClampHi(threshold);  // fails above the threshold
        if (on && !under) r.Lo = ClampLo(threshold); // fails below it
        return r;
    };
    FArmPassA = range(FArmFlags & 0x01, FArmFlags & 0x04, FArmThresholdA);
    FArmPassB = range(FArmFlags & 0x02, FArmFlags & 0x08, FArmThresholdB);
}

bool TReadPipelineVexaRM::TriggerTest(uint16_t word) const {
    if (word <= 2 || (FTriggerFlags & 0x03) == 0) return false;
    const bool a = FTriggerRangeA.Holds(word & 0xFF);
    const bool b = FTriggerRangeB.Holds(word >> 8);
    return FTriggerAll ? (a && b) : (a || b);
}

uint16_t TReadPipelineVexaRM::ArmTest(uint16_t word) const {
    if (word <= 2) return word;
    const bool pass = FArmPassA.Holds(word & 0xFF) && FArmPassB.Holds(word >> 8);
    return pass ? word : uint16_t{2};
}

uint8_t TReadPipelineVexaRM::CompactStage(uint16_t *block, int32_t start, int32_t end,
                                          int32_t &count) {
    int32_t j = 0;
    int32_t i = start;
#ifdef VEXA_PIPELINE_SSE2
    const __m128i zero = _mm_setzero_si128();
    for (; i + 8 <= end; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(block + i));
        const int empty = _mm_movemask_epi8(_mm_cmpeq_epi16(v, zero));
        if (empty == 0) {
            // Writing behind the read position: j <= i.
            _mm_storeu_si128(reinterpret_cast<__m128i *>(block + j), v);
            j += 8;
        } else if (empty != 0xFFFF) {
            uint16_t w[8];
            _mm_storeu_si128(reinterpret_cast<__m128i *>(w), v);
            j = CompactEight(w, block, j);
        }
    }
#endif
    for (; i < end; ++i) {
        const uint16_t w = block[i];
        block[j] = w;
        j += (w != 0);
    }
    count = j;
    return 0x22;
}

template <bool All>
int32_t TReadPipelineVexaRM::FindTrigger(const uint16_t *block, int32_t start, int32_t end) const {
    int32_t i = start;
#ifdef VEXA_PIPELINE_SSE2
    const __m128i lowByte = _mm_set1_epi16(0x00FF);
    for (; i + 8 <= end; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(block + i));
        const __m128i a = InRange(_mm_and_si128(v, lowByte), FTriggerRangeA.Lo, FTriggerRangeA.Hi);
        const __m128i b = InRange(_mm_srli_epi16(v, 8), FTriggerRangeB.Lo, FTriggerRangeB.Hi);
        const __m128i holds = All ? _mm_and_si128(a, b) : _mm_or_si128(a, b);
        const int hit = _mm_movemask_epi8(_mm_andnot_si128(Reserved(v), holds));
        if (hit != 0) return i + __builtin_ctz(static_cast<unsigned>(hit)) / 2;
    }
#endif
    for (; i < end; ++i) {
        const uint16_t w = block[i];
        const bool a = FTriggerRangeA.Holds(w & 0xFF);
        const bool b = FTriggerRangeB.Holds(w >> 8);
        if (w > 2 && (All ? (a && b) : (a || b))) return i;
    }
    return end;
}

uint8_t TReadPipelineVexaRM::TriggerSearchStage(uint16_t *block, int32_t start, int32_t end,
                                                int32_t &count) {
    count = 0;
    FTriggeredFlag = false;
    FStateA = 1;
    FStateB = 1;
    if ((FTriggerFlags & 0x03) == 0) return 0x11;
    const int32_t at =
        FTriggerAll ? FindTrigger<true>(block, start, end) : FindTrigger<false>(block, start, end);
    if (at >= end) return 0x11;
    const uint16_t w = block[at];
    if ((FTriggerFlags & 0x01) && FTriggerRangeA.Holds(w & 0xFF)) FStateA = 3;
    if ((FTriggerFlags & 0x02) && FTriggerRangeB.Holds(w >> 8)) FStateB = 3;
    FTriggeredFlag = true;
    CompactStage(block, at, end, count);
    if (!ArmEnabled()) FFirst = FirstStage::Compact;
    return 0x22;
}

uint8_t TReadPipelineVexaRM::ArmFilterStage(uint16_t *block, int32_t start, int32_t end,
                                            int32_t &count) {
    int32_t j = 0;
    int32_t i = start;
#ifdef VEXA_PIPELINE_SSE2
    const __m128i zero = _mm_setzero_si128();
    const __m128i lowByte = _mm_set1_epi16(0x00FF);
    const __m128i marker = _mm_set1_epi16(2);
    for (; i + 8 <= end; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(block + i));
        const int empty = _mm_movemask_epi8(_mm_cmpeq_epi16(v, zero));
        if (empty == 0xFFFF) continue;
        const __m128i pass =
            _mm_and_si128(InRange(_mm_and_si128(v, lowByte), FArmPassA.Lo, FArmPassA.Hi),
                          InRange(_mm_srli_epi16(v, 8), FArmPassB.Lo, FArmPassB.Hi));
        const __m128i fail =
            _mm_andnot_si128(_mm_or_si128(pass, Reserved(v)), _mm_cmpeq_epi16(zero, zero));
        const __m128i out = _mm_or_si128(_mm_and_si128(fail, marker), _mm_andnot_si128(fail, v));
        if (empty == 0) {
            _mm_storeu_si128(reinterpret_cast<__m128i *>(block + j), out);
            j += 8;
        } else {
            uint16_t w[8];
            _mm_storeu_si128(reinterpret_cast<__m128i *>(w), out);
            j = CompactEight(w, block, j);
        }
    }
#endif
    for (; i < end; ++i) {
        const uint16_t w = ArmTest(block[i]);
        block[j] = w;
        j += (w != 0);
    }
    count = j;
    uint8_t status = FLastStatusByte;
    if (j > 0) status = block[j - 1] == kWordMarker2 ? kStatusWaitingBoth : kStatusSatisfiedBoth;
    FLastStatusByte = status;
    if (!FFreeRunOn && j > 0 && !FTriggeredFlag) {
        int32_t found = 0;
        const uint8_t s = TriggerSearchStage(block, 0, j, found);
        status = StatusByte(ArmStatusOf(status), TriggerStatusOf(s));
        count = found;
    }
    return status;
}

int32_t TReadPipelineVexaRM::CountSamples(const uint16_t *block, int32_t words) {
    int32_t n = 0;
    int32_t i = 0;
#ifdef VEXA_PIPELINE_SSE2
    // Each lane counts its words below 2 (an unsigned compare gives -1 for
    // them); a lane sees at most 8,191 words of a block, so 16 bits hold it.
    const __m128i bias = _mm_set1_epi16(static_cast<int16_t>(0x8000));
    const __m128i two = _mm_set1_epi16(static_cast<int16_t>(0x8002));
    __m128i low = _mm_setzero_si128();
    for (; i + 8 <= words && i < 8 * 8191; i += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(block + i));
        low = _mm_sub_epi16(low, _mm_cmplt_epi16(_mm_xor_si128(v, bias), two));
    }
    alignas(16) uint16_t lanes[8];
    _mm_store_si128(reinterpret_cast<__m128i *>(lanes), low);
    n = i;
    for (uint16_t c : lanes)
        n -= c;
#endif
    for (; i < words; ++i)
        n += block[i] > 1;
    return n;
}

void TReadPipelineVexaRM::GroundStage(uint16_t *block, int32_t count) const {
    if (!FGroundA && !FGroundB) return;
    // Keep mask and substitute of the delivered words.
    const uint16_t keep = FGroundA && FGroundB ? 0x0000 : (FGroundA ? 0xFF00 : 0x00FF);
    const uint16_t put =
        static_cast<uint16_t>((FGroundA ? FZeroA : 0) | (FGroundB ? FZeroB << 8 : 0));
    int32_t i = 0;
#ifdef VEXA_PIPELINE_SSE2
    const __m128i keepV = _mm_set1_epi16(static_cast<int16_t>(keep));
    const __m128i putV = _mm_set1_epi16(static_cast<int16_t>(put));
    for (; i + 8 <= count; i += 8) {
        __m128i *p = reinterpret_cast<__m128i *>(block + i);
        _mm_storeu_si128(p, _mm_or_si128(_mm_and_si128(_mm_loadu_si128(p), keepV), putV));
    }
#endif
    for (; i < count; ++i)
        block[i] = static_cast<uint16_t>((block[i] & keep) | put);
}

uint8_t TReadPipelineVexaRM::RunFirstStage(uint16_t *block, int32_t &count) {
    switch (FFirst) {
    case FirstStage::TriggerSearch:
        return TriggerSearchStage(block, 0, kBlockWords, count);
    case FirstStage::ArmFilter:
        return ArmFilterStage(block, 0, kBlockWords, count);
    case FirstStage::Compact:
    default:
        return CompactStage(block, 0, kBlockWords, count);
    }
}

uint8_t TReadPipelineVexaRM::Process(uint16_t *block, int32_t &count) {
    count = 0;
    const uint8_t status = RunFirstStage(block, count);
    if (FFirstReadPending) {
        // The first block of a measurement starts with a stale word left in
        // the device from before the start: it is dropped, and the count
        // with it, so no word is ever delivered twice.
        if (count > 0) {
            std::memmove(block, block + 1, static_cast<size_t>(count - 1) * sizeof(uint16_t));
            --count;
        }
        FFirstReadPending = false;
    }
    GroundStage(block, count);
    return status;
}

} // namespace vexa
