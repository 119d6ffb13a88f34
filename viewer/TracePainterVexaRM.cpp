#include "TracePainterVexaRM.h"

#include "common/DisplayColorsVexaRM.h"
#include "ViewTextVexaRM.h"

#include <QPolygonF>
#include <QVector>

#include <algorithm>
#include <cmath>

namespace vexa::view {

namespace {

constexpr int kLaneGap = 6;
constexpr int kArmStrip = 4;

QColor Color(uint32_t bbggrr) {
    return QColor::fromRgb(PixelOfColor(bbggrr));
}

// The band of a channel: its colour at a little over half strength.
QColor Dimmed(const QColor &c, int percent) {
    return QColor(c.red() * percent / 100, c.green() * percent / 100, c.blue() * percent / 100);
}

double YOf(const QRect &lane, double lo, double hi, double v) {
    const double share = hi > lo ? (v - lo) / (hi - lo) : 0.5;
    const double y = lane.bottom() - share * (lane.height() - 1);
    return std::clamp(y, static_cast<double>(lane.top()), static_cast<double>(lane.bottom()));
}

// Fills one-pixel-wide columns (the bands). Into an image, the pixels are
// written straight into its rows: the raster engine fills a rectangle row by
// row, which for tall, one-pixel-wide ones costs a call per pixel.
void FillColumns(QPainter &p, const QVector<QRect> &rects, const QColor &color) {
    auto *image = dynamic_cast<QImage *>(p.device());
    const QTransform t = p.deviceTransform();
    if (image && !p.hasClipping() && t.type() <= QTransform::TxScale &&
        (image->format() == QImage::Format_RGB32 ||
         image->format() == QImage::Format_ARGB32_Premultiplied)) {
        const QRgb pixel = color.rgb();
        const QRect bounds = image->rect();
        uchar *bits = image->bits();
        const qsizetype stride = image->bytesPerLine();
        for (const QRect &r : rects) {
            const QRect d = t.mapRect(QRectF(r)).toAlignedRect() & bounds;
            for (int y = d.top(); y <= d.bottom(); ++y) {
                auto *row = reinterpret_cast<QRgb *>(bits + y * stride);
                std::fill(row + d.left(), row + d.right() + 1, pixel);
            }
        }
        return;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawRects(rects);
    p.setBrush(Qt::NoBrush);
}

int MaxTicksFor(int pixels, int spacing) {
    return std::max(1, pixels / spacing);
}

} // namespace

QColor TTracePainterVexaRM::ChannelColor(int channel) {
    return Color(channel == 0 ? kDefaultColorChannelA : kDefaultColorChannelB);
}

QColor TTracePainterVexaRM::CursorColor(int cursor) {
    return cursor == 0 ? QColor(255, 255, 255) : QColor(96, 160, 255);
}

TTraceLayout TTracePainterVexaRM::Layout(const QSize &size, const QFontMetrics *fm) {
    TTraceLayout l;
    l.Text = fm != nullptr;
    QRect plot(0, 0, size.width(), size.height());
    if (fm) {
        const int left = fm->horizontalAdvance(QStringLiteral("-888.88")) + 10;
        const int bottom = fm->height() + 8;
        plot = QRect(left, 4, std::max(1, size.width() - left - 8),
                     std::max(2, size.height() - 4 - bottom));
    }
    const int gap = fm ? kLaneGap : 2;
    const int laneHeight = std::max(1, (plot.height() - gap) / 2);
    l.Plot = plot;
    l.Lane[0] = QRect(plot.left(), plot.top(), plot.width(), laneHeight);
    l.Lane[1] = QRect(plot.left(), plot.bottom() + 1 - laneHeight, plot.width(), laneHeight);
    return l;
}

double TTracePainterVexaRM::XOf(const TTraceLayout &l, const TPlotVexaRM &plot, TTimeNs t) {
    const long double span = static_cast<long double>(plot.To - plot.From);
    if (span <= 0) return l.Plot.left();
    return l.Plot.left() +
           static_cast<double>(static_cast<long double>(t - plot.From) * l.Plot.width() / span);
}

void TTracePainterVexaRM::Paint(QPainter &p, const TTraceLayout &l, const TPlotVexaRM &plot,
                                const TTraceOverlay &overlay) {
    p.setRenderHint(QPainter::Antialiasing, false);
    const QColor background = Color(kDefaultBackgroundColor);
    const QColor grid = Dimmed(Color(kDefaultColorGrid), 22);
    const QColor text = Dimmed(Color(kDefaultColorGrid), 80);
    const QColor frame = Dimmed(Color(kDefaultColorGrid), 45);
    const QColor marker = Color(kColorMarker1);
    const QColor arm = Color(kColorMarker2);
    const int columns = static_cast<int>(plot.Columns.size());
    const int x0 = l.Plot.left();
    auto xOf = [&](TTimeNs t) { return XOf(l, plot, t); };
    auto clampX = [&](double x) {
        return static_cast<int>(std::clamp(std::floor(x), x0 - 1.0, x0 + l.Plot.width() + 0.0));
    };

    p.fillRect(l.Plot, background);

    // Gaps of lost samples: hatched over both lanes.
    for (const TGapSpan &g : plot.Gaps) {
        const int a = clampX(xOf(g.From)), b = clampX(xOf(g.To));
        const QRect r(std::max(a, x0), l.Plot.top(), std::max(1, std::min(b, l.Plot.right()) - a),
                      l.Plot.height());
        p.fillRect(r, QColor(64, 16, 16));
        p.fillRect(r, QBrush(QColor(150, 40, 40), Qt::BDiagPattern));
        if (l.Text) {
            const QString label = QStringLiteral("%1 lost").arg(g.Periods);
            if (p.fontMetrics().horizontalAdvance(label) + 6 < r.width()) {
                p.setPen(text);
                p.drawText(r, Qt::AlignCenter, label);
            }
        }
    }

    // Grid and value labels per lane.
    QString captions[2];
    const TTimeAxis timeAxis =
        TimeTicks(plot.From, plot.To, MaxTicksFor(l.Plot.width(), l.Text ? 110 : 80));
    for (int c = 0; c < 2; ++c) {
        const QRect &lane = l.Lane[c];
        const TValueAxis axis =
            ValueTicks(plot.Lo[c], plot.Hi[c], std::max(2, lane.height() / 28), plot.Volts[c]);
        p.setPen(grid);
        for (const TValueTick &t : axis.Ticks) {
            const int y = static_cast<int>(std::lround(YOf(lane, plot.Lo[c], plot.Hi[c], t.Value)));
            p.drawLine(lane.left(), y, lane.right(), y);
        }
        QVector<QRect> verticals;
        for (const TTimeTick &t : timeAxis.Ticks)
            verticals.append(QRect(clampX(xOf(t.Time)), lane.top(), 1, lane.height()));
        FillColumns(p, verticals, grid);
        if (l.Text) {
            p.setPen(text);
            const int h = p.fontMetrics().height();
            for (const TValueTick &t : axis.Ticks) {
                const int y =
                    static_cast<int>(std::lround(YOf(lane, plot.Lo[c], plot.Hi[c], t.Value)));
                if (y - h / 2 < lane.top() - 2 || y + h / 2 > lane.bottom() + 2) continue;
                p.drawText(QRect(0, y - h / 2, lane.left() - 5, h),
                           Qt::AlignRight | Qt::AlignVCenter, QString::fromStdString(t.Label));
            }
            captions[c] = QStringLiteral("%1 (%2)").arg(c == 0 ? "A" : "B",
                                                        QString::fromStdString(axis.Caption));
        }
    }

    // ARM-marker periods: a faint tint and a strip at the foot of each lane.
    for (int c = 0; c < columns;) {
        if (!plot.Columns[static_cast<size_t>(c)].Arm) {
            ++c;
            continue;
        }
        int e = c;
        while (e < columns && plot.Columns[static_cast<size_t>(e)].Arm)
            ++e;
        for (const QRect &lane : l.Lane) {
            p.fillRect(QRect(x0 + c, lane.top(), e - c, lane.height()), Dimmed(arm, 30));
            p.fillRect(QRect(x0 + c, lane.bottom() + 1 - kArmStrip, e - c, kArmStrip), arm);
        }
        c = e;
    }

    // Bands and mean lines (or the samples).
    QVector<QRect> band;
    band.reserve(columns);
    for (int ch = 0; ch < 2; ++ch) {
        const QRect &lane = l.Lane[ch];
        const double lo = plot.Lo[ch], hi = plot.Hi[ch];
        const QColor color = ChannelColor(ch);
        band.clear();
        for (int c = 0; c < columns; ++c) {
            const rec::TColumn &col = plot.Columns[static_cast<size_t>(c)];
            if (col.Samples == 0) continue;
            const int top = static_cast<int>(std::floor(YOf(lane, lo, hi, col.MaxV[ch])));
            const int bottom = static_cast<int>(std::ceil(YOf(lane, lo, hi, col.MinV[ch])));
            band.append(QRect(x0 + c, top, 1, bottom - top + 1));
        }
        FillColumns(p, band, Dimmed(color, plot.SampleMode ? 100 : 55));
        p.setPen(color);
        if (!plot.SampleMode) {
            QPolygonF line;
            auto flush = [&] {
                if (line.size() > 1)
                    p.drawPolyline(line);
                else if (line.size() == 1)
                    p.drawPoint(line[0]);
                line.clear();
            };
            for (int c = 0; c < columns; ++c) {
                const rec::TColumn &col = plot.Columns[static_cast<size_t>(c)];
                if (col.Samples == 0) {
                    flush();
                    continue;
                }
                line.append(QPointF(x0 + c + 0.5, std::round(YOf(lane, lo, hi, col.MeanV[ch]))));
            }
            flush();
            continue;
        }
        // Samples joined by lines; a dot on each when they stand apart.
        const double spacing = plot.Points.size() > 1 ? static_cast<double>(l.Plot.width()) /
                                                            std::max<uint64_t>(plot.Periods, 1)
                                                      : l.Plot.width();
        p.save();
        p.setClipRect(lane);
        QPointF prev;
        for (size_t i = 0; i < plot.Points.size(); ++i) {
            const TPlotPoint &pt = plot.Points[i];
            const QPointF q(std::round(xOf(pt.Time)), std::round(YOf(lane, lo, hi, pt.V[ch])));
            if (i > 0 && !pt.Break) p.drawLine(prev, q);
            if (spacing >= 6) p.fillRect(QRectF(q.x() - 1, q.y() - 1, 3, 3), color);
            prev = q;
        }
        p.restore();
    }

    // Device markers and scale changes across both lanes.
    QVector<QRect> markers;
    for (int c = 0; c < columns; ++c)
        if (plot.Columns[static_cast<size_t>(c)].DeviceMarker)
            markers.append(QRect(x0 + c, l.Plot.top(), 1, l.Plot.height()));
    FillColumns(p, markers, marker);
    QPen dashed(frame, 1, Qt::DashLine);
    for (const TBoundary &b : plot.Boundaries) {
        const int x = clampX(xOf(b.Time));
        p.setPen(dashed);
        p.drawLine(x, l.Plot.top(), x, l.Plot.bottom());
        if (l.Text) {
            p.setPen(text);
            p.drawText(QPoint(x + 4, l.Lane[1].top() - 2 - p.fontMetrics().descent()),
                       QString::fromStdString(b.Text));
        }
    }

    // Lane frames.
    p.setPen(frame);
    p.setBrush(Qt::NoBrush);
    for (const QRect &lane : l.Lane)
        p.drawRect(lane.adjusted(0, 0, -1, -1));

    // Cursors.
    for (int k = 0; k < 2; ++k) {
        if (!overlay.HasCursor[k]) continue;
        const double x = xOf(overlay.Cursor[k]);
        if (x < x0 || x >= x0 + l.Plot.width()) continue;
        const int xi = static_cast<int>(std::floor(x));
        if (k == 0) {
            FillColumns(p, {QRect(xi, l.Plot.top(), 1, l.Plot.height())}, CursorColor(k));
        } else {
            p.setPen(QPen(CursorColor(k), 1, Qt::DashLine));
            p.drawLine(xi, l.Plot.top(), xi, l.Plot.bottom());
        }
        if (l.Text) {
            const int h = p.fontMetrics().height();
            const QRect tag(xi - h / 2, l.Plot.top(), h, h);
            p.fillRect(tag, CursorColor(k));
            p.setPen(background);
            p.drawText(tag, Qt::AlignCenter, QString::number(k + 1));
        } else {
            p.fillRect(QRect(xi - 2, l.Plot.top(), 5, 5), CursorColor(k));
        }
    }

    // Time labels under the plot; the lanes' names over the traces.
    if (l.Text) {
        for (int c = 0; c < 2; ++c) {
            const QFontMetrics fm = p.fontMetrics();
            const QRect box(l.Lane[c].left() + 1, l.Lane[c].top() + 1,
                            fm.horizontalAdvance(captions[c]) + 8, fm.height() + 2);
            p.fillRect(box, background);
            p.setPen(ChannelColor(c));
            p.drawText(box, Qt::AlignCenter, captions[c]);
        }
        const QFontMetrics fm = p.fontMetrics();
        p.setPen(text);
        const int y = l.Plot.bottom() + 4;
        const QString caption = QString::fromStdString(timeAxis.Caption);
        const int captionWidth = fm.horizontalAdvance(caption);
        int lastRight = -1000000;
        for (const TTimeTick &t : timeAxis.Ticks) {
            const QString s = QString::fromStdString(t.Label);
            const int w = fm.horizontalAdvance(s);
            const int x = clampX(xOf(t.Time));
            const int left = std::max(x - w / 2, 0);
            if (left < lastRight + 8 || left + w > l.Plot.right() - captionWidth - 8) continue;
            p.drawText(QRect(left, y, w, fm.height()), Qt::AlignCenter, s);
            lastRight = left + w;
        }
        p.drawText(QRect(l.Plot.right() - captionWidth, y, captionWidth, fm.height()),
                   Qt::AlignRight, caption);
    }
}

} // namespace vexa::view
