#include "FocusFrameVexa.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <QWidget>

namespace vexa {

bool ShowsFocusFrame(const QWidget *widget) {
    return widget->hasFocus() && widget->window()->testAttribute(Qt::WA_KeyboardFocusChange);
}

void PaintFocusFrame(const QWidget *widget, QPainter &painter, const QRect &rect) {
    if (!ShowsFocusFrame(widget)) return;
    QStyleOptionFocusRect option;
    option.initFrom(widget);
    option.rect = rect;
    option.backgroundColor = widget->palette().color(widget->backgroundRole());
    // Drawn by the style like a push button's, and with a dotted line in
    // the text colour as well, so that it shows on every face colour.
    painter.save();
    widget->style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, widget);
    QPen dotted(widget->palette().color(QPalette::ButtonText), 1, Qt::DotLine);
    painter.setPen(dotted);
    painter.setBrush(Qt::NoBrush);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.drawRect(rect.adjusted(0, 0, -1, -1));
    painter.restore();
}

} // namespace vexa
