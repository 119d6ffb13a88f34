#include "CursorReadoutVexaRM.h"

#include <algorithm>
#include <cstdlib>

namespace vexa::view {

bool TCursorReadoutVexaRM::PeriodAt(const rec::TRecordReaderVexaRM &reader, uint32_t m, TTimeNs t,
                                    uint64_t *section, uint64_t *period) {
    if (m >= reader.Measurements().size()) return false;
    const auto &ms = reader.Measurements()[m];
    if (ms.SectionCount == 0) return false;
    const uint64_t s = reader.SectionAt(m, t);
    const rec::TSection &sec = reader.Sections()[s];
    if (t < sec.Start || sec.Periods == 0 || t >= sec.End()) return false;
    // The first period after t, less one.
    const uint64_t p = rec::PeriodAtOrAfter(sec.Start, sec.Scale.Rate, t + 1);
    if (p == 0) return false;
    *section = s;
    *period = std::min(p, sec.Periods) - 1;
    return true;
}

TTimeNs TCursorReadoutVexaRM::Snap(const rec::TRecordReaderVexaRM &reader, uint32_t m, TTimeNs t) {
    uint64_t s, p;
    if (!PeriodAt(reader, m, t, &s, &p)) return t;
    return reader.Sections()[s].TimeOf(p);
}

void TCursorReadoutVexaRM::ValueAt(const rec::TRecordReaderVexaRM &reader, uint32_t m, TTimeNs t,
                                   TCursorValue out[2]) {
    out[0] = out[1] = TCursorValue();
    uint64_t s, p;
    uint16_t w = 0;
    if (!PeriodAt(reader, m, t, &s, &p) || reader.ReadPeriods(s, p, 1, &w) != 1) return;
    const rec::TScale &scale = reader.Sections()[s].Scale;
    for (int c = 0; c < 2; ++c) {
        if (w == kWordMarker2) {
            out[c].What = TCursorValue::Arm;
            continue;
        }
        out[c].What = TCursorValue::Value;
        out[c].Code = c == 0 ? (w & 0xFF) : (w >> 8);
        out[c].V = scale.ScaleKnown(c) ? scale.Volts(c, out[c].Code) : out[c].Code;
    }
}

void TCursorReadoutVexaRM::Span(TTimeNs t1, TTimeNs t2, TTimeNs *from, TTimeNs *to) {
    *from = std::min(t1, t2);
    // The later cursor's own period begins at its time: one nanosecond
    // more takes it in.
    *to = std::max(t1, t2) + 1;
}

TCursorReadout TCursorReadoutVexaRM::Compute(const rec::TRecordReaderVexaRM &reader, uint32_t m,
                                             TTimeNs t1, TTimeNs t2) {
    TCursorReadout r;
    r.T[0] = t1;
    r.T[1] = t2;
    r.Dt = t2 - t1;
    r.InvDt = r.Dt ? static_cast<double>(rec::kNsPerSecond) / std::llabs(r.Dt) : 0;
    if (m >= reader.Measurements().size()) return r;
    ValueAt(reader, m, t1, r.At[0]);
    ValueAt(reader, m, t2, r.At[1]);
    TTimeNs from, to;
    Span(t1, t2, &from, &to);
    r.Stats = reader.Stats(m, from, to);
    for (int c = 0; c < 2; ++c)
        if (r.Stats.Channel[c].Samples)
            r.PeakToPeak[c] = r.Stats.Channel[c].MaxV - r.Stats.Channel[c].MinV;
    return r;
}

} // namespace vexa::view
