// Common base of the two trace displays: the off-screen bitmap and its
// lock, the column rings with the reduction, the drawing conventions
// (vertical scale, colours, marker lines, grid rows, ground lines) and the
// way the processing thread's drawing reaches the screen.
#pragma once

#include "ColumnReducerVexaRM.h"
#include "DrawSettingsVexaRM.h"
#include "flow/FlowInterfacesVexaRM.h"
#include "model/ScopeListenerVexaRM.h"

#include <QImage>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <mutex>

namespace vexa {

class TVirtualScopeVexaRM;

// Threads: DisplayBlock runs in the processing thread; everything else runs
// in the main thread. The processing thread draws into the bitmap and asks
// for a repaint with a queued call; the main thread's paintEvent copies the
// bitmap to the screen. Lock order, in every operation that holds both:
// FControlLock, then FBitmapLock.
class TRollScreenParentVexaRM : public QWidget,
                                public IBlockDisplayVexaRM,
                                public IScopeListenerVexaRM {
    Q_OBJECT
public:
    TRollScreenParentVexaRM(int32_t controlGroup, QWidget *parent);
    ~TRollScreenParentVexaRM() override;

    int32_t ControlGroup() const { return FControlGroup; }
    void SetControlGroup(int32_t group) { FControlGroup = group; }
    TVirtualScopeVexaRM *VirtualScope() const { return FVirtualScope.load(); }
    // Stores the model and, when it is not null, registers the display as
    // its listener under ControlGroup.
    void SetVirtualScope(TVirtualScopeVexaRM *scope);

    // Listener: 2, 5 and 14 redraw the whole picture while the display is
    // visible; 3 detaches from the model.
    void OnScopeNotification(int32_t kind, const int32_t &senderGroup) override;
    void ScopeChanged(int32_t kind);

    // Processing thread: reduce a block and draw the new columns.
    void DisplayBlock(const uint16_t *words, int n) override;
    void SetShown(bool shown) override;

    // Main thread: the whole picture from the rings, now.
    void Redraw();

    // Inspection, from any thread (takes the locks).
    QImage Bitmap() const;
    int Head() const;
    bool Wrapped() const;
    double Scale() const;

protected:
    // Column drawing of each display, called with both locks held. count is
    // the number of columns the block wrote (may exceed the ring);
    // hadColumns tells whether any column existed before the block.
    virtual void DrawNewColumns(const TDrawSettingsVexaRM &s, int64_t count, bool hadColumns) = 0;
    // The full redraw's steps after the bitmap has its size, called with
    // both locks held and only while the display is active.
    virtual void DrawAll(const TDrawSettingsVexaRM &s) = 0;

    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

    TDrawSettingsVexaRM ReadSettings() const;
    // Gives the bitmap the control's size (main thread) and recomputes the
    // scale; the pixels of a bitmap that changes size are undefined.
    void SizeBitmapToControl();
    // Asks the main thread to copy the whole bitmap to the screen (any
    // thread; the caller holds neither lock).
    void RequestRepaint();
    // Marks the columns from .. to (both included) as changed since the last
    // copy to the screen; the caller holds FBitmapLock. Blocks of a running
    // measurement mark what they drew, so only that part is copied.
    void MarkDirty(int from, int to);
    // The next paint performs a full redraw.
    void RequestRedraw();
    // Asks the main thread to copy the columns marked dirty (any thread).
    void QueueRepaint();

    // ---- drawing into the bitmap; the caller holds FBitmapLock ----------
    int BitmapWidth() const { return FWidth; }
    int BitmapHeight() const { return FHeight; }
    // Pixel row of a column byte (or of any code value): nearest integer to
    // value x Scale, Scale = Height / 255.
    int Row(int value) const;
    int RowOfA(uint16_t column) const { return FRowOf[column & 0xFF]; }
    int RowOfB(uint16_t column) const { return FRowOf[column >> 8]; }
    void SetPixel(int x, int y, uint32_t pixel) {
        if (unsigned(x) < unsigned(FWidth) && unsigned(y) < unsigned(FHeight))
            FPixels[size_t(y) * FStride + size_t(x)] = pixel;
    }
    // Full-height strip x .. x + width - 1 in one colour (clipped).
    void FillStrip(int x, int width, uint32_t pixel);
    // Vertical line at x between two rows, both included.
    void VerticalLine(int x, int y0, int y1, uint32_t pixel);
    // Straight line between two points, both included.
    void Line(int x0, int y0, int x1, int y1, uint32_t pixel);
    // Moves the whole picture shift pixels to the left.
    void ScrollLeft(int shift);
    // Vertical: pixels at (position, start), (position, start + 2), ...
    // below start + length. Horizontal: pixels at (x, start) from position
    // (the next even x when it is odd) every 2 pixels below position +
    // length. Colours are 0x00BBGGRR.
    void DottedLine(int position, int start, int length, bool vertical, uint32_t color);
    // The seven rows of the horizontal grid lines.
    void HorizontalGrid(int position, int length, uint32_t color);
    // A marker column's line over the full height: red, olive for marker 2.
    void MarkerLine(int x, uint16_t column);
    // Dotted lines at the zero rows of the grounded channels, full width.
    void GroundLines(const TDrawSettingsVexaRM &s);

    // ---- state behind FControlLock ----------------------------------------
    TColumnReducerVexaRM &Reducer() { return FReducer; }
    const TColumnReducerVexaRM &Reducer() const { return FReducer; }

    // Guards the control: the rings, the accumulator and each display's
    // drawing state (write position, grid phase). Taken first.
    mutable std::mutex FControlLock;
    // Guards the off-screen bitmap and the scale. Taken second.
    mutable std::mutex FBitmapLock;

private:
    int32_t FControlGroup;
    std::atomic<TVirtualScopeVexaRM *> FVirtualScope{nullptr};
    TColumnReducerVexaRM FReducer;
    QImage FBitmap;
    uint32_t *FPixels = nullptr; // FBitmap's pixels, fetched after each resize
    size_t FStride = 0;          // pixels per bitmap row
    int FWidth = 0;
    int FHeight = 0;
    double FScale = 0;
    int FRowOf[256] = {};
    // Set when a full redraw is owed (a notification found the control
    // busy, the display was shown or reset); cleared by the next paint.
    std::atomic<bool> FRedrawPending{true};
    // Set while a repaint is owed to the main thread: from the queued
    // request until the frame interval after the last copy has passed. It
    // is cleared only while FBitmapLock is held, so a worker that marks
    // columns dirty under that lock and then finds it set can rely on the
    // main thread to copy them.
    std::atomic<bool> FRepaintQueued{false};
    // Columns changed since the last copy to the screen (FBitmapLock).
    int FDirtyFrom = 0;
    int FDirtyTo = -1;
    // Copies the dirty columns to the screen (main thread); with
    // restartInterval the next copy waits one frame interval.
    void ServeRepaint();
};

} // namespace vexa
