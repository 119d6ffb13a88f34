#include "PlotModelVexaRM.h"

#include "ViewTextVexaRM.h"

#include <algorithm>

namespace vexa::view {

using rec::TSection;

namespace {

constexpr uint64_t kMinPeriodsShown = 8;

const char *const kChannelName[2] = {"A", "B"};

std::string Deflection(int32_t mv) {
    if (mv >= 1000 && mv % 1000 == 0) return std::to_string(mv / 1000) + " V/div";
    return std::to_string(mv) + " mV/div";
}

} // namespace

std::string TPlotModelVexaRM::ScaleChange(const rec::TScale &a, const rec::TScale &b) {
    std::string text;
    auto add = [&](const std::string &s) { text += (text.empty() ? "" : ", ") + s; };
    if (a.Rate != b.Rate) add(FormatRate(b.Rate));
    for (int c = 0; c < 2; ++c) {
        const std::string ch = kChannelName[c];
        if (a.Deflection[c] != b.Deflection[c]) add(ch + " " + Deflection(b.Deflection[c]));
        if (a.Zero[c] != b.Zero[c]) add(ch + " zero " + std::to_string(b.Zero[c]));
        if (a.Probe[c] != b.Probe[c]) {
            static const char *const kProbe[] = {"?", "1:1", "1:10", "1:100", "1:1000"};
            add(ch + " probe " + (b.Probe[c] <= 4 ? kProbe[b.Probe[c]] : "?"));
        }
        if (a.Coupling[c] != b.Coupling[c]) add(ch + (b.Coupling[c] ? " DC" : " AC"));
        if (a.Ground[c] != b.Ground[c]) add(ch + (b.Ground[c] ? " grounded" : " input"));
    }
    return text;
}

TTimeNs TPlotModelVexaRM::MinWidthAt(const rec::TRecordReaderVexaRM &reader, uint32_t m,
                                     TTimeNs t) {
    const auto &ms = reader.Measurements()[m];
    if (ms.SectionCount == 0) return static_cast<TTimeNs>(kMinPeriodsShown);
    const TSection &s = reader.Sections()[reader.SectionAt(m, t)];
    return std::max<TTimeNs>(rec::PeriodTime(0, s.Scale.Rate, kMinPeriodsShown),
                             static_cast<TTimeNs>(kMinPeriodsShown));
}

TPlotVexaRM TPlotModelVexaRM::Build(const rec::TRecordReaderVexaRM &reader, uint32_t m,
                                    TTimeNs from, TTimeNs to, int columns) {
    TPlotVexaRM plot;
    plot.From = from;
    plot.To = to;
    columns = std::max(columns, 1);
    plot.Columns.resize(static_cast<size_t>(columns));
    if (m >= reader.Measurements().size() || to <= from) return plot;
    const auto &ms = reader.Measurements()[m];
    const auto &sections = reader.Sections();
    reader.Frame(m, from, to, columns, plot.Columns.data());

    const uint64_t first = ms.FirstSection, end = ms.FirstSection + ms.SectionCount;
    uint64_t s0 = ms.SectionCount ? reader.SectionAt(m, from) : end;
    // Lanes, periods in the span, boundaries and gaps, section by section.
    bool anyScale[2] = {false, false};
    double lo[2] = {1e300, 1e300}, hi[2] = {-1e300, -1e300};
    uint64_t last = s0;
    for (uint64_t s = s0; s < end; ++s) {
        const TSection &sec = sections[s];
        const TSection *prev = s > first ? &sections[s - 1] : nullptr;
        if (prev && sec.GapBefore > 0 && prev->End() < to && sec.Start > from)
            plot.Gaps.push_back({prev->End(), sec.Start, sec.GapBefore});
        if (sec.Start >= to && s != s0) break;
        last = s;
        const uint64_t p0 =
            std::min(rec::PeriodAtOrAfter(sec.Start, sec.Scale.Rate, from), sec.Periods);
        const uint64_t p1 =
            std::min(rec::PeriodAtOrAfter(sec.Start, sec.Scale.Rate, to), sec.Periods);
        plot.Periods += p1 > p0 ? p1 - p0 : 0;
        for (int c = 0; c < 2; ++c) {
            if (!sec.Scale.ScaleKnown(c)) continue;
            anyScale[c] = true;
            lo[c] = std::min(lo[c], sec.Scale.Volts(c, 0));
            hi[c] = std::max(hi[c], sec.Scale.Volts(c, 255));
        }
        if (prev && sec.Start > from && !prev->Scale.SameMeaning(sec.Scale))
            plot.Boundaries.push_back({sec.Start, ScaleChange(prev->Scale, sec.Scale)});
    }
    for (int c = 0; c < 2; ++c) {
        plot.Volts[c] = anyScale[c];
        if (anyScale[c]) {
            plot.Lo[c] = lo[c];
            plot.Hi[c] = hi[c];
        }
    }

    // Short spans: device markers one by one and, when they fit, the samples.
    if (plot.Periods < rec::kLevel1Periods * static_cast<uint64_t>(columns)) {
        const auto &ev = reader.Events();
        auto it = std::lower_bound(ev.begin(), ev.end(), std::make_pair(m, from),
                                   [](const rec::TEvent &e, const std::pair<uint32_t, TTimeNs> &k) {
                                       return e.Measurement < k.first ||
                                              (e.Measurement == k.first && e.Time < k.second);
                                   });
        for (; it != ev.end() && it->Measurement == m && it->Time < to; ++it) {
            if (it->Kind != rec::EventKind::DeviceMarker) continue;
            plot.DeviceMarkers.push_back(it->Time);
            const auto col = static_cast<int64_t>(static_cast<long double>(it->Time - from) *
                                                  columns / (to - from));
            if (col >= 0 && col < columns)
                plot.Columns[static_cast<size_t>(col)].DeviceMarker = true;
        }
    }
    if (plot.Periods > static_cast<uint64_t>(columns) || s0 >= end) return plot;
    plot.SampleMode = true;
    // Every sample of the span, and the nearest one on either side so that
    // the lines run on past the edges.
    auto periodAt = [&](uint64_t s, TTimeNs t) {
        const TSection &sec = sections[s];
        return rec::PeriodAtOrAfter(sec.Start, sec.Scale.Rate, t);
    };
    // The neighbours come from the sections on either side only where the
    // span begins at or before its first section's first period, or ends
    // after its last section's last one.
    const uint64_t sFirst = s0 > first && periodAt(s0, from) == 0 ? s0 - 1 : s0;
    const uint64_t sLast =
        last + 1 < end && periodAt(last, to) >= sections[last].Periods ? last + 1 : last;
    bool broken = true;
    for (uint64_t s = sFirst; s <= sLast; ++s) {
        const TSection &sec = sections[s];
        if (sec.GapBefore > 0) broken = true;
        uint64_t a = std::min(rec::PeriodAtOrAfter(sec.Start, sec.Scale.Rate, from), sec.Periods);
        a = a > 0 ? a - 1 : 0;
        const uint64_t b =
            std::min(rec::PeriodAtOrAfter(sec.Start, sec.Scale.Rate, to) + 1, sec.Periods);
        reader.VisitPeriods(s, a, b, [&](uint64_t p, const uint16_t *w, uint64_t n) {
            for (uint64_t k = 0; k < n; ++k) {
                if (w[k] == kWordMarker2) {
                    broken = true;
                    continue;
                }
                TPlotPoint pt;
                pt.Time = sec.TimeOf(p + k);
                for (int c = 0; c < 2; ++c) {
                    const int code = c == 0 ? (w[k] & 0xFF) : (w[k] >> 8);
                    pt.V[c] = static_cast<float>(sec.Scale.ScaleKnown(c) ? sec.Scale.Volts(c, code)
                                                                         : code);
                }
                pt.Break = broken;
                broken = false;
                plot.Points.push_back(pt);
            }
            return true;
        });
    }
    return plot;
}

} // namespace vexa::view
