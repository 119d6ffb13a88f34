#include "RollScreenShiftVexaRM.h"

#include <algorithm>

namespace vexa {

namespace {
constexpr int kRingMask = TColumnReducerVexaRM::kRingMask;
constexpr int kGridSpacing = 50;
} // namespace

TRollScreenShiftVexaRM::TRollScreenShiftVexaRM(QWidget *parent)
    : TRollScreenParentVexaRM(kDefaultControlGroup, parent) {}

int TRollScreenShiftVexaRM::GridPhase() const {
    std::lock_guard<std::mutex> control(FControlLock);
    return FGridPhase;
}

int TRollScreenShiftVexaRM::GridPending() const {
    std::lock_guard<std::mutex> control(FControlLock);
    return FGridPending;
}

void TRollScreenShiftVexaRM::ForgetColumns(const TDrawSettingsVexaRM &s, bool resetAccumulator) {
    Reducer().ForgetColumns();
    FGridPhase = BitmapWidth() % kGridSpacing;
    FGridPending = 0;
    Reducer().ClearRing(TColumnReducerVexaRM::RingSample);
    if (resetAccumulator)
        Reducer().ResetAccumulator();
    else
        Reducer().ClearRing(TColumnReducerVexaRM::RingMin);
    FillStrip(0, BitmapWidth(), PixelOfColor(s.BackgroundColor));
    // The state is set before the grid is drawn, so that the grid of an
    // empty display already stands where the next full redraw puts it.
    DrawGrid(s, 0);
}

void TRollScreenShiftVexaRM::ResetScreen() {
    {
        // The processing thread may already be running when the data flow
        // starts, so the reset takes both locks like every other change.
        std::lock_guard<std::mutex> control(FControlLock);
        std::lock_guard<std::mutex> bitmap(FBitmapLock);
        const TDrawSettingsVexaRM s = ReadSettings();
        SizeBitmapToControl();
        ForgetColumns(s, true);
    }
    RequestRepaint();
}

void TRollScreenShiftVexaRM::ClearScreen() {
    {
        std::lock_guard<std::mutex> control(FControlLock);
        std::lock_guard<std::mutex> bitmap(FBitmapLock);
        ForgetColumns(ReadSettings(), false);
    }
    RequestRepaint();
}

void TRollScreenShiftVexaRM::DrawGrid(const TDrawSettingsVexaRM &s, int64_t shift) {
    const int width = BitmapWidth();
    if (!s.Grid || !s.DisplayActive) {
        // A hidden grid keeps moving with the trace, so that it reappears
        // where it would have been.
        if (shift > 0) FGridPhase = int((FGridPhase + shift) % kGridSpacing);
        return;
    }
    const uint32_t color = s.RealGridColor;
    int x0 = 0;
    int spanStart = 0;
    bool verticals = true;
    if (shift <= 0) {
        FGridPending = 2;
        spanStart = 0;
        x0 = ((width - FGridPhase) % kGridSpacing + kGridSpacing) % kGridSpacing;
    } else {
        FGridPending = int(std::min<int64_t>(FGridPending + shift, std::max(width, 2)));
        spanStart = width - FGridPending;
        const int64_t phase = FGridPhase + shift;
        verticals = phase > 0;
        x0 = int(std::max<int64_t>(width - phase, -kGridSpacing * int64_t(width + 1)));
        FGridPhase = int(phase % kGridSpacing);
    }
    if (verticals) {
        if (x0 < 0) x0 += (-x0 + kGridSpacing - 1) / kGridSpacing * kGridSpacing;
        for (int x = x0; x < width; x += kGridSpacing)
            DottedLine(x, 0, BitmapHeight(), true, color);
    }
    if (FGridPending >= 2) {
        HorizontalGrid(spanStart, shift <= 0 ? width : FGridPending, color);
        FGridPending = 0;
    }
}

void TRollScreenShiftVexaRM::DrawNewColumns(const TDrawSettingsVexaRM &s, int64_t count,
                                            bool hadColumns) {
    const int width = BitmapWidth();
    // Only the last 2048 columns are still in the rings.
    const int n = int(std::min<int64_t>(count, TColumnReducerVexaRM::kRingSize));
    const int h = (Reducer().Head() - n) & kRingMask;
    const bool hasPrevious = hadColumns && count < TColumnReducerVexaRM::kRingSize;
    const int exposed = int(std::min<int64_t>(count, width));

    // The whole picture moves.
    MarkDirty(0, width - 1);
    ScrollLeft(exposed);
    FillStrip(width - exposed, exposed, PixelOfColor(s.BackgroundColor));
    DrawGrid(s, count);
    if (s.Band())
        DrawBandColumns(s, h, n, hasPrevious);
    else
        DrawSingleColumns(s, h, n, hasPrevious);
}

void TRollScreenShiftVexaRM::DrawBandColumns(const TDrawSettingsVexaRM &s, int h, int n,
                                             bool hasPrevious) {
    const TColumnReducerVexaRM &r = Reducer();
    const int left = BitmapWidth() - n;
    const bool visible[2] = {s.StatusChannelA, s.StatusChannelB};
    const uint32_t pixel[2] = {PixelOfColor(s.ColorChannelA), PixelOfColor(s.ColorChannelB)};
    if (s.ModeLine) {
        for (int ch = 0; ch < 2; ++ch) {
            if (!visible[ch]) continue;
            // A marker that ended the previous block is drawn again at its
            // scrolled place.
            if (hasPrevious && IsMarkerColumn(r.MinAt(h - 1))) MarkerLine(left - 1, r.MinAt(h - 1));
            for (int i = 0; i < n; ++i) {
                const uint16_t min = r.MinAt(h + i), max = r.MaxAt(h + i);
                if (IsMarkerColumn(min))
                    MarkerLine(left + i, min);
                else if (ch == 0)
                    VerticalLine(left + i, RowOfA(min), RowOfA(max), pixel[0]);
                else
                    VerticalLine(left + i, RowOfB(min), RowOfB(max), pixel[1]);
            }
        }
        return;
    }
    for (int i = 0; i < n; ++i) {
        const int x = left + i;
        const uint16_t min = r.MinAt(h + i), max = r.MaxAt(h + i);
        if (IsMarkerColumn(min)) MarkerLine(x, min);
        if (visible[0]) {
            SetPixel(x, RowOfA(min), pixel[0]);
            SetPixel(x, RowOfA(max), pixel[0]);
        }
        if (visible[1]) {
            SetPixel(x, RowOfB(min), pixel[1]);
            SetPixel(x, RowOfB(max), pixel[1]);
        }
    }
}

void TRollScreenShiftVexaRM::DrawSingleColumns(const TDrawSettingsVexaRM &s, int h, int n,
                                               bool hasPrevious) {
    const TColumnReducerVexaRM &r = Reducer();
    const TColumnReducerVexaRM::TRing ring = s.SingleRing();
    const int left = BitmapWidth() - n;
    const bool visible[2] = {s.StatusChannelA, s.StatusChannelB};
    const uint32_t pixel[2] = {PixelOfColor(s.ColorChannelA), PixelOfColor(s.ColorChannelB)};
    auto rowOf = [this](int ch, uint16_t column) {
        return ch == 0 ? RowOfA(column) : RowOfB(column);
    };
    if (s.ModeLine) {
        for (int ch = 0; ch < 2; ++ch) {
            if (!visible[ch]) continue;
            // The pen's row is always that of a data column: the column
            // before the block, or, when that is a marker or there is none,
            // the first data column of the block, so that no line leads out
            // of a marker or from the top edge.
            int penX = left - 1;
            int penY = 0;
            bool pen = false;
            const uint16_t previous = r.At(ring, h - 1);
            if (hasPrevious && !IsMarkerColumn(previous)) {
                penY = rowOf(ch, previous);
                pen = true;
            } else {
                if (hasPrevious) MarkerLine(penX, previous);
                for (int i = 0; i < n && !pen; ++i) {
                    const uint16_t column = r.At(ring, h + i);
                    if (!IsMarkerColumn(column)) {
                        penY = rowOf(ch, column);
                        pen = true;
                    }
                }
            }
            for (int i = 0; i < n; ++i) {
                const int x = left + i;
                const uint16_t column = r.At(ring, h + i);
                if (IsMarkerColumn(column)) {
                    MarkerLine(x, column);
                    penX = x; // the pen keeps the row of the last data column
                    continue;
                }
                const int y = rowOf(ch, column);
                Line(penX, penY, x, y, pixel[ch]);
                penX = x;
                penY = y;
            }
        }
        return;
    }
    for (int i = 0; i < n; ++i) {
        const int x = left + i;
        const uint16_t column = r.At(ring, h + i);
        if (IsMarkerColumn(column)) {
            MarkerLine(x, column);
            continue;
        }
        for (int ch = 0; ch < 2; ++ch)
            if (visible[ch]) SetPixel(x, rowOf(ch, column), pixel[ch]);
    }
}

void TRollScreenShiftVexaRM::DrawAll(const TDrawSettingsVexaRM &s) {
    const TColumnReducerVexaRM &r = Reducer();
    const int width = BitmapWidth();
    FillStrip(0, width, PixelOfColor(s.BackgroundColor));
    DrawGrid(s, 0);
    if (r.ColumnCount() == 0) return;

    const bool visible[2] = {s.StatusChannelA, s.StatusChannelB};
    const uint32_t pixel[2] = {PixelOfColor(s.ColorChannelA), PixelOfColor(s.ColorChannelB)};
    auto rowOf = [this](int ch, uint16_t column) {
        return ch == 0 ? RowOfA(column) : RowOfB(column);
    };
    const int head = r.Head();
    // Columns from right to left, x = width down to 1, and never more than
    // the rings hold: on a display wider than 2048 pixels the part left of
    // the oldest column stays empty.
    auto steps = [&](int first) {
        const int available = r.Wrapped() ? TColumnReducerVexaRM::kRingSize : first + 1;
        return std::min(width, available);
    };

    if (s.Band()) {
        // The band's pass starts with ring position Head at x = width.
        const int count = steps(head);
        for (int ch = 0; ch < 2; ++ch) {
            if (!visible[ch]) continue;
            for (int k = 0; k < count; ++k) {
                const int x = width - k, p = head - k;
                const uint16_t min = r.MinAt(p), max = r.MaxAt(p);
                if (IsMarkerColumn(min)) {
                    MarkerLine(x, min);
                } else if (s.ModeLine) {
                    VerticalLine(x, rowOf(ch, min), rowOf(ch, max), pixel[ch]);
                } else {
                    SetPixel(x, rowOf(ch, min), pixel[ch]);
                    SetPixel(x, rowOf(ch, max), pixel[ch]);
                }
            }
        }
    } else {
        // The single trace starts with the newest column at x = width.
        const TColumnReducerVexaRM::TRing ring = s.SingleRing();
        const int count = steps(head - 1);
        if (s.ModeLine) {
            for (int ch = 0; ch < 2; ++ch) {
                if (!visible[ch]) continue;
                int penX = width, penY = rowOf(ch, r.At(ring, head - 1));
                for (int k = 0; k < count; ++k) {
                    const int x = width - k, p = head - 1 - k;
                    const uint16_t column = r.At(ring, p);
                    if (IsMarkerColumn(column)) {
                        MarkerLine(x, column);
                        penX = x - 1;
                        penY = rowOf(ch, r.At(ring, p - 1));
                        continue;
                    }
                    const int y = rowOf(ch, column);
                    Line(penX, penY, x, y, pixel[ch]);
                    penX = x;
                    penY = y;
                }
            }
        } else {
            for (int k = 0; k < count; ++k) {
                const int x = width - k;
                const uint16_t column = r.At(ring, head - 1 - k);
                if (IsMarkerColumn(column)) {
                    MarkerLine(x, column);
                    continue;
                }
                for (int ch = 0; ch < 2; ++ch)
                    if (visible[ch]) SetPixel(x, rowOf(ch, column), pixel[ch]);
            }
        }
    }
    if (!s.MeasurementStarted) GroundLines(s);
}

} // namespace vexa
