#include "ValueTextVexa.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace vexa {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}
bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Strips blanks at both ends.
std::string Trimmed(const std::string &text) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && IsBlank(text[first]))
        ++first;
    while (last > first && IsBlank(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

// Round-to-even of v * scale, divided by divisor: the "shown number" rule of
// the unit table.
double Scaled(double v, double scale, double divisor) {
    return RoundHalfEven(v * scale) / divisor;
}

// Hours, minutes and seconds of a time per division above 59 s.
std::string ComposedSecondsPerDivision(double seconds) {
    const double n = RoundHalfEven(seconds);
    std::string text;
    if (seconds > 3599) {
        const double hours = std::floor(n / 3600);
        text = DecimalText(hours) + "h";
        // Beyond the range of exact integers the minutes and seconds mean
        // nothing; infinity would turn them into NAN.
        if (n < 9.0e15) {
            const double rest = n - hours * 3600;
            const double minutes = std::floor(rest / 60);
            const double secs = rest - minutes * 60;
            if (minutes != 0) text += " " + DecimalText(minutes) + "min";
            if (secs != 0) text += " " + DecimalText(secs) + "s";
        }
    } else {
        const double minutes = std::floor(n / 60);
        const double secs = n - minutes * 60;
        text = DecimalText(minutes) + "min";
        if (secs != 0) text += " " + DecimalText(secs) + "s";
    }
    return text + "/d";
}

// The multiplier prefixes of types 8 and 9.
void PrefixedNumber(double v, std::string &suffix, double &shown) {
    if (v > 999999999) {
        suffix = "G";
        shown = Scaled(v, 1e-6, 1000);
    } else if (v > 999999) {
        suffix = "M";
        shown = Scaled(v, 1e-3, 1000);
    } else if (v > 999) {
        suffix = "k";
        shown = Scaled(v, 1, 1000);
    } else if (v >= 1) {
        suffix = "";
        shown = Scaled(v, 1000, 1000);
    } else if (v < 0.001) {
        suffix = "u";
        shown = Scaled(v, 1e9, 1000);
    } else {
        suffix = "m";
        shown = Scaled(v, 1e6, 1000);
    }
}

} // namespace

double RoundHalfEven(double value) {
    if (!std::isfinite(value)) return value;
    if (std::fabs(value - std::trunc(value)) == 0.5) return 2.0 * std::round(value / 2.0);
    return std::round(value);
}

std::string DecimalText(double value) {
    if (std::isnan(value)) return "NAN";
    if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
    if (value == 0) return "0"; // also for negative zero
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
    return std::string(buffer, result.ptr);
}

bool ParseDecimalText(const std::string &text, double &value) {
    std::string s = Trimmed(text);
    for (char &c : s)
        if (c == ',') c = '.';
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    const size_t numberStart = i;
    size_t digits = 0;
    while (i < s.size() && IsDigit(s[i])) {
        ++i;
        ++digits;
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        size_t expDigits = 0;
        while (i < s.size() && IsDigit(s[i])) {
            ++i;
            ++expDigits;
        }
        if (expDigits == 0) return false;
    }
    if (i != s.size()) return false;
    // from_chars wants no sign of its own and at least one digit before an
    // exponent; ".5" and "5." are both fine for it.
    double parsed = 0;
    const char *begin = s.data() + numberStart;
    const char *end = s.data() + s.size();
    const auto result = std::from_chars(begin, end, parsed, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != end) return false;
    value = negative ? -parsed : parsed;
    return true;
}

bool ParseIntegerText(const std::string &text, int64_t &value) {
    const std::string s = Trimmed(text);
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    if (i == s.size()) return false;
    // Accumulate negatively so that the most negative value fits.
    int64_t result = 0;
    for (; i < s.size(); ++i) {
        if (!IsDigit(s[i])) return false;
        const int digit = s[i] - '0';
        if (result < (INT64_MIN + digit) / 10) return false;
        result = result * 10 - digit;
    }
    if (!negative) {
        if (result == INT64_MIN) return false;
        result = -result;
    }
    value = result;
    return true;
}

TUnitTextVexa FormatUnitValue(int controlType, double v, double kept, bool valueInvalid) {
    std::string suffix;
    double shown = kept;
    const double magnitude = std::fabs(v);
    switch (controlType) {
    case kUnitTypeTime: // time, nanoseconds
        if (v > 999999999) {
            suffix = "s";
            shown = Scaled(v, 1e-6, 1000);
        } else if (v > 999999) {
            suffix = "ms";
            shown = Scaled(v, 1e-3, 1000);
        } else if (v > 999) {
            suffix = "us";
            shown = Scaled(v, 1, 1000);
        } else {
            suffix = "ns";
            shown = Scaled(v, 1000, 1000);
        }
        break;
    case kUnitTypeVoltage: // voltage, millivolts; the thresholds look at the magnitude
        if (magnitude > 999999) {
            suffix = "kV";
            shown = Scaled(v, 1e-3, 1000);
        } else if (magnitude > 999) {
            suffix = "V";
            shown = Scaled(v, 1, 1000);
        } else {
            suffix = "mV";
            shown = Scaled(v, 1000, 1000);
        }
        break;
    case kUnitTypeSize: // size, bytes
        if (v > 1073741824.0) {
            suffix = " GB";
            shown = Scaled(v / 1073741824.0, 10, 10);
        } else if (v > 1048575) {
            suffix = " MB";
            shown = Scaled(v / 1048576.0, 10, 10);
        } else if (v > 1023) {
            suffix = " KB";
            shown = Scaled(v / 1024.0, 10, 10);
        } else {
            suffix = " B";
            shown = v;
        }
        break;
    case kUnitTypeDeflection: // deflection, millivolts per division
        if (v > 999999) {
            suffix = "kV/d";
            shown = Scaled(v, 1e-3, 1000);
        } else if (v > 999) {
            suffix = "V/d";
            shown = Scaled(v, 1, 1000);
        } else {
            suffix = "mV/d";
            shown = Scaled(v, 1000, 1000);
        }
        break;
    case kUnitTypeTimePerDivision: // time per division, seconds
        if (v > 59) return {ComposedSecondsPerDivision(v), kept};
        suffix = "s/d";
        shown = Scaled(v, 1000, 1000);
        break;
    case kUnitTypeSamplingRate: // sampling rate
        if (v > 999999) {
            suffix = "MS/s";
            shown = Scaled(v, 1e-3, 1000);
        } else if (v > 999) {
            suffix = "kS/s";
            shown = Scaled(v, 1, 1000);
        } else {
            suffix = "S/s";
            shown = Scaled(v, 1000, 1000);
        }
        break;
    case kUnitTypeFrequencyPerDiv: // frequency per division
        if (v > 999) {
            suffix = "kHz/d";
            shown = Scaled(v, 1, 1000);
        } else if (v >= 1) {
            suffix = "Hz/d";
            shown = Scaled(v, 1000, 1000);
        } else if (v < 0.001) {
            suffix = "uHz/d";
            shown = Scaled(v, 1e9, 1000);
        } else {
            suffix = "mHz/d";
            shown = Scaled(v, 1e6, 1000);
        }
        break;
    case kUnitTypeNumber:
        PrefixedNumber(v, suffix, shown);
        break;
    case kUnitTypeSamples:
        PrefixedNumber(v, suffix, shown);
        suffix += "S";
        break;
    default: // no quantity: the number kept from the last formatting
        break;
    }
    if (valueInvalid) return {"N/A", shown};
    return {DecimalText(shown) + suffix, shown};
}

std::string VoltageEditText(double millivolts) {
    const double voltage = RoundHalfEven(millivolts * 1000) / 1000;
    if (std::fabs(voltage) > 999) return DecimalText(RoundHalfEven(voltage) / 1000);
    return DecimalText(RoundHalfEven(voltage * 1000) / 1000) + "m";
}

VoltageParse ParseVoltageEntry(const std::string &text, double &millivolts) {
    if (text.empty()) return VoltageParse::Failed;
    const char last = text.back();
    if (last == 'm' || last == 'n' || last == 'u') {
        if (text.size() < 2 || !IsDigit(text[text.size() - 2])) return VoltageParse::Failed;
        double number = 0;
        if (!ParseDecimalText(text.substr(0, text.size() - 1), number)) return VoltageParse::Failed;
        if (last != 'm') return VoltageParse::OtherUnit;
        millivolts = number;
        return VoltageParse::Millivolts;
    }
    double volts = 0;
    if (!ParseDecimalText(text, volts)) return VoltageParse::Failed;
    millivolts = RoundHalfEven(volts * 1000);
    return VoltageParse::Volts;
}

std::string TimeEditText(double milliseconds) {
    if (milliseconds == 0) return "0s";
    std::string text = milliseconds < 0 ? "-" : "";
    double rest = std::fabs(milliseconds);
    struct Piece {
        double threshold;
        double size;
        const char *unit;
    };
    static const Piece pieces[] = {{3599999, 3600000, "h"}, {59999, 60000, "m"}, {999, 1000, "s"}};
    for (const Piece &piece : pieces) {
        if (rest > piece.threshold) {
            const double count = std::floor(rest / piece.size);
            text += DecimalText(count) + piece.unit;
            rest -= count * piece.size;
        }
    }
    if (rest > 0) text += DecimalText(rest) + "ms";
    return text;
}

bool ParseTimeEntry(const std::string &t, double &milliseconds) {
    const size_t length = t.size();
    if (length == 0 || !IsDigit(t[0])) return false;
    double total = 0;
    // The character positions below count from 0; the scan stops when fewer
    // than two characters are left, since one character alone (a digit with
    // no unit, or a unit with no digits) adds nothing.
    size_t i = 0;
    while (length > 1) {
        double n = 0;
        while (i < length && IsDigit(t[i]))
            n = n * 10 + (t[i++] - '0');
        double f = 0;
        double q = 1;
        if (i < length && t[i] == '.') {
            ++i;
            while (i < length && IsDigit(t[i])) {
                // Digits past the twentieth change nothing a double holds;
                // taking hundreds of them would give infinity / infinity.
                if (q < 1e20) {
                    f = f * 10 + (t[i] - '0');
                    q *= 10;
                }
                ++i;
            }
        }
        const char unit = i < length ? t[i] : '\0';
        if (unit == 'h') {
            total += (n + f / q) * 3600000;
        } else if (unit == 'm' && i + 1 < length && t[i + 1] == 's') {
            total += n + f / q;
            ++i;
        } else if (unit == 'm') {
            total += (n + f / q) * 60000;
        } else if (unit == 's') {
            total += (n + RoundHalfEven(f * 1000 / q) / 1000) * 1000;
        }
        ++i;
        if (i + 1 >= length) break;
    }
    milliseconds = total;
    return true;
}

} // namespace vexa
