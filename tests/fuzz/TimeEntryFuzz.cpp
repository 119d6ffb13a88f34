// Feeds arbitrary text to the time edit's parser. Aborts when a rejected
// entry changes the length, when the acceptance rule (non-empty, a digit
// first) is broken, when an accepted length is negative or not a number, or
// when the text the edit writes for a length does not parse back to it.
#include "panel/ValueTextVexa.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace vexa;

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    const double before = 777.25;
    double milliseconds = before;
    const bool accepted = ParseTimeEntry(text, milliseconds);
    const bool digitFirst = !text.empty() && text[0] >= '0' && text[0] <= '9';
    Check(accepted == digitFirst);
    if (!accepted) {
        Check(milliseconds == before);
    } else {
        // No sign can be written: the length is never negative or NaN.
        Check(!std::isnan(milliseconds));
        Check(milliseconds >= 0);
    }

    // A whole number of milliseconds taken from the input (up to about
    // 31 years) must survive the edit's text and parse.
    if (size >= 6) {
        uint64_t raw = 0;
        std::memcpy(&raw, data, 6);
        const double length = static_cast<double>(raw % 1000000000000ull);
        const std::string shown = TimeEditText(length);
        double again = -1;
        Check(ParseTimeEntry(shown, again));
        Check(again == length);
    }
    return 0;
}
