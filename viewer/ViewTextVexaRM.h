// Texts of the viewer: times, volts, rates and sizes as an operator reads
// them, and the tick labels of the axes. Times are exact (whole
// nanoseconds, no floating point); no locale ("." decimals).
#pragma once

#include "recfile/RecordTypesVexaRM.h"

#include <string>
#include <vector>

namespace vexa::view {

using rec::TTimeNs;

// A time or duration to the nanosecond, trailing zeros trimmed, in the unit
// that suits it: "12.5 µs", "3.25 ms", "1.000001 s", "2 min 03.5 s",
// "1 h 02 min 03 s". With decimals, at most that many digits of the unit
// (cut, not rounded: a time is never shown later than it is).
std::string FormatTime(TTimeNs t, int decimals = 9);
// Hz with an SI prefix, six significant digits: "1.00000 kHz".
std::string FormatFrequency(double hz);
// A value of a channel: volts with an SI prefix and five significant
// digits ("-12.500 mV"), or a code when the scale is not known.
std::string FormatValue(double v, bool volts);
// Samples per second: "50 S/s", "2.5 MS/s".
std::string FormatRate(uint32_t rate);
// "812 B", "1.5 MiB", "4.00 GiB".
std::string FormatBytes(uint64_t bytes);

struct TTimeTick {
    TTimeNs Time = 0;
    std::string Label;
};
struct TTimeAxis {
    std::vector<TTimeTick> Ticks;
    std::string Caption; // the unit of the labels: "ms", "s", "h:mm:ss", ...
};
// Ticks at round times over [from, to], at most about maxTicks of them.
TTimeAxis TimeTicks(TTimeNs from, TTimeNs to, int maxTicks);

struct TValueTick {
    double Value = 0;
    std::string Label;
};
struct TValueAxis {
    std::vector<TValueTick> Ticks;
    std::string Caption; // "V", "mV", "µV" or "code"
};
// Ticks at round values over [lo, hi] (volts, or codes when volts is false).
TValueAxis ValueTicks(double lo, double hi, int maxTicks, bool volts);

} // namespace vexa::view
