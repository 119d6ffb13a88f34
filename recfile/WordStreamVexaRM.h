// What a word of the record stream begins: a sample pair, a marker or a
// setting record. One home for the rules by which every part of the library
// steps through the words.
#pragma once

#include "common/ScopeConstsVexaRM.h"

#include <cstdint>

namespace vexa::rec {

enum class ItemKind : uint8_t {
    Sample,       // one sample pair (one period)
    ArmMarker,    // one period without values
    DeviceMarker, // no time
    Record,       // Words words: [0, length, type, payload...]
    ZeroLength,   // an introducer with a length of 0: skipped as one word
    CutOff,       // a record that runs past the last word given
};

struct TItem {
    ItemKind Kind = ItemKind::Sample;
    uint32_t Words = 1;
    uint16_t Type = 0; // records of at least 3 words
};

// The item that begins at word i of w[0, n).
inline TItem ItemAt(const uint16_t *w, uint64_t i, uint64_t n) {
    const uint16_t v = w[i];
    if (v >= kReservedWordLimit) return {ItemKind::Sample, 1, 0};
    if (v == kWordMarker2) return {ItemKind::ArmMarker, 1, 0};
    if (v == kWordMarker1) return {ItemKind::DeviceMarker, 1, 0};
    if (i + 1 >= n) return {ItemKind::CutOff, 1, 0};
    const uint16_t length = w[i + 1];
    if (length == 0) return {ItemKind::ZeroLength, 1, 0};
    if (i + length > n) return {ItemKind::CutOff, length, 0};
    return {ItemKind::Record, length, length >= 3 ? w[i + 2] : uint16_t(0)};
}

// Index of the first word in w[0, n) below kReservedWordLimit, or n.
uint64_t FindReserved(const uint16_t *w, uint64_t n);

struct TSummary;
// Adds n sample words, none of them reserved, to s.
void SummariseSamples(const uint16_t *w, uint64_t n, TSummary &s);

} // namespace vexa::rec
