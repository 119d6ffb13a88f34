// Feeds arbitrary text to the voltage edit's parser. Aborts when a failed or
// foreign-unit entry changes the value, when an accepted entry disagrees with
// the decimal parser it is built on, or when the text the edit writes for an
// accepted value does not parse back to the same value.
#include "panel/ValueTextVexa.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace vexa;

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Equal as the edit stores them: both NaN, or the same number.
bool Same(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    const std::string text(reinterpret_cast<const char *>(data), size);
    const double before = -12345.678;
    double millivolts = before;
    const VoltageParse result = ParseVoltageEntry(text, millivolts);

    // The number part as the decimal parser sees it.
    const char last = text.empty() ? '\0' : text.back();
    const bool suffixed = last == 'm' || last == 'u' || last == 'n';
    double number = 0;
    const std::string body = suffixed ? text.substr(0, text.size() - 1) : text;
    const bool numeric = !text.empty() && ParseDecimalText(body, number) &&
                         (!suffixed || (text.size() >= 2 && IsDigit(text[text.size() - 2])));

    switch (result) {
    case VoltageParse::Failed:
        Check(!numeric);
        Check(Same(millivolts, before));
        break;
    case VoltageParse::OtherUnit:
        Check(numeric && suffixed && last != 'm');
        Check(Same(millivolts, before));
        break;
    case VoltageParse::Millivolts:
        Check(numeric && last == 'm');
        Check(Same(millivolts, number));
        break;
    case VoltageParse::Volts:
        Check(numeric && !suffixed);
        Check(Same(millivolts, RoundHalfEven(number * 1000)));
        Check(std::isinf(millivolts) || millivolts == std::trunc(millivolts));
        break;
    }

    // What the edit shows for an accepted value must read back to the value
    // the edit holds: rounded to a microvolt in the millivolt form, to a
    // whole millivolt in the volt form used above 999 mV (15 significant
    // digits are exact for magnitudes below 1e12 mV).
    if ((result == VoltageParse::Millivolts || result == VoltageParse::Volts) &&
        std::isfinite(millivolts) && std::fabs(millivolts) < 1e12) {
        const double held = RoundHalfEven(millivolts * 1000) / 1000;
        const std::string shown = VoltageEditText(held);
        double again = before;
        const VoltageParse reparsed = ParseVoltageEntry(shown, again);
        Check(reparsed == VoltageParse::Millivolts || reparsed == VoltageParse::Volts);
        const double expected = std::fabs(held) > 999 ? RoundHalfEven(held) : held;
        Check(std::fabs(again - expected) <= 0.0005 + std::fabs(held) * 1e-14);
    }
    return 0;
}
