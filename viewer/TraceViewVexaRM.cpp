#include "TraceViewVexaRM.h"

#include "CursorReadoutVexaRM.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QWheelEvent>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace vexa::view {

namespace {
constexpr int kDragThreshold = 4; // pixels before a press becomes a drag
constexpr int kGrabDistance = 4;  // pixels from a cursor line that grab it
constexpr double kWheelStep = 0.8;
constexpr double kKeyZoom = 0.5;
} // namespace

TTraceViewVexaRM::TTraceViewVexaRM(QWidget *parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(false);
    setMinimumSize(200, 120);
    // Diagnostics for the measurements in bench/: the time of the first
    // frame with data and the time each paint takes, on stderr.
    FTiming = qEnvironmentVariableIntValue("VEXA_VIEWER_TIMING") == 1;
}

TTraceLayout TTraceViewVexaRM::PlotLayout() const {
    const QFontMetrics fm = fontMetrics();
    return TTracePainterVexaRM::Layout(size(), &fm);
}

void TTraceViewVexaRM::SetSource(std::shared_ptr<const rec::TRecordReaderVexaRM> reader, uint32_t m,
                                 bool keepSpan) {
    FReader = std::move(reader);
    FMeasurement = m;
    FPlotValid = false;
    const bool known = FReader && m < FReader->Measurements().size();
    FSpan.SetExtent(known ? FReader->Measurements()[m].Duration : 0);
    if (!keepSpan) {
        FSpan.Fit();
        FHasCursor[0] = FHasCursor[1] = false;
        emit CursorsChanged();
    }
    Changed();
}

TTimeNs TTraceViewVexaRM::TimeAtX(double x) const {
    const TTraceLayout l = PlotLayout();
    return FSpan.TimeAt(x - l.Plot.left(), l.Plot.width());
}

TTimeNs TTraceViewVexaRM::MinWidth(TTimeNs t) const {
    if (!FReader || FMeasurement >= FReader->Measurements().size()) return 1;
    return TPlotModelVexaRM::MinWidthAt(*FReader, FMeasurement, t);
}

void TTraceViewVexaRM::Changed() {
    update();
    emit SpanChanged();
}

void TTraceViewVexaRM::SetSpan(TTimeNs from, TTimeNs to) {
    FSpan.SetSpan(from, to, MinWidth(from + (to - from) / 2));
    Changed();
}

void TTraceViewVexaRM::Fit() {
    FSpan.Fit();
    Changed();
}

void TTraceViewVexaRM::ZoomBy(double factor) {
    const TTimeNs mid = FSpan.From() + FSpan.Width() / 2;
    FSpan.ZoomAround(mid, factor, MinWidth(mid));
    Changed();
}

void TTraceViewVexaRM::ShowEnd() {
    FSpan.End();
    Changed();
}

void TTraceViewVexaRM::CentreOn(TTimeNs t) {
    FSpan.CentreOn(t);
    Changed();
}

void TTraceViewVexaRM::SetCursor(int k, TTimeNs t) {
    t = std::clamp<TTimeNs>(t, 0, FSpan.Extent());
    if (FReader && FMeasurement < FReader->Measurements().size())
        t = TCursorReadoutVexaRM::Snap(*FReader, FMeasurement, t);
    FHasCursor[k] = true;
    FCursor[k] = t;
    FActiveCursor = k;
    update();
    emit CursorsChanged();
}

void TTraceViewVexaRM::ClearCursors() {
    FHasCursor[0] = FHasCursor[1] = false;
    update();
    emit CursorsChanged();
}

void TTraceViewVexaRM::MoveCursor(int k, int direction) {
    if (!FHasCursor[k] || !FReader || FMeasurement >= FReader->Measurements().size()) return;
    const TPlotVexaRM &plot = Plot();
    TTimeNs t = FCursor[k];
    if (plot.SampleMode) {
        // To the next or previous sample period.
        const rec::TSection &s = FReader->Sections()[FReader->SectionAt(FMeasurement, t)];
        const TTimeNs period = rec::PeriodTime(0, s.Scale.Rate, 1);
        t = direction > 0 ? t + period + 1 : t - 1;
    } else {
        const int width = std::max(1, PlotLayout().Plot.width());
        t += direction * std::max<TTimeNs>(1, FSpan.Width() / width);
    }
    SetCursor(k, t);
    if (FCursor[k] < FSpan.From() || FCursor[k] >= FSpan.To()) CentreOn(FCursor[k]);
}

const TPlotVexaRM &TTraceViewVexaRM::Plot() {
    const int columns = std::max(1, PlotLayout().Plot.width());
    if (!FPlotValid || FPlot.From != FSpan.From() || FPlot.To != FSpan.To() ||
        FPlotColumns != columns) {
        if (FReader && FMeasurement < FReader->Measurements().size())
            FPlot =
                TPlotModelVexaRM::Build(*FReader, FMeasurement, FSpan.From(), FSpan.To(), columns);
        else
            FPlot = TPlotVexaRM();
        FPlotValid = true;
        FPlotColumns = columns;
    }
    return FPlot;
}

void TTraceViewVexaRM::Render(QPainter &p) {
    p.fillRect(rect(), Qt::black);
    if (!FReader || FMeasurement >= FReader->Measurements().size()) {
        p.setPen(QColor(200, 200, 200));
        p.drawText(rect(), Qt::AlignCenter,
                   FReader ? tr("No measurement in this file")
                           : tr("Open a record file: File \u2192 Open, or drop one here"));
        return;
    }
    TTraceOverlay overlay;
    for (int k = 0; k < 2; ++k) {
        overlay.HasCursor[k] = FHasCursor[k];
        overlay.Cursor[k] = FCursor[k];
    }
    TTracePainterVexaRM::Paint(p, PlotLayout(), Plot(), overlay);
    if (hasFocus()) {
        p.setPen(QPen(palette().highlight().color(), 1, Qt::DotLine));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void TTraceViewVexaRM::paintEvent(QPaintEvent *) {
    const auto t0 = std::chrono::steady_clock::now();
    timespec cpu0;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu0);
    // Drawn into an image of the widget's size, then copied: the painter
    // fills the bands straight into an image's rows (TracePainterVexaRM).
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    if (FFrame.size() != pixels) {
        FFrame = QImage(pixels, QImage::Format_RGB32);
        FFrame.setDevicePixelRatio(ratio);
    }
    // The plot first (it is cached), so that its share can be told apart.
    if (FReader && FMeasurement < FReader->Measurements().size()) Plot();
    const auto t1 = std::chrono::steady_clock::now();
    {
        QPainter p(&FFrame);
        p.setFont(font());
        Render(p);
    }
    QPainter(this).drawImage(0, 0, FFrame);
    if (!FTiming) return;
    const double ms =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    const bool data = FReader && FMeasurement < FReader->Measurements().size();
    if (data && !FFirstFrameReported) {
        FFirstFrameReported = true;
        timespec now;
        clock_gettime(CLOCK_REALTIME, &now);
        std::fprintf(stderr, "first-frame-realtime-ns %lld\n",
                     static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec);
    }
    const double plotMs = std::chrono::duration<double, std::milli>(t1 - t0).count();
    timespec cpu1;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu1);
    const double cpuMs = (cpu1.tv_sec - cpu0.tv_sec) * 1e3 + (cpu1.tv_nsec - cpu0.tv_nsec) / 1e6;
    // Wall time, view size, the plot's share, and the main thread's CPU time.
    std::fprintf(stderr, "paint-ms %.3f %dx%d plot-ms %.3f cpu-ms %.3f\n", ms, width(), height(),
                 plotMs, cpuMs);
}

void TTraceViewVexaRM::wheelEvent(QWheelEvent *event) {
    const QPoint d = event->angleDelta();
    if (d.y() != 0) {
        const TTimeNs t = TimeAtX(event->position().x());
        FSpan.ZoomAround(t, std::pow(kWheelStep, d.y() / 120.0), MinWidth(t));
        Changed();
    } else if (d.x() != 0) {
        FSpan.PanBy(static_cast<TTimeNs>(-d.x() / 120.0 * FSpan.Width() / 8));
        Changed();
    }
    event->accept();
}

void TTraceViewVexaRM::mousePressEvent(QMouseEvent *event) {
    FPressAt = event->pos();
    FPressFrom = FSpan.From();
    FButton = event->button();
    FDrag = Drag::Pending;
    if (FButton == Qt::LeftButton && !(event->modifiers() & Qt::ShiftModifier)) {
        const TTraceLayout l = PlotLayout();
        for (int k = 0; k < 2; ++k) {
            if (!FHasCursor[k]) continue;
            const double x = l.Plot.left() + FSpan.XOf(FCursor[k], l.Plot.width());
            if (std::fabs(x - event->pos().x()) <= kGrabDistance) {
                FDrag = Drag::Cursor;
                FDragCursor = k;
            }
        }
    }
    event->accept();
}

void TTraceViewVexaRM::mouseMoveEvent(QMouseEvent *event) {
    const QPoint pos = event->pos();
    const TTraceLayout l = PlotLayout();
    if (FDrag == Drag::Pending && (pos - FPressAt).manhattanLength() >= kDragThreshold) {
        const bool band =
            FButton == Qt::RightButton || (event->modifiers() & Qt::ShiftModifier) != 0;
        FDrag = band ? Drag::Band : Drag::Pan;
        if (band && !FBand) FBand = new QRubberBand(QRubberBand::Rectangle, this);
    }
    switch (FDrag) {
    case Drag::Pan: {
        const long double dx = FPressAt.x() - pos.x();
        const TTimeNs dt = static_cast<TTimeNs>(dx * FSpan.Width() / std::max(1, l.Plot.width()));
        FSpan.PanBy(FPressFrom + dt - FSpan.From());
        Changed();
        break;
    }
    case Drag::Band:
        FBand->setGeometry(
            QRect(QPoint(FPressAt.x(), l.Plot.top()), QPoint(pos.x(), l.Plot.bottom()))
                .normalized());
        FBand->show();
        break;
    case Drag::Cursor:
        SetCursor(FDragCursor, TimeAtX(pos.x()));
        break;
    default:
        break;
    }
    event->accept();
}

void TTraceViewVexaRM::mouseReleaseEvent(QMouseEvent *event) {
    const QPoint pos = event->pos();
    if (FDrag == Drag::Pending) {
        if (FButton == Qt::LeftButton) SetCursor(0, TimeAtX(pos.x()));
        if (FButton == Qt::RightButton) SetCursor(1, TimeAtX(pos.x()));
    } else if (FDrag == Drag::Band) {
        FBand->hide();
        const TTimeNs a = TimeAtX(std::min(FPressAt.x(), pos.x()));
        const TTimeNs b = TimeAtX(std::max(FPressAt.x(), pos.x()));
        SetSpan(a, b);
    }
    FDrag = Drag::None;
    event->accept();
}

void TTraceViewVexaRM::keyPressEvent(QKeyEvent *event) {
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const TTimeNs w = FSpan.Width();
    switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        ZoomBy(kKeyZoom);
        break;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
        ZoomBy(1 / kKeyZoom);
        break;
    case Qt::Key_Left:
    case Qt::Key_Right: {
        const int dir = event->key() == Qt::Key_Left ? -1 : 1;
        if (shift) {
            MoveCursor(FActiveCursor, dir);
        } else {
            FSpan.PanBy(dir * std::max<TTimeNs>(1, w / 8));
            Changed();
        }
        break;
    }
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        FSpan.PanBy(event->key() == Qt::Key_PageUp ? -w : w);
        Changed();
        break;
    case Qt::Key_Home:
        FSpan.Home();
        Changed();
        break;
    case Qt::Key_End:
        ShowEnd();
        break;
    case Qt::Key_F:
        Fit();
        break;
    case Qt::Key_1:
    case Qt::Key_2:
        SetCursor(event->key() == Qt::Key_1 ? 0 : 1, FSpan.From() + w / 2);
        break;
    case Qt::Key_Escape:
        ClearCursors();
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
}

} // namespace vexa::view
