#include "OverviewStripVexaRM.h"

#include "TracePainterVexaRM.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace vexa::view {

TOverviewStripVexaRM::TOverviewStripVexaRM(QWidget *parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumHeight(36);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setToolTip(tr("The whole measurement; drag the marked span to move the view"));
}

void TOverviewStripVexaRM::SetSource(std::shared_ptr<const rec::TRecordReaderVexaRM> reader,
                                     uint32_t m) {
    FReader = std::move(reader);
    FMeasurement = m;
    FPlotValid = false;
    update();
}

void TOverviewStripVexaRM::SetVisibleSpan(TTimeNs from, TTimeNs to) {
    FFrom = from;
    FTo = to;
    update();
}

TTimeNs TOverviewStripVexaRM::Extent() const {
    if (!FReader || FMeasurement >= FReader->Measurements().size()) return 0;
    return FReader->Measurements()[FMeasurement].Duration;
}

double TOverviewStripVexaRM::XOf(TTimeNs t) const {
    const TTimeNs e = std::max<TTimeNs>(Extent(), 1);
    return static_cast<double>(static_cast<long double>(t) * width() / e);
}

TTimeNs TOverviewStripVexaRM::TimeAt(double x) const {
    return static_cast<TTimeNs>(static_cast<long double>(x) * Extent() / std::max(1, width()));
}

void TOverviewStripVexaRM::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), Qt::black);
    const TTimeNs extent = Extent();
    if (extent <= 0) return;
    if (!FPlotValid || static_cast<int>(FPlot.Columns.size()) != width()) {
        FPlot = TPlotModelVexaRM::Build(*FReader, FMeasurement, 0, extent, width());
        FPlotValid = true;
    }
    TTracePainterVexaRM::Paint(p, TTracePainterVexaRM::Layout(size(), nullptr), FPlot,
                               TTraceOverlay());
    const int a = static_cast<int>(XOf(FFrom));
    const int b = std::max(a + 3, static_cast<int>(XOf(FTo)));
    const QRect mark(a, 0, b - a, height());
    p.fillRect(mark, QColor(255, 255, 255, 48));
    p.setPen(QColor(255, 255, 255));
    p.drawRect(mark.adjusted(0, 0, -1, -1));
}

void TOverviewStripVexaRM::mousePressEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton || Extent() <= 0) return;
    const TTimeNs t = TimeAt(event->pos().x());
    const TTimeNs w = FTo - FFrom;
    if (t < FFrom || t > FTo) {
        // Centre the span on the press, then drag it from its middle.
        emit MoveRequested(t - w / 2);
        FGrabOffset = w / 2;
    } else {
        FGrabOffset = t - FFrom;
    }
    FDragging = true;
    event->accept();
}

void TOverviewStripVexaRM::mouseMoveEvent(QMouseEvent *event) {
    if (!FDragging) return;
    emit MoveRequested(TimeAt(event->pos().x()) - FGrabOffset);
    event->accept();
}

void TOverviewStripVexaRM::mouseReleaseEvent(QMouseEvent *event) {
    FDragging = false;
    event->accept();
}

} // namespace vexa::view
