// Draws a plot of one span (TPlotVexaRM) with QPainter: channel A in the
// upper lane and B in the lower one, each against its volts axis, the time
// axis below, in the program's trace colours on its black background. Per
// screen column the min/max band of each channel, the mean line through the
// columns or, when every sample fits, the samples joined by lines; ARM-marker
// periods, device markers, gaps, scale changes and the two cursors as marks.
//
// Without text (no font metrics) the lanes fill the whole area and no label
// is drawn: the picture then depends on nothing but the plot and the size.
#pragma once

#include "PlotModelVexaRM.h"

#include <QFontMetrics>
#include <QPainter>
#include <QRect>

namespace vexa::view {

struct TTraceLayout {
    QRect Plot;    // both lanes; one screen column per pixel of its width
    QRect Lane[2]; // A above, B below
    bool Text = false;
};

// What the view lays over the plot.
struct TTraceOverlay {
    bool HasCursor[2] = {false, false};
    TTimeNs Cursor[2] = {0, 0};
};

class TTracePainterVexaRM {
public:
    static TTraceLayout Layout(const QSize &size, const QFontMetrics *metrics);
    static void Paint(QPainter &painter, const TTraceLayout &layout, const TPlotVexaRM &plot,
                      const TTraceOverlay &overlay);
    // The x of a time in the plot (may lie outside it).
    static double XOf(const TTraceLayout &layout, const TPlotVexaRM &plot, TTimeNs t);
    // Colours of the traces, the marks and the cursors.
    static QColor ChannelColor(int channel);
    static QColor CursorColor(int cursor);
};

} // namespace vexa::view
