// The keyboard-focus frame of the panel's own widgets. It follows the style's
// rule for its own controls: shown while the widget has the focus and the
// keyboard has moved the focus in its window (Tab, a shortcut), not after a
// click of the mouse.
#pragma once

#include <QRect>

class QPainter;
class QWidget;

namespace vexa {

// Whether widget shows its focus frame now.
bool ShowsFocusFrame(const QWidget *widget);

// Draws the style's focus frame around rect when widget shows it.
void PaintFocusFrame(const QWidget *widget, QPainter &painter, const QRect &rect);

} // namespace vexa
