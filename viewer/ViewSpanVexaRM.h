// The visible time span of one measurement and the navigation that changes
// it: zoom around a time, pan, zoom to a span, fit, either end. Times are
// nanoseconds from the start of the measurement; the span always lies inside
// [0, extent] and is never narrower than the width the caller allows (a few
// sample periods) nor wider than the extent.
#pragma once

#include "recfile/RecordTypesVexaRM.h"

namespace vexa::view {

using rec::TTimeNs;

class TViewSpanVexaRM {
public:
    // The length of the measurement. The span keeps its width and is moved
    // back inside when it would reach past the new end.
    void SetExtent(TTimeNs extent);
    TTimeNs Extent() const { return FExtent; }

    TTimeNs From() const { return FFrom; }
    TTimeNs To() const { return FTo; }
    TTimeNs Width() const { return FTo - FFrom; }
    bool IsWhole() const { return FFrom == 0 && FTo == Limit(); }

    // The whole measurement.
    void Fit();
    // [from, to), widened around its middle to minWidth and clipped.
    void SetSpan(TTimeNs from, TTimeNs to, TTimeNs minWidth);
    // Scales the width by factor (below 1 zooms in) so that time t stays
    // where it is on the screen.
    void ZoomAround(TTimeNs t, double factor, TTimeNs minWidth);
    // Moves the span by dt, stopping at either end.
    void PanBy(TTimeNs dt);
    // Keeps the width, moves to the start or the end.
    void Home();
    void End();
    // Keeps the width, centres on t.
    void CentreOn(TTimeNs t);

    // Screen mapping over a plot of the given width in pixels.
    double XOf(TTimeNs t, int width) const;
    TTimeNs TimeAt(double x, int width) const;

private:
    // The right end of the navigable range (1 s for an empty measurement).
    TTimeNs Limit() const { return FExtent > 0 ? FExtent : rec::kNsPerSecond; }
    void Place(TTimeNs from, TTimeNs width);

    TTimeNs FExtent = 0;
    TTimeNs FFrom = 0;
    TTimeNs FTo = rec::kNsPerSecond;
};

} // namespace vexa::view
