#include "RollScreenEKGVexaRM.h"

#include <algorithm>

namespace vexa {

namespace {
constexpr int kGridSpacing = 50;
constexpr int kSpotSize = 4;
} // namespace

TRollScreenEKGVexaRM::TRollScreenEKGVexaRM(QWidget *parent)
    : TRollScreenParentVexaRM(kDefaultControlGroup, parent) {}

int TRollScreenEKGVexaRM::WritePosition() const {
    std::lock_guard<std::mutex> control(FControlLock);
    return FWritePosition;
}

void TRollScreenEKGVexaRM::ForgetColumns() {
    FWritePosition = 0;
    Reducer().ForgetColumns();
    Reducer().ClearRing(TColumnReducerVexaRM::RingSample);
    Reducer().ClearRing(TColumnReducerVexaRM::RingMin);
    Reducer().ClearRing(TColumnReducerVexaRM::RingAvg);
}

void TRollScreenEKGVexaRM::ResetScreen() {
    {
        // Both locks: the processing thread may already be running when
        // the data flow starts.
        std::lock_guard<std::mutex> control(FControlLock);
        std::lock_guard<std::mutex> bitmap(FBitmapLock);
        const TDrawSettingsVexaRM s = ReadSettings();
        SizeBitmapToControl();
        FillStrip(0, BitmapWidth(), PixelOfColor(s.BackgroundColor));
        ForgetColumns();
        Reducer().ResetAccumulator();
    }
    // No grid is drawn here; the next paint rebuilds the whole picture.
    RequestRedraw();
}

void TRollScreenEKGVexaRM::ClearScreen() {
    {
        std::lock_guard<std::mutex> control(FControlLock);
        std::lock_guard<std::mutex> bitmap(FBitmapLock);
        const TDrawSettingsVexaRM s = ReadSettings();
        ForgetColumns();
        FillStrip(0, BitmapWidth(), PixelOfColor(s.BackgroundColor));
        DrawGrid(s, 0, BitmapWidth());
    }
    RequestRepaint();
}

void TRollScreenEKGVexaRM::DrawGrid(const TDrawSettingsVexaRM &s, int start, int length) {
    if (!s.Grid || !s.DisplayActive || length <= 0) return;
    const int from = std::max(start, 0);
    const int to = std::min(start + length, BitmapWidth());
    for (int x = (from + kGridSpacing - 1) / kGridSpacing * kGridSpacing; x < to; x += kGridSpacing)
        DottedLine(x, 0, BitmapHeight(), true, s.RealGridColor);
    HorizontalGrid(start, length, s.RealGridColor);
}

void TRollScreenEKGVexaRM::DrawColumn(const TDrawSettingsVexaRM &s, int x, int p,
                                      bool hasPrevious) {
    const TColumnReducerVexaRM &r = Reducer();
    const bool visible[2] = {s.StatusChannelA, s.StatusChannelB};
    const uint32_t pixel[2] = {PixelOfColor(s.ColorChannelA), PixelOfColor(s.ColorChannelB)};
    auto rowOf = [this](int ch, uint16_t column) {
        return ch == 0 ? RowOfA(column) : RowOfB(column);
    };
    if (s.Band()) {
        const uint16_t min = r.MinAt(p), max = r.MaxAt(p);
        const bool marker = IsMarkerColumn(min);
        if (marker) MarkerLine(x, min);
        for (int ch = 0; ch < 2; ++ch) {
            if (!visible[ch]) continue;
            if (s.ModeLine) {
                if (!marker) VerticalLine(x, rowOf(ch, max), rowOf(ch, min), pixel[ch]);
            } else {
                SetPixel(x, rowOf(ch, min), pixel[ch]);
                SetPixel(x, rowOf(ch, max), pixel[ch]);
            }
        }
        return;
    }
    const TColumnReducerVexaRM::TRing ring = s.SingleRing();
    const uint16_t column = r.At(ring, p);
    const uint16_t previous = r.At(ring, p - 1);
    const bool previousIsData = hasPrevious && !IsMarkerColumn(previous);
    if (s.ModeLine) {
        if (IsMarkerColumn(column)) {
            MarkerLine(x, column);
            return;
        }
        // No line leads out of a marker, nor from before the first column.
        for (int ch = 0; ch < 2; ++ch)
            if (visible[ch]) {
                const int y = rowOf(ch, column);
                Line(x - 1, previousIsData ? rowOf(ch, previous) : y, x, y, pixel[ch]);
            }
        return;
    }
    if (hasPrevious && IsMarkerColumn(previous)) MarkerLine(x - 1, previous);
    if (IsMarkerColumn(column))
        return; // a marker has no value; its line follows with the next column
    for (int ch = 0; ch < 2; ++ch)
        if (visible[ch]) SetPixel(x, rowOf(ch, column), pixel[ch]);
}

void TRollScreenEKGVexaRM::DrawNewColumns(const TDrawSettingsVexaRM &s, int64_t count,
                                          bool hadColumns) {
    const int width = BitmapWidth();
    const int positions = width + 1;
    const uint32_t background = PixelOfColor(s.BackgroundColor);
    int x = std::clamp(FWritePosition, 0, width);

    // Erase what will be drawn over; past the right edge also a strip at
    // the left, which gets its grid back at once.
    const int erase = int(std::min<int64_t>(count, positions));
    // What changes: the line from the previous column, the erased strip with
    // the new columns, the cursor and the spots after it; past the right
    // edge the sweep starts again at the left, so all of it.
    if (x + count > width)
        MarkDirty(0, width - 1);
    else
        MarkDirty(x - 1, x + erase + kSpotSize + 1);
    FillStrip(x, erase, background);
    DrawGrid(s, x, erase);
    if (x + count > width) {
        const int left = int(std::min<int64_t>(width - x + count, width));
        FillStrip(0, left, background);
        DrawGrid(s, 0, left);
    }

    // Only the last 2048 columns are still in the rings; the ones before
    // them move the write position without being drawn.
    const int n = int(std::min<int64_t>(count, TColumnReducerVexaRM::kRingSize));
    x = int((x + (count - n)) % positions);
    const int h = (Reducer().Head() - n) & TColumnReducerVexaRM::kRingMask;
    const bool hasPrevious = hadColumns && count < TColumnReducerVexaRM::kRingSize;
    for (int i = 0; i < n; ++i) {
        DrawColumn(s, x, h + i, i > 0 || hasPrevious);
        if (++x > width) x = 0;
    }
    FWritePosition = x;

    VerticalLine(x, 0, BitmapHeight() - 1, PixelOfColor(kColorCursor));
    // Spots at the newest value; a marker column has none.
    const uint16_t last =
        s.Band() ? Reducer().MinAt(h + n - 1) : Reducer().At(s.SingleRing(), h + n - 1);
    if (IsMarkerColumn(last)) return;
    const bool visible[2] = {s.StatusChannelA, s.StatusChannelB};
    const uint32_t color[2] = {s.ColorChannelA, s.ColorChannelB};
    for (int ch = 0; ch < 2; ++ch) {
        if (!visible[ch]) continue;
        const int y = ch == 0 ? RowOfA(last) : RowOfB(last);
        for (int dy = -2; dy < kSpotSize - 2; ++dy)
            for (int dx = 0; dx < kSpotSize; ++dx)
                SetPixel(x + dx, y + dy, PixelOfColor(color[ch]));
    }
}

void TRollScreenEKGVexaRM::DrawAll(const TDrawSettingsVexaRM &s) {
    const TColumnReducerVexaRM &r = Reducer();
    const int width = BitmapWidth();
    const int positions = width + 1;
    const int head = r.Head();
    const int writePosition = std::clamp(FWritePosition, 0, width);

    // The newest column lands just left of the write position, every column
    // where the incremental drawing put it. Never more columns than the
    // rings hold: on a display wider than 2048 pixels the rest stays empty.
    int count = head;
    int first = 0;
    int x = 0;
    if (head > width || r.Wrapped()) {
        count = std::min(width, r.ColumnCount());
        first = (head - count) & TColumnReducerVexaRM::kRingMask;
        x = (writePosition - count + positions) % positions;
    }

    FillStrip(0, width, PixelOfColor(s.BackgroundColor));
    DrawGrid(s, 0, width);

    const bool visible[2] = {s.StatusChannelA, s.StatusChannelB};
    const uint32_t pixel[2] = {PixelOfColor(s.ColorChannelA), PixelOfColor(s.ColorChannelB)};
    auto rowOf = [this](int ch, uint16_t column) {
        return ch == 0 ? RowOfA(column) : RowOfB(column);
    };
    const TColumnReducerVexaRM::TRing ring = s.SingleRing();
    const bool band = s.Band();
    int endX = x;
    if (s.ModeLine) {
        for (int ch = 0; ch < 2; ++ch) {
            if (!visible[ch]) continue;
            int cx = x;
            int penX = cx, penY = rowOf(ch, r.At(ring, first));
            for (int k = 0; k < count; ++k) {
                const int p = first + k;
                if (band) {
                    const uint16_t min = r.MinAt(p), max = r.MaxAt(p);
                    if (IsMarkerColumn(min))
                        MarkerLine(cx, min);
                    else
                        VerticalLine(cx, rowOf(ch, max), rowOf(ch, min), pixel[ch]);
                } else {
                    const uint16_t column = r.At(ring, p);
                    if (IsMarkerColumn(column)) {
                        MarkerLine(cx, column);
                        penX = cx + 1;
                        penY = rowOf(ch, r.At(ring, p + 1));
                    } else {
                        const int y = rowOf(ch, column);
                        Line(penX, penY, cx, y, pixel[ch]);
                        penX = cx;
                        penY = y;
                    }
                }
                if (++cx > width) {
                    cx = 0;
                    penX = 0; // no line crosses the screen
                }
            }
        }
    } else {
        int cx = x;
        for (int k = 0; k < count; ++k) {
            const int p = first + k;
            const uint16_t column = band ? r.MinAt(p) : r.At(ring, p);
            if (IsMarkerColumn(column)) {
                MarkerLine(cx, column);
            } else {
                for (int ch = 0; ch < 2; ++ch) {
                    if (!visible[ch]) continue;
                    SetPixel(cx, rowOf(ch, column), pixel[ch]);
                    if (band) SetPixel(cx, rowOf(ch, r.MaxAt(p)), pixel[ch]);
                }
            }
            if (++cx > width) cx = 0;
        }
    }
    endX = int((int64_t(x) + count) % positions);
    FWritePosition = endX;
    VerticalLine(endX, 0, BitmapHeight() - 1, PixelOfColor(kColorCursor));
    if (!s.MeasurementStarted) GroundLines(s);
}

} // namespace vexa
