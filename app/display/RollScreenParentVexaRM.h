// Common base of the two trace displays: the off-screen bitmap and its
// lock, the column rings with the reduction, the drawing conventions
// (vertical scale, colours, marker lines, grid rows, ground lines) and the
// way the processing thread's drawing reaches the screen.
#pragma once

#include "ColumnReducerVexaRM.h"
#include "DrawSettingsVexaRM.h"
#include "flow/FlowInterfacesVexaRM.h"
#include "panel/FrameClockVexa.h"
#include "model/ScopeListenerVexaRM.h"

#include <QImage>
#include <QPainter>
#include <QPointer>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <mutex>

namespace vexa {

class TVirtualScopeVexaRM;

// Threads: DisplayBlock runs in the processing thread; everything else runs
// in the main thread. The processing thread draws into the bitmap, marks the
// columns it changed and asks the frame clock for a frame; at the clock's
// next tick the main thread asks for a repaint of those columns, and its
// paintEvent copies them to the screen. Lock order, in every operation that
// holds both: FControlLock, then FBitmapLock.
class TRollScreenParentVexaRM : public QWidget,
                                public IBlockDisplayVexaRM,
                                public IScopeListenerVexaRM,
                                public TFrameClientVexa {
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

    // Main thread: the frame clock that paces the copies to the screen (the
    // program's clock unless a test gives its own).
    void SetFrameClock(TFrameClockVexa *clock);

    // Main thread, before any drawing (tests): move every pixel on each
    // scroll instead of turning the ring, as a reference for the ring.
    void SetScrollMovesPixels(bool moves);

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
    // Asks for a frame: at the clock's next tick the main thread copies the
    // columns marked dirty (any thread).
    void QueueRepaint();
    void ServeFrame() override;

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
            FPixels[size_t(y) * FStride + size_t(Column(x))] = pixel;
    }
    // Full-height strip x .. x + width - 1 in one colour (clipped).
    void FillStrip(int x, int width, uint32_t pixel);
    // Vertical line at x between two rows, both included.
    void VerticalLine(int x, int y0, int y1, uint32_t pixel);
    // Straight line between two points, both included.
    void Line(int x0, int y0, int x1, int y1, uint32_t pixel);
    // Moves the whole picture shift pixels to the left. The bitmap is a ring
    // of columns: this only moves the column where the picture starts, the
    // pixels stay where they are, and the paint (and Bitmap) put the two
    // parts together. The columns that come in at the right keep old pixels
    // until the caller fills them.
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
    // The bitmap column that holds the picture's column 0 (FBitmapLock);
    // 0 after every new bitmap.
    int FOrigin = 0;
    bool FScrollMovesPixels = false;
    // The bitmap column of picture column x (0 <= x < FWidth).
    int Column(int x) const {
        const int c = x + FOrigin;
        return c >= FWidth ? c - FWidth : c;
    }
    // Draws the picture's part rect (picture coordinates) with painter, from
    // the two parts of the ring; FBitmapLock held.
    void DrawPicture(QPainter &painter, const QRect &rect) const;
    // Set when a full redraw is owed (a notification found the control
    // busy, the display was shown or reset); cleared by the next paint.
    std::atomic<bool> FRedrawPending{true};
    QPointer<TFrameClockVexa> FFrameClock; // goes with the application object
    // Columns changed since the last copy to the screen (FBitmapLock).
    int FDirtyFrom = 0;
    int FDirtyTo = -1;
};

} // namespace vexa
