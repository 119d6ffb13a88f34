#include "TextNumberVexaRM.h"

#include <cmath>

namespace vexa::rec {

int FormatFixed(int64_t q, int decimals, char *out) {
    char digits[24];
    int n = 0;
    const bool negative = q < 0;
    uint64_t u = negative ? 0 - static_cast<uint64_t>(q) : static_cast<uint64_t>(q);
    do {
        digits[n++] = static_cast<char>('0' + u % 10);
        u /= 10;
    } while (u != 0 || n <= decimals);
    // digits[0..n) holds the number backwards with at least decimals + 1 digits.
    int first = 0; // fraction digits to drop (trailing zeros)
    while (first < decimals && digits[first] == '0')
        ++first;
    int k = 0;
    if (negative) out[k++] = '-';
    for (int i = n - 1; i >= decimals; --i)
        out[k++] = digits[i];
    if (first < decimals) {
        out[k++] = '.';
        for (int i = decimals - 1; i >= first; --i)
            out[k++] = digits[i];
    }
    return k;
}

int FormatRounded(double v, int decimals, char *out) {
    const double scale = std::pow(10.0, decimals);
    return FormatFixed(static_cast<int64_t>(std::llround(v * scale)), decimals, out);
}

} // namespace vexa::rec
