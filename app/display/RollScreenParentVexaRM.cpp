#include "RollScreenParentVexaRM.h"

#include "common/ScopeConstsVexaRM.h"
#include "model/VirtualScopeVexaRM.h"

#include <QMetaObject>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace vexa {

TRollScreenParentVexaRM::TRollScreenParentVexaRM(int32_t controlGroup, QWidget *parent)
    : QWidget(parent), FControlGroup(controlGroup), FBitmap(1, 1, QImage::Format_RGB32) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    FFrameClock = &TFrameClockVexa::Instance();
    FFrameClock->Register(this);
    std::lock_guard<std::mutex> control(FControlLock);
    std::lock_guard<std::mutex> bitmap(FBitmapLock);
    SizeBitmapToControl();
}

TRollScreenParentVexaRM::~TRollScreenParentVexaRM() {
    if (FFrameClock) FFrameClock->Unregister(this);
    if (TVirtualScopeVexaRM *scope = FVirtualScope.exchange(nullptr))
        scope->UnregisterListener(this);
}

void TRollScreenParentVexaRM::SetVirtualScope(TVirtualScopeVexaRM *scope) {
    FVirtualScope.store(scope);
    if (scope != nullptr) scope->RegisterListener(FControlGroup, this);
}

void TRollScreenParentVexaRM::OnScopeNotification(int32_t kind, const int32_t &) {
    ScopeChanged(kind);
}

void TRollScreenParentVexaRM::ScopeChanged(int32_t kind) {
    if (kind == kNotifyDetach) {
        if (TVirtualScopeVexaRM *scope = FVirtualScope.exchange(nullptr))
            scope->UnregisterListener(this);
        return;
    }
    if (kind != kNotifySettingsChanged && kind != kNotifyResized && kind != kNotifyGridChanged)
        return;
    if (!isVisible()) return;
    {
        // The processing thread may be drawing a block: then the redraw is
        // left to the next paint instead of waiting here.
        std::unique_lock<std::mutex> control(FControlLock, std::try_to_lock);
        if (!control.owns_lock()) {
            RequestRedraw();
            return;
        }
        std::lock_guard<std::mutex> bitmap(FBitmapLock);
        const TDrawSettingsVexaRM s = ReadSettings();
        FRedrawPending.store(false);
        SizeBitmapToControl();
        if (s.DisplayActive) DrawAll(s);
    }
    RequestRepaint();
}

void TRollScreenParentVexaRM::Redraw() {
    {
        std::lock_guard<std::mutex> control(FControlLock);
        std::lock_guard<std::mutex> bitmap(FBitmapLock);
        const TDrawSettingsVexaRM s = ReadSettings();
        FRedrawPending.store(false);
        SizeBitmapToControl();
        if (s.DisplayActive) DrawAll(s);
    }
    RequestRepaint();
}

void TRollScreenParentVexaRM::DisplayBlock(const uint16_t *words, int n) {
    if (FVirtualScope.load() == nullptr) return;
    const TDrawSettingsVexaRM s = ReadSettings();
    if (!s.DisplayActive) return;
    int64_t count = 0;
    {
        std::lock_guard<std::mutex> control(FControlLock);
        std::lock_guard<std::mutex> bitmap(FBitmapLock);
        const bool hadColumns = FReducer.ColumnCount() > 0;
        const int64_t b = TColumnReducerVexaRM::SamplesPerColumn(s.SMPSetting, s.DSPSetting);
        // A bitmap without width (a display never laid out) limits nothing.
        count = FReducer.Reduce(words, n, b, FWidth > 0 ? FWidth : -1);
        if (count > 0) DrawNewColumns(s, count, hadColumns);
    }
    if (count > 0) QueueRepaint();
}

void TRollScreenParentVexaRM::SetShown(bool shown) {
    setVisible(shown);
}

void TRollScreenParentVexaRM::SetFrameClock(TFrameClockVexa *clock) {
    if (FFrameClock) FFrameClock->Unregister(this);
    FFrameClock = clock;
    FFrameClock->Register(this);
}

void TRollScreenParentVexaRM::SetScrollMovesPixels(bool moves) {
    std::lock_guard<std::mutex> bitmap(FBitmapLock);
    FScrollMovesPixels = moves;
}

QImage TRollScreenParentVexaRM::Bitmap() const {
    std::lock_guard<std::mutex> bitmap(FBitmapLock);
    if (FOrigin == 0) return FBitmap.copy();
    QImage picture(FBitmap.size(), FBitmap.format());
    QPainter painter(&picture);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    DrawPicture(painter, QRect(0, 0, FWidth, FBitmap.height()));
    return picture;
}

void TRollScreenParentVexaRM::DrawPicture(QPainter &painter, const QRect &rect) const {
    // Picture columns 0 .. split - 1 are bitmap columns FOrigin .., the rest
    // start at bitmap column 0.
    const int split = FWidth - FOrigin;
    const int top = rect.top(), height = rect.height();
    const int left = std::max(rect.left(), 0);
    const int right = std::min(rect.right() + 1, FWidth);
    if (left < std::min(right, split))
        painter.drawImage(QPoint(left, top), FBitmap,
                          QRect(left + FOrigin, top, std::min(right, split) - left, height));
    if (std::max(left, split) < right)
        painter.drawImage(
            QPoint(std::max(left, split), top), FBitmap,
            QRect(std::max(left, split) - split, top, right - std::max(left, split), height));
}

int TRollScreenParentVexaRM::Head() const {
    std::lock_guard<std::mutex> control(FControlLock);
    return FReducer.Head();
}

bool TRollScreenParentVexaRM::Wrapped() const {
    std::lock_guard<std::mutex> control(FControlLock);
    return FReducer.Wrapped();
}

double TRollScreenParentVexaRM::Scale() const {
    std::lock_guard<std::mutex> bitmap(FBitmapLock);
    return FScale;
}

void TRollScreenParentVexaRM::paintEvent(QPaintEvent *event) {
    QPainter painter(this);
    std::lock_guard<std::mutex> control(FControlLock);
    std::lock_guard<std::mutex> bitmap(FBitmapLock);
    if (FRedrawPending.exchange(false) || FBitmap.size() != size()) {
        const TDrawSettingsVexaRM s = ReadSettings();
        SizeBitmapToControl();
        if (s.DisplayActive) DrawAll(s);
        // The painter is clipped to the requested part; the rest of the
        // redrawn picture follows with the next copy.
        if (!event->rect().contains(rect())) {
            MarkDirty(0, FWidth - 1);
            QueueRepaint();
        }
    }
    if (FBitmap.size() == size())
        DrawPicture(painter, event->rect());
    else
        painter.drawImage(0, 0, FBitmap);
}

void TRollScreenParentVexaRM::showEvent(QShowEvent *event) {
    // Settings may have changed while the display was hidden.
    RequestRedraw();
    QWidget::showEvent(event);
}

void TRollScreenParentVexaRM::resizeEvent(QResizeEvent *event) {
    RequestRedraw();
    QWidget::resizeEvent(event);
}

TDrawSettingsVexaRM TRollScreenParentVexaRM::ReadSettings() const {
    TDrawSettingsVexaRM s;
    const TVirtualScopeVexaRM *scope = FVirtualScope.load();
    if (scope == nullptr) return s;
    s.DisplayActive = scope->DisplayActive();
    s.Grid = scope->Grid();
    s.ModeLine = scope->ModeLine();
    s.SingleMode = scope->SingleMode();
    s.MakeMaximum = scope->MakeMaximum();
    s.MakeMinimum = scope->MakeMinimum();
    s.MakeAvg = scope->MakeAvg();
    s.StatusChannelA = scope->StatusChannelA();
    s.StatusChannelB = scope->StatusChannelB();
    s.GroundA = scope->GroundA();
    s.GroundB = scope->GroundB();
    s.MeasurementStarted = scope->MeasurementStarted();
    s.ColorChannelA = uint32_t(scope->ColorChannelA());
    s.ColorChannelB = uint32_t(scope->ColorChannelB());
    s.RealGridColor = uint32_t(scope->RealGridColor());
    s.BackgroundColor = uint32_t(scope->BackgroundColor());
    s.ZeroChannelA = int(scope->ZeroChannelA());
    s.ZeroChannelB = int(scope->ZeroChannelB());
    s.SMPSetting = int(scope->SMPSetting());
    s.DSPSetting = int(scope->DSPSetting());
    return s;
}

void TRollScreenParentVexaRM::SizeBitmapToControl() {
    const int width = std::max(0, this->width());
    const int height = std::max(0, this->height());
    if (FBitmap.width() != width || FBitmap.height() != height || FPixels == nullptr) {
        // A QImage cannot be empty and writable at once: a control without
        // area keeps a 1 x 1 bitmap that is never drawn into.
        FBitmap = QImage(std::max(width, 1), std::max(height, 1), QImage::Format_RGB32);
        FBitmap.fill(0);
        FOrigin = 0;
    }
    FPixels = reinterpret_cast<uint32_t *>(FBitmap.bits());
    FStride = size_t(FBitmap.bytesPerLine()) / sizeof(uint32_t);
    FWidth = width;
    FHeight = height;
    FScale = double(height) / 255.0;
    for (int v = 0; v < 256; ++v)
        FRowOf[v] = Row(v);
}

void TRollScreenParentVexaRM::MarkDirty(int from, int to) {
    from = std::max(from, 0);
    to = std::min(to, FWidth - 1);
    if (from > to) return;
    if (FDirtyFrom > FDirtyTo) {
        FDirtyFrom = from;
        FDirtyTo = to;
    } else {
        FDirtyFrom = std::min(FDirtyFrom, from);
        FDirtyTo = std::max(FDirtyTo, to);
    }
}

void TRollScreenParentVexaRM::RequestRepaint() {
    {
        std::lock_guard<std::mutex> bitmap(FBitmapLock);
        MarkDirty(0, FWidth - 1);
    }
    QueueRepaint();
}

void TRollScreenParentVexaRM::QueueRepaint() {
    // Copies reach the screen at most once per frame: at the fastest display
    // rates columns arrive hundreds of times a second, and each copy costs
    // the user-interface thread and the display server far more than drawing
    // the columns did.
    if (FFrameClock) FFrameClock->Request(this);
}

void TRollScreenParentVexaRM::ServeFrame() {
    QRect dirty;
    {
        std::lock_guard<std::mutex> bitmap(FBitmapLock);
        if (FDirtyFrom > FDirtyTo) return;
        dirty = QRect(FDirtyFrom, 0, FDirtyTo - FDirtyFrom + 1, std::max(FHeight, 1));
        FDirtyFrom = 0;
        FDirtyTo = -1;
    }
    update(dirty);
}

void TRollScreenParentVexaRM::RequestRedraw() {
    FRedrawPending.store(true);
    RequestRepaint();
}

int TRollScreenParentVexaRM::Row(int value) const {
    // Nearest integer to value x Height / 255 in integers: the exact
    // product is never halfway between two rows.
    const int64_t twice = 2 * int64_t(value) * FHeight;
    const int64_t row = twice >= 0 ? (twice + 255) / 510 : -((-twice + 255) / 510);
    return int(std::clamp<int64_t>(row, -1, int64_t(FHeight) + 1));
}

void TRollScreenParentVexaRM::FillStrip(int x, int width, uint32_t pixel) {
    const int from = std::max(x, 0);
    const int to = std::min(x + width, FWidth);
    if (from >= to) return;
    // In the bitmap the strip may be two: up to its right edge and from 0.
    const int start = Column(from);
    const int first = std::min(to - from, FWidth - start);
    const int rest = (to - from) - first;
    for (int y = 0; y < FHeight; ++y) {
        uint32_t *row = FPixels + size_t(y) * FStride;
        std::fill(row + start, row + start + first, pixel);
        std::fill(row, row + rest, pixel);
    }
}

void TRollScreenParentVexaRM::VerticalLine(int x, int y0, int y1, uint32_t pixel) {
    if (unsigned(x) >= unsigned(FWidth)) return;
    const int from = std::max(std::min(y0, y1), 0);
    const int to = std::min(std::max(y0, y1), FHeight - 1);
    const size_t column = size_t(Column(x));
    for (int y = from; y <= to; ++y)
        FPixels[size_t(y) * FStride + column] = pixel;
}

void TRollScreenParentVexaRM::Line(int x0, int y0, int x1, int y1, uint32_t pixel) {
    if (x0 == x1) {
        VerticalLine(x0, y0, y1, pixel);
        return;
    }
    const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1;
    const int dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
    int err = dx + dy;
    for (;;) {
        SetPixel(x0, y0, pixel);
        if (x0 == x1 && y0 == y1) break;
        const int e2 = 2 * err;
        if (e2 >= dy) {
            err += dy;
            x0 += sx;
        }
        if (e2 <= dx) {
            err += dx;
            y0 += sy;
        }
    }
}

void TRollScreenParentVexaRM::ScrollLeft(int shift) {
    if (shift <= 0 || FWidth <= 0) return;
    if (shift >= FWidth) return; // everything scrolls out; the caller fills the new strip
    if (!FScrollMovesPixels) {
        FOrigin = Column(shift);
        return;
    }
    for (int y = 0; y < FHeight; ++y) {
        uint32_t *row = FPixels + size_t(y) * FStride;
        std::memmove(row, row + shift, sizeof(uint32_t) * size_t(FWidth - shift));
    }
}

void TRollScreenParentVexaRM::DottedLine(int position, int start, int length, bool vertical,
                                         uint32_t color) {
    const uint32_t pixel = PixelOfColor(color);
    if (vertical) {
        for (int y = std::max(start, 0); y < start + length && y < FHeight; y += 2)
            if (((y - start) & 1) == 0) SetPixel(position, y, pixel);
        return;
    }
    int x = (position & 1) == 0 ? position : position + 1;
    if (x < 0) x = 0; // 0 is even, so the dots keep their places
    for (; x < position + length && x < FWidth; x += 2)
        SetPixel(x, start, pixel);
}

void TRollScreenParentVexaRM::HorizontalGrid(int position, int length, uint32_t color) {
    // The rows of the column bytes 224, 192, ..., 32: eight divisions of
    // 32 codes.
    for (int k = 31; k <= 223; k += 32)
        DottedLine(position, Row(255 - k), length, false, color);
}

void TRollScreenParentVexaRM::MarkerLine(int x, uint16_t column) {
    const uint32_t color = column == kColumnMarker2 ? kColorMarker2 : kColorMarker1;
    VerticalLine(x, 0, FHeight - 1, PixelOfColor(color));
}

void TRollScreenParentVexaRM::GroundLines(const TDrawSettingsVexaRM &s) {
    if (s.GroundA) DottedLine(0, Row(255 - s.ZeroChannelA), FWidth, false, s.ColorChannelA);
    if (s.GroundB) DottedLine(0, Row(255 - s.ZeroChannelB), FWidth, false, s.ColorChannelB);
}

} // namespace vexa
