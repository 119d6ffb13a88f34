// The text conversions of the front panel's widgets: numbers to the shortest
// decimal text, engineering units of the unit-value label, and the parsing of
// the voltage, time and number edits. Standard library only, independent of
// the process locale ("." is always the decimal separator), so that the
// conversions can be fuzzed and tested without a display.
#pragma once

#include <cstdint>
#include <string>

namespace vexa {

// Rounds to the nearest integer, halves to the even neighbour (2.5 -> 2,
// 3.5 -> 4, -0.5 -> 0), whatever the floating-point rounding mode.
double RoundHalfEven(double value);

// The shortest decimal text of a value with up to 15 significant digits and
// "." as separator: 1.5 -> "1.5", 2 -> "2", -0.25 -> "-0.25", 1e-3 -> "0.001".
// Negative zero is written "0"; infinities "INF"/"-INF", not-a-number "NAN".
std::string DecimalText(double value);

// Decimal-text conversion: every "." and "," counts as the decimal separator.
// Accepts optional blanks around an optional sign, digits with at most one
// separator (at least one digit) and an optional exponent ("1e3"). Returns
// false and leaves value alone when the text is not such a number.
bool ParseDecimalText(const std::string &text, double &value);

// A decimal integer: optional blanks, optional sign, digits. Returns false for
// anything else or when the number does not fit into 64 bits.
bool ParseIntegerText(const std::string &text, int64_t &value);

// The quantities of the unit-value label's formatting (its ControlType).
enum TUnitTypeVexa : int {
    kUnitTypeTime = 1,            // nanoseconds
    kUnitTypeVoltage = 2,         // millivolts
    kUnitTypeSize = 3,            // bytes
    kUnitTypeDeflection = 4,      // millivolts per division
    kUnitTypeTimePerDivision = 5, // seconds per division
    kUnitTypeSamplingRate = 6,    // samples per second
    kUnitTypeFrequencyPerDiv = 7, // hertz per division
    kUnitTypeNumber = 8,          // a plain number with a prefix
    kUnitTypeSamples = 9,         // samples
};

// The unit-value label's formatting. controlType 0..9 selects the quantity;
// `kept` is the scaled number last shown, used (and kept) by type 0 and every
// other type outside 1..9, and updated by every other type.
struct TUnitTextVexa {
    std::string Text;   // what the label shows
    double Shown = 0.0; // the scaled number written (kept for type 0)
};
TUnitTextVexa FormatUnitValue(int controlType, double value, double kept, bool valueInvalid);

// Text of the voltage edit for a value in millivolts (after rounding it to a
// multiple of 0.001): 200 -> "200m", 0.5 -> "0.5m", 1500 -> "1.5", -1500 -> "-1.5".
std::string VoltageEditText(double millivolts);

// Result of the voltage edit's parse on Enter.
enum class VoltageParse {
    Failed,     // not a voltage: the value stays as it was
    Millivolts, // "5m": the value is the number itself
    Volts,      // "2": the value is round(number * 1000) millivolts
    OtherUnit,  // "5u", "5n": accepted, the value stays as it was
};
// Parses an entry of the voltage edit; `millivolts` receives the new value
// for Millivolts and Volts and is left alone otherwise.
VoltageParse ParseVoltageEntry(const std::string &text, double &millivolts);

// Text of the time edit for a length in milliseconds: 0 -> "0s",
// 90000 -> "1m30s", 3723500 -> "1h2m3s500ms". Negative lengths are written
// with a leading "-".
std::string TimeEditText(double milliseconds);

// Parses an entry of the time edit ("1h30m", "2.5s", "1m500ms"); digits with
// no unit add nothing. Returns false (milliseconds untouched) when the text is
// empty or does not begin with a digit.
bool ParseTimeEntry(const std::string &text, double &milliseconds);

} // namespace vexa
