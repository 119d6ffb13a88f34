#include "ViewTextVexaRM.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>

namespace vexa::view {

namespace {

constexpr TTimeNs kUs = 1000;
constexpr TTimeNs kMs = 1000000;
constexpr TTimeNs kS = rec::kNsPerSecond;
constexpr TTimeNs kMin = 60 * kS;
constexpr TTimeNs kHour = 60 * kMin;

// |t| / unit with decimals digits after the point (truncated), no sign.
std::string Scaled(TTimeNs t, TTimeNs unit, int decimals) {
    const uint64_t a = static_cast<uint64_t>(t < 0 ? -t : t);
    std::string s = std::to_string(a / static_cast<uint64_t>(unit));
    if (decimals > 0) {
        uint64_t pow = 1;
        for (int i = 0; i < decimals; ++i)
            pow *= 10;
        const unsigned __int128 frac =
            static_cast<unsigned __int128>(a % static_cast<uint64_t>(unit)) * pow / unit;
        std::string f = std::to_string(static_cast<uint64_t>(frac));
        s += "." + std::string(static_cast<size_t>(decimals) - f.size(), '0') + f;
    }
    return s;
}

// The same with every nanosecond shown (at most most digits), trailing
// zeros (and point) trimmed.
std::string ScaledExact(TTimeNs t, TTimeNs unit, int most) {
    int decimals = 0;
    for (TTimeNs u = unit; u > 1; u /= 10)
        ++decimals;
    std::string s = Scaled(t, unit, std::min(decimals, most));
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0')
            s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    return s;
}

std::string TwoDigits(uint64_t v) {
    return (v < 10 ? "0" : "") + std::to_string(v);
}

// Digits after the point that a multiple of step needs in unit.
int DecimalsFor(TTimeNs step, TTimeNs unit) {
    int d = 0;
    TTimeNs u = unit;
    while (d < 9 && step % u != 0) {
        u /= 10;
        ++d;
    }
    return d;
}

std::string Printf(const char *format, double v, const char *unit) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, v, unit);
    return buf;
}

} // namespace

std::string FormatTime(TTimeNs t, int decimals) {
    const std::string sign = t < 0 ? "-" : "";
    const TTimeNs a = t < 0 ? -t : t;
    if (a < kMs) return sign + ScaledExact(a, kUs, decimals) + " µs";
    if (a < kS) return sign + ScaledExact(a, kMs, decimals) + " ms";
    if (a < kMin) return sign + ScaledExact(a, kS, decimals) + " s";
    const uint64_t h = static_cast<uint64_t>(a / kHour);
    const uint64_t min = static_cast<uint64_t>(a % kHour / kMin);
    const TTimeNs rest = a % kMin;
    std::string sec = ScaledExact(rest, kS, decimals);
    if (rest < 10 * kS) sec = "0" + sec;
    if (h == 0) return sign + std::to_string(min) + " min " + sec + " s";
    return sign + std::to_string(h) + " h " + TwoDigits(min) + " min " + sec + " s";
}

std::string FormatFrequency(double hz) {
    const double a = std::fabs(hz);
    if (a >= 1e6) return Printf("%.6g %s", hz / 1e6, "MHz");
    if (a >= 1e3) return Printf("%.6g %s", hz / 1e3, "kHz");
    if (a >= 1 || a == 0) return Printf("%.6g %s", hz, "Hz");
    return Printf("%.6g %s", hz * 1e3, "mHz");
}

std::string FormatValue(double v, bool volts) {
    if (!volts) return Printf("%.6g%s", v, "");
    const double a = std::fabs(v);
    if (a >= 1 || a == 0) return Printf("%.5g %s", v, "V");
    if (a >= 1e-3) return Printf("%.5g %s", v * 1e3, "mV");
    return Printf("%.5g %s", v * 1e6, "µV");
}

std::string FormatRate(uint32_t rate) {
    if (rate == 0) return "rate not known";
    if (rate >= 1000000) return Printf("%.6g %s", rate / 1e6, "MS/s");
    if (rate >= 1000) return Printf("%.6g %s", rate / 1e3, "kS/s");
    return Printf("%.6g %s", static_cast<double>(rate), "S/s");
}

std::string FormatBytes(uint64_t bytes) {
    if (bytes < 1024) return std::to_string(bytes) + " B";
    if (bytes < (1ull << 20)) return Printf("%.1f %s", bytes / 1024.0, "KiB");
    if (bytes < (1ull << 30)) return Printf("%.1f %s", bytes / 1048576.0, "MiB");
    return Printf("%.2f %s", bytes / 1073741824.0, "GiB");
}

TTimeAxis TimeTicks(TTimeNs from, TTimeNs to, int maxTicks) {
    TTimeAxis axis;
    if (to <= from || maxTicks < 1) return axis;
    // Round steps: 1-2-5 up to 20 s, then minutes and hours, then days.
    static const TTimeNs kLong[] = {30 * kS,   kMin,       2 * kMin,   5 * kMin,   10 * kMin,
                                    15 * kMin, 30 * kMin,  kHour,      2 * kHour,  3 * kHour,
                                    6 * kHour, 12 * kHour, 24 * kHour, 48 * kHour, 120 * kHour};
    const long double want = static_cast<long double>(to - from) / maxTicks;
    TTimeNs step = 0;
    for (TTimeNs decade = 1; decade <= 10 * kS && !step; decade *= 10)
        for (int m : {1, 2, 5})
            if (decade * m >= want && decade * m <= 20 * kS) {
                step = decade * m;
                break;
            }
    for (TTimeNs s : kLong)
        if (!step && s >= want) step = s;
    if (!step) step = static_cast<TTimeNs>(std::ceil(want / (240 * kHour))) * 240 * kHour;

    const TTimeNs top = std::max(std::llabs(from), std::llabs(to));
    std::function<std::string(TTimeNs)> label;
    if (step % kHour == 0) {
        axis.Caption = "h";
        label = [](TTimeNs t) { return std::to_string(t / kHour); };
    } else if (step % kMin == 0) {
        if (top >= kHour) {
            axis.Caption = "h:mm";
            label = [](TTimeNs t) {
                return std::to_string(t / kHour) + ":" + TwoDigits(t % kHour / kMin);
            };
        } else {
            axis.Caption = "min";
            label = [](TTimeNs t) { return std::to_string(t / kMin); };
        }
    } else if (top < kMin) {
        const TTimeNs unit = top < kMs ? kUs : top < kS ? kMs : kS;
        axis.Caption = unit == kUs ? "µs" : unit == kMs ? "ms" : "s";
        const int d = DecimalsFor(step, unit);
        label = [unit, d](TTimeNs t) { return (t < 0 ? "-" : "") + Scaled(t, unit, d); };
    } else {
        const int d = DecimalsFor(step, kS);
        const bool hours = top >= kHour;
        axis.Caption = hours ? "h:mm:ss" : "m:ss";
        label = [d, hours](TTimeNs t) {
            std::string s = Scaled(t % kMin, kS, d);
            if (t % kMin < 10 * kS) s = "0" + s;
            const uint64_t min = static_cast<uint64_t>(hours ? t % kHour / kMin : t / kMin);
            if (!hours) return std::to_string(min) + ":" + s;
            return std::to_string(t / kHour) + ":" + TwoDigits(min) + ":" + s;
        };
    }
    TTimeNs t = from >= 0 ? (from + step - 1) / step * step : from / step * step;
    for (; t <= to; t += step)
        axis.Ticks.push_back({t, label(t)});
    return axis;
}

TValueAxis ValueTicks(double lo, double hi, int maxTicks, bool volts) {
    TValueAxis axis;
    if (!(hi > lo) || maxTicks < 1) return axis;
    const double want = (hi - lo) / maxTicks;
    double decade = std::pow(10.0, std::floor(std::log10(want)));
    double step = decade;
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (decade * m >= want * (1 - 1e-9)) {
            step = decade * m;
            break;
        }
    double scale = 1;
    axis.Caption = "code";
    if (volts) {
        const double top = std::max(std::fabs(lo), std::fabs(hi));
        scale = top >= 1 ? 1 : top >= 1e-3 ? 1e-3 : 1e-6;
        axis.Caption = scale == 1 ? "V" : scale == 1e-3 ? "mV" : "µV";
    }
    const int decimals =
        std::max(0, static_cast<int>(-std::floor(std::log10(step / scale) + 1e-9)));
    for (double k = std::ceil(lo / step - 1e-9); k * step <= hi + step * 1e-9; k += 1) {
        const double v = k * step;
        char buf[48];
        std::snprintf(buf, sizeof buf, "%.*f", decimals, v / scale);
        std::string s = buf;
        if (s.find_first_not_of("-0.") == std::string::npos) s = "0"; // no "-0"
        axis.Ticks.push_back({v, s});
    }
    return axis;
}

} // namespace vexa::view
