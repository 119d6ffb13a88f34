// What the trace view draws for one span of one measurement, taken from a
// record-file reader: per screen column the band of each channel (from the
// index, so no value is ever missed), every sample when the span holds
// fewer sample periods than columns, device markers, gaps of lost samples,
// section boundaries where the scale changes, and the range of each
// channel's lane. Qt-free: the painter turns it into pixels.
#pragma once

#include "recfile/RecordReaderVexaRM.h"

#include <string>
#include <vector>

namespace vexa::view {

using rec::TTimeNs;

// One sample period with values, in volts (codes where the scale is not
// known). Break: not joined to the point before (a gap or ARM-marker
// periods lie between them).
struct TPlotPoint {
    TTimeNs Time = 0;
    float V[2] = {0, 0};
    bool Break = false;
};

// A gap of lost samples: no data between From and To.
struct TGapSpan {
    TTimeNs From = 0, To = 0;
    uint64_t Periods = 0;
};

// Where the scale changes inside the span, and what changed ("rate 1 kS/s,
// A 500 mV/div").
struct TBoundary {
    TTimeNs Time = 0;
    std::string Text;
};

struct TPlotVexaRM {
    TTimeNs From = 0, To = 0;
    std::vector<rec::TColumn> Columns;
    uint64_t Periods = 0; // sample periods in the span
    // Every sample of the span (and one on either side) is in Points.
    bool SampleMode = false;
    std::vector<TPlotPoint> Points;
    // Device markers listed one by one (only for short spans; longer spans
    // flag them in the columns).
    std::vector<TTimeNs> DeviceMarkers;
    std::vector<TGapSpan> Gaps;
    std::vector<TBoundary> Boundaries;
    // Lane of each channel: the values of codes 0 and 255 over the sections
    // in the span, in volts when the scale is known.
    double Lo[2] = {0, 0}, Hi[2] = {255, 255};
    bool Volts[2] = {false, false};
};

class TPlotModelVexaRM {
public:
    static TPlotVexaRM Build(const rec::TRecordReaderVexaRM &reader, uint32_t m, TTimeNs from,
                             TTimeNs to, int columns);
    // The narrowest span worth showing around t: a few sample periods of the
    // section there.
    static TTimeNs MinWidthAt(const rec::TRecordReaderVexaRM &reader, uint32_t m, TTimeNs t);
    // What changed between two scales, as a boundary shows it.
    static std::string ScaleChange(const rec::TScale &before, const rec::TScale &after);
};

} // namespace vexa::view
