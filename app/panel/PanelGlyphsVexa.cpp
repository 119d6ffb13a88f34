#include "PanelGlyphsVexa.h"

#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <cmath>

namespace vexa {

namespace {

const QColor kLampOff(224, 64, 0);
const QColor kLampPale(166, 202, 240);
const QColor kLampOn(160, 224, 0);
const QColor kFrameDark(64, 64, 64);
const QColor kFrameLight(255, 255, 255);
const QColor kInk(0, 0, 0);
const QColor kInkDisabled(128, 128, 128);

// The lamp colour of a cell in the four-state order.
QColor LampColor(int cell) {
    return cell == 0 ? kLampOff : cell == 3 ? kLampOn : kLampPale;
}

// A 6 x 6 lamp ring at (x, y): black outline with the corners left out, 4 x 4
// fill. `put` sets one pixel to the outline (true) or the fill (false).
template <typename Put> void DrawLampRing(int x, int y, Put put) {
    for (int dy = 0; dy < 6; ++dy) {
        for (int dx = 0; dx < 6; ++dx) {
            const bool edgeX = dx == 0 || dx == 5;
            const bool edgeY = dy == 0 || dy == 5;
            if (edgeX && edgeY) continue; // round the lamp off
            put(x + dx, y + dy, edgeX || edgeY);
        }
    }
}

void DrawLampRing(QImage &image, int x, int y, const QColor &fill) {
    DrawLampRing(x, y, [&](int px, int py, bool outline) {
        image.setPixelColor(px, py, outline ? kInk : fill);
    });
}

QImage Blank(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(TPanelGlyphsVexa::TransparentGrey());
    return image;
}

// A sunken frame whose inside is the rectangle (x, y, w, h).
void DrawSunkenFrame(QImage &image, int x, int y, int w, int h) {
    for (int px = x - 1; px <= x + w; ++px) {
        image.setPixelColor(px, y - 1, kFrameDark);
        image.setPixelColor(px, y + h, kFrameLight);
    }
    for (int py = y - 1; py <= y + h; ++py) {
        image.setPixelColor(x - 1, py, kFrameDark);
        image.setPixelColor(x + w, py, kFrameLight);
    }
    image.setPixelColor(x + w, y - 1, kFrameLight);
    image.setPixelColor(x - 1, y + h, kFrameDark);
    for (int py = y; py < y + h; ++py)
        for (int px = x; px < x + w; ++px)
            image.setPixelColor(px, py, kInk);
}

// The frame of the 37 x 22 images around the marker (glyph x 25..30, y 9..11).
void DrawWideFrame(QImage &image, int cellLeft) {
    DrawSunkenFrame(image, cellLeft + 25, 9, 6, 3);
}

// A filled triangle pointing up or down, apex column cx, rows top..top+8.
void DrawArrow(QImage &image, int cx, int top, bool up) {
    const int rows = 9;
    for (int r = 0; r < rows; ++r) {
        const int half = up ? r : rows - 1 - r;
        for (int x = cx - half; x <= cx + half; ++x)
            image.setPixelColor(x, top + r, kInk);
    }
}

void DrawSine(QPainter &painter, int left, int width, int centreY, int amplitude) {
    QPolygon points;
    for (int i = 0; i <= width; ++i) {
        const double phase = 2.0 * M_PI * i / width;
        points << QPoint(left + i, centreY - int(std::lround(amplitude * std::sin(phase))));
    }
    painter.drawPolyline(points);
}

} // namespace

QImage TPanelGlyphsVexa::OnOffLamps() {
    enum Index { Grey, Black, Off, Pale, On };
    QImage image(40, 10, QImage::Format_Indexed8);
    image.setColorTable(
        {TransparentGrey().rgb(), kInk.rgb(), kLampOff.rgb(), kLampPale.rgb(), kLampOn.rgb()});
    image.fill(Grey);
    const int fills[4] = {Off, Pale, Pale, On};
    for (int cell = 0; cell < 4; ++cell) {
        const int top = cell == 3 ? 0 : 4;
        DrawLampRing(cell * 10 + 2, top, [&](int x, int y, bool outline) {
            image.setPixel(x, y, outline ? uint(Black) : uint(fills[cell]));
        });
    }
    return image;
}

QImage TPanelGlyphsVexa::ArrowUp() {
    QImage image = Blank(37, 22);
    DrawArrow(image, 12, 6, true);
    DrawWideFrame(image, 0);
    return image;
}

QImage TPanelGlyphsVexa::ArrowDown() {
    QImage image = Blank(37, 22);
    DrawArrow(image, 12, 7, false);
    DrawWideFrame(image, 0);
    return image;
}

QImage TPanelGlyphsVexa::AcDcStrip() {
    QImage image = Blank(4 * 37, 22);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (int cell = 0; cell < 4; ++cell) {
        const int left = cell * 37;
        painter.setPen(cell == 1 ? kInkDisabled : kInk);
        if (cell == 3) {
            // DC: a solid line over a dashed one.
            painter.drawLine(left + 4, 8, left + 20, 8);
            for (int x = left + 4; x <= left + 20; x += 4)
                painter.drawLine(x, 12, x + 1, 12);
        } else {
            DrawSine(painter, left + 4, 16, 10, 4);
        }
    }
    painter.end();
    for (int cell = 0; cell < 4; ++cell)
        DrawWideFrame(image, cell * 37);
    return image;
}

QImage TPanelGlyphsVexa::MarkerFrame(int buttonHeight) {
    QImage image = Blank(10, 22);
    // The button centres the glyph vertically, rounding as its layout does.
    const int glyphTop = (buttonHeight - 22 + 1) / 2;
    DrawSunkenFrame(image, 2, std::clamp(10 - glyphTop, 1, 18), 6, 3);
    return image;
}

QImage TPanelGlyphsVexa::SweepStrip(SweepKind kind, int height) {
    const int cellWidth = 17;
    QImage image = Blank(4 * cellWidth, height);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const int top = 2;
    const int bottom = height - 3;
    const int middle = height / 2;
    for (int cell = 0; cell < 4; ++cell) {
        const int left = cell * cellWidth;
        const QColor ink = cell == 1 ? kInkDisabled : kInk;
        painter.setPen(ink);
        if (kind == SweepKind::Average) {
            // A wave with the straight line of its mean through it.
            painter.setPen(cell == 1 ? kInkDisabled : kFrameDark);
            DrawSine(painter, left + 1, 7, middle, (height - 6) / 2);
            painter.setPen(ink);
            painter.drawLine(left + 1, middle, left + 8, middle);
        } else {
            // A bar with an arrow pointing at it: up for the maximum, down
            // for the minimum.
            const bool up = kind == SweepKind::Maximum;
            const int bar = up ? top : bottom;
            const int step = up ? 1 : -1;
            painter.drawLine(left + 1, bar, left + 7, bar);
            for (int r = 0; r < 4; ++r)
                painter.drawLine(left + 4 - r, bar + step * (2 + r), left + 4 + r,
                                 bar + step * (2 + r));
            painter.drawLine(left + 4, bar + step * 6, left + 4, up ? bottom : top);
        }
    }
    painter.end();
    for (int cell = 0; cell < 4; ++cell) {
        const int lampTop = cell == 3 ? height - 12 : height - 8;
        DrawLampRing(image, cell * cellWidth + 10, lampTop, LampColor(cell));
    }
    return image;
}

} // namespace vexa
