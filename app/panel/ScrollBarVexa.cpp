#include "ScrollBarVexa.h"

#include "FocusFrameVexa.h"

#include <QPainter>

namespace vexa {

TScrollBarVexa::TScrollBarVexa(Qt::Orientation orientation, QWidget *parent)
    : QScrollBar(orientation, parent) {
    setFocusPolicy(Qt::StrongFocus);
    // A plain scroll bar turns its keys round (Left adds); on the panel
    // Left and Down lower the value, Right and Up raise it.
    if (orientation == Qt::Horizontal) setInvertedControls(false);
}

void TScrollBarVexa::paintEvent(QPaintEvent *event) {
    QScrollBar::paintEvent(event);
    QPainter painter(this);
    PaintFocusFrame(this, painter, rect());
}

} // namespace vexa
