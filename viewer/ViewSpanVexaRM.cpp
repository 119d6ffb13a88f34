#include "ViewSpanVexaRM.h"

#include <algorithm>
#include <cmath>

namespace vexa::view {

void TViewSpanVexaRM::Place(TTimeNs from, TTimeNs width) {
    const TTimeNs limit = Limit();
    width = std::clamp<TTimeNs>(width, 1, limit);
    from = std::clamp<TTimeNs>(from, 0, limit - width);
    FFrom = from;
    FTo = from + width;
}

void TViewSpanVexaRM::SetExtent(TTimeNs extent) {
    const bool whole = IsWhole();
    FExtent = std::max<TTimeNs>(extent, 0);
    if (whole)
        Fit();
    else
        Place(FFrom, Width());
}

void TViewSpanVexaRM::Fit() {
    Place(0, Limit());
}

void TViewSpanVexaRM::SetSpan(TTimeNs from, TTimeNs to, TTimeNs minWidth) {
    if (to < from) std::swap(from, to);
    TTimeNs width = to - from;
    if (width < minWidth) {
        const TTimeNs mid = from + width / 2;
        width = minWidth;
        from = mid - width / 2;
    }
    Place(from, width);
}

void TViewSpanVexaRM::ZoomAround(TTimeNs t, double factor, TTimeNs minWidth) {
    const long double old = static_cast<long double>(Width());
    long double width = old * factor;
    width = std::max<long double>(width, static_cast<long double>(std::max<TTimeNs>(minWidth, 1)));
    width = std::min<long double>(width, static_cast<long double>(Limit()));
    // t keeps its share of the span.
    const long double share = old > 0 ? (t - FFrom) / old : 0.5L;
    const TTimeNs w = static_cast<TTimeNs>(std::llround(width));
    Place(t - static_cast<TTimeNs>(std::llround(share * w)), w);
}

void TViewSpanVexaRM::PanBy(TTimeNs dt) {
    Place(FFrom + dt, Width());
}

void TViewSpanVexaRM::Home() {
    Place(0, Width());
}

void TViewSpanVexaRM::End() {
    Place(Limit() - Width(), Width());
}

void TViewSpanVexaRM::CentreOn(TTimeNs t) {
    Place(t - Width() / 2, Width());
}

double TViewSpanVexaRM::XOf(TTimeNs t, int width) const {
    return static_cast<double>(static_cast<long double>(t - FFrom) * width / Width());
}

TTimeNs TViewSpanVexaRM::TimeAt(double x, int width) const {
    if (width <= 0) return FFrom;
    return FFrom +
           static_cast<TTimeNs>(std::llround(static_cast<long double>(x) * Width() / width));
}

} // namespace vexa::view
