// The trace view: one measurement of a record file drawn over the visible
// span, with navigation by mouse and keyboard and two cursors.
//
//   mouse wheel            zoom around the pointer (horizontal wheel: pan)
//   drag                   pan; a cursor line is dragged where it is grabbed
//   click / right click    cursor 1 / cursor 2
//   right or Shift drag    zoom to the span of the rubber band
//   + and -                zoom in and out around the middle
//   Left, Right            pan by an eighth; PageUp, PageDown by a whole span
//   Home, End, F           the start, the end, the whole measurement
//   1, 2                   cursor 1 / 2 to the middle of the view
//   Shift+Left/Right       move the last placed cursor by a column (a sample
//                          when single samples are shown)
//   Escape                 remove the cursors
#pragma once

#include "PlotModelVexaRM.h"
#include "TracePainterVexaRM.h"
#include "ViewSpanVexaRM.h"

#include <QImage>
#include <QWidget>

#include <memory>

class QRubberBand;

namespace vexa::view {

class TTraceViewVexaRM : public QWidget {
    Q_OBJECT
public:
    explicit TTraceViewVexaRM(QWidget *parent = nullptr);

    // Shows measurement m of reader. keepSpan keeps the visible span (the
    // same measurement, read again after the file grew); otherwise the
    // whole measurement is shown and the cursors are removed.
    void SetSource(std::shared_ptr<const rec::TRecordReaderVexaRM> reader, uint32_t m,
                   bool keepSpan);
    const rec::TRecordReaderVexaRM *Reader() const { return FReader.get(); }
    uint32_t Measurement() const { return FMeasurement; }

    const TViewSpanVexaRM &Span() const { return FSpan; }
    void SetSpan(TTimeNs from, TTimeNs to);
    void Fit();
    void ZoomBy(double factor);
    void ShowEnd();
    void CentreOn(TTimeNs t);

    bool HasCursor(int k) const { return FHasCursor[k]; }
    TTimeNs Cursor(int k) const { return FCursor[k]; }
    // Places cursor k on the sample period in effect at t.
    void SetCursor(int k, TTimeNs t);
    void ClearCursors();
    // The layout of the plot in this widget.
    TTraceLayout PlotLayout() const;

signals:
    void SpanChanged();
    void CursorsChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    enum class Drag { None, Pending, Pan, Band, Cursor };
    TTimeNs TimeAtX(double x) const;
    TTimeNs MinWidth(TTimeNs t) const;
    void MoveCursor(int k, int direction);
    void Changed();
    const TPlotVexaRM &Plot();
    void Render(QPainter &p);

    std::shared_ptr<const rec::TRecordReaderVexaRM> FReader;
    uint32_t FMeasurement = 0;
    TViewSpanVexaRM FSpan;
    bool FHasCursor[2] = {false, false};
    TTimeNs FCursor[2] = {0, 0};
    int FActiveCursor = 0;
    // The picture of the last paint, copied to the screen.
    QImage FFrame;
    // The plot of the last paint and what it was built for.
    TPlotVexaRM FPlot;
    bool FPlotValid = false;
    int FPlotColumns = 0;
    // Mouse drag in progress.
    Drag FDrag = Drag::None;
    Qt::MouseButton FButton = Qt::NoButton;
    QPoint FPressAt;
    TTimeNs FPressFrom = 0;
    int FDragCursor = 0;
    QRubberBand *FBand = nullptr;
    bool FTiming = false;
    bool FFirstFrameReported = false;
};

} // namespace vexa::view
