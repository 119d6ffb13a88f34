// Hand-rolled number text for the exports: exact decimal fractions without
// locale, trailing zeros trimmed ("0.5", "-0.00003125", "12").
#pragma once

#include <cstdint>

namespace vexa::rec {

// Writes q / 10^decimals in decimal to out; returns the characters written
// (at most 32).
int FormatFixed(int64_t q, int decimals, char *out);
// Nanoseconds as seconds.
inline int FormatSeconds(int64_t ns, char *out) {
    return FormatFixed(ns, 9, out);
}
// A double rounded to 10^-decimals.
int FormatRounded(double v, int decimals, char *out);

} // namespace vexa::rec
