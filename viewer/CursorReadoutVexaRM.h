// The readout of the two cursors: their times, the time between them and
// its inverse, and per channel the value at each cursor and the exact
// statistics of the samples between them (both cursors' samples included),
// from the summary index plus the raw words at the edges.
//
// A cursor stands on the sample period in effect at its time: the last
// period that began at or before it. Placing a cursor snaps it there.
#pragma once

#include "recfile/RecordReaderVexaRM.h"

namespace vexa::view {

using rec::TTimeNs;

struct TCursorValue {
    enum Kind : uint8_t {
        None, // no sample there (before the start, in a gap, after the end)
        Arm,  // an ARM-marker period: no value
        Value,
    };
    Kind What = None;
    int Code = 0;
    double V = 0; // volts (the code when the scale is not known)
};

struct TCursorReadout {
    TTimeNs T[2] = {0, 0};
    TTimeNs Dt = 0;        // T[1] - T[0]
    double InvDt = 0;      // 1 / |Dt| in Hz, 0 when Dt is 0
    TCursorValue At[2][2]; // [cursor][channel]
    rec::TSpanStats Stats; // [min(T), max(T)] both ends included
    double PeakToPeak[2] = {0, 0};
};

class TCursorReadoutVexaRM {
public:
    static TCursorReadout Compute(const rec::TRecordReaderVexaRM &reader, uint32_t m, TTimeNs t1,
                                  TTimeNs t2);
    // The time of the period in effect at t, or t itself where there is none.
    static TTimeNs Snap(const rec::TRecordReaderVexaRM &reader, uint32_t m, TTimeNs t);
    // The value of each channel at time t.
    static void ValueAt(const rec::TRecordReaderVexaRM &reader, uint32_t m, TTimeNs t,
                        TCursorValue out[2]);
    // The span [from, to) that holds the periods of both cursors and those
    // between them (used for statistics and exports).
    static void Span(TTimeNs t1, TTimeNs t2, TTimeNs *from, TTimeNs *to);

private:
    // Section and period in effect at t; false where there is none.
    static bool PeriodAt(const rec::TRecordReaderVexaRM &reader, uint32_t m, TTimeNs t,
                         uint64_t *section, uint64_t *period);
};

} // namespace vexa::view
