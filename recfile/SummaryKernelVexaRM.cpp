// The hot loops of the index build: finding the next reserved word and
// summarising a run of sample words. SSE2 (part of every x86-64) where
// available, plain loops otherwise.
#include "SummaryIndexVexaRM.h"
#include "WordStreamVexaRM.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vexa::rec {

uint64_t FindReserved(const uint16_t *w, uint64_t n) {
    uint64_t i = 0;
#if defined(__SSE2__)
    // A word is reserved when no bit above the lowest two is set.
    const __m128i high = _mm_set1_epi16(static_cast<short>(0xFFFC));
    const __m128i zero = _mm_setzero_si128();
    for (; i + 32 <= n; i += 32) {
        const __m128i a =
            _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i *>(w + i)), high);
        const __m128i b =
            _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i *>(w + i + 8)), high);
        const __m128i c =
            _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i *>(w + i + 16)), high);
        const __m128i d =
            _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i *>(w + i + 24)), high);
        const __m128i any =
            _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi16(a, zero), _mm_cmpeq_epi16(b, zero)),
                         _mm_or_si128(_mm_cmpeq_epi16(c, zero), _mm_cmpeq_epi16(d, zero)));
        if (_mm_movemask_epi8(any) != 0) break;
    }
#endif
    for (; i < n; ++i)
        if (w[i] < kReservedWordLimit) return i;
    return n;
}

void SummariseSamples(const uint16_t *w, uint64_t n, TSummary &s) {
    uint64_t i = 0;
#if defined(__SSE2__)
    if (n >= 8) {
        const __m128i lowBytes = _mm_set1_epi16(0x00FF);
        const __m128i zero = _mm_setzero_si128();
        __m128i vmin = _mm_set1_epi8(static_cast<char>(0xFF));
        __m128i vmax = zero;
        __m128i sumA = zero, sumB = zero; // two 64-bit lanes each
        uint64_t sq[2] = {0, 0};
        while (i + 8 <= n) {
            // 32-bit lanes of squares: at most 2 x 65,025 per lane and step,
            // so 8,192 steps stay below 2^31.
            const uint64_t steps = (n - i) / 8 < 8192 ? (n - i) / 8 : 8192;
            __m128i sqA = zero, sqB = zero;
            for (uint64_t k = 0; k < steps; ++k, i += 8) {
                const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(w + i));
                vmin = _mm_min_epu8(vmin, v);
                vmax = _mm_max_epu8(vmax, v);
                const __m128i a = _mm_and_si128(v, lowBytes);
                const __m128i b = _mm_srli_epi16(v, 8);
                sumA = _mm_add_epi64(sumA, _mm_sad_epu8(a, zero));
                sumB = _mm_add_epi64(sumB, _mm_sad_epu8(b, zero));
                sqA = _mm_add_epi32(sqA, _mm_madd_epi16(a, a));
                sqB = _mm_add_epi32(sqB, _mm_madd_epi16(b, b));
            }
            alignas(16) uint32_t la[4], lb[4];
            _mm_store_si128(reinterpret_cast<__m128i *>(la), sqA);
            _mm_store_si128(reinterpret_cast<__m128i *>(lb), sqB);
            sq[0] += uint64_t(la[0]) + la[1] + la[2] + la[3];
            sq[1] += uint64_t(lb[0]) + lb[1] + lb[2] + lb[3];
        }
        alignas(16) uint8_t mn[16], mx[16];
        alignas(16) uint64_t sa[2], sb[2];
        _mm_store_si128(reinterpret_cast<__m128i *>(mn), vmin);
        _mm_store_si128(reinterpret_cast<__m128i *>(mx), vmax);
        _mm_store_si128(reinterpret_cast<__m128i *>(sa), sumA);
        _mm_store_si128(reinterpret_cast<__m128i *>(sb), sumB);
        for (int k = 0; k < 16; ++k) {
            const int c = k & 1; // even bytes channel A, odd bytes channel B
            if (mn[k] < s.Min[c]) s.Min[c] = mn[k];
            if (mx[k] > s.Max[c]) s.Max[c] = mx[k];
        }
        s.Sum[0] += sa[0] + sa[1];
        s.Sum[1] += sb[0] + sb[1];
        s.SumSquares[0] += sq[0];
        s.SumSquares[1] += sq[1];
        s.Values += i;
    }
#endif
    for (; i < n; ++i)
        s.AddCode(w[i]);
}

} // namespace vexa::rec
