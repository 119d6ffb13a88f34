// A strip under the trace view with the whole measurement drawn small and
// the visible span marked. Dragging the mark moves the visible span; a press
// beside it centres the span there first.
#pragma once

#include "PlotModelVexaRM.h"

#include <QWidget>

#include <memory>

namespace vexa::view {

class TOverviewStripVexaRM : public QWidget {
    Q_OBJECT
public:
    explicit TOverviewStripVexaRM(QWidget *parent = nullptr);

    void SetSource(std::shared_ptr<const rec::TRecordReaderVexaRM> reader, uint32_t m);
    void SetVisibleSpan(TTimeNs from, TTimeNs to);

    QSize sizeHint() const override { return QSize(400, 48); }

signals:
    // The visible span should start at from (its width unchanged).
    void MoveRequested(TTimeNs from);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    TTimeNs Extent() const;
    double XOf(TTimeNs t) const;
    TTimeNs TimeAt(double x) const;

    std::shared_ptr<const rec::TRecordReaderVexaRM> FReader;
    uint32_t FMeasurement = 0;
    TTimeNs FFrom = 0, FTo = 0;
    // The whole measurement at the strip's width, built when either changes.
    TPlotVexaRM FPlot;
    bool FPlotValid = false;
    bool FDragging = false;
    TTimeNs FGrabOffset = 0; // from the span's start to the pointer
};

} // namespace vexa::view
