#include "VerticalSlideVexa.h"

#include "FocusFrameVexa.h"
#include "PanelColorVexa.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace vexa {

namespace {

// The instrument's rectangles are (left, top, right, bottom) with right and
// bottom exclusive, outlined by the pen and filled by the brush.
void DrawBox(QPainter &painter, int left, int top, int right, int bottom) {
    if (right <= left || bottom <= top) return;
    painter.drawRect(left, top, right - left - 1, bottom - top - 1);
}

} // namespace

namespace {

bool IsMovingKey(int key) {
    return key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp ||
           key == Qt::Key_PageDown;
}

} // namespace

TVerticalSlideVexa::TVerticalSlideVexa(QWidget *parent) : QWidget(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
}

void TVerticalSlideVexa::SetBarPosition(int position) {
    // The slide is see-through: a repaint shows the panel under it first, so
    // the old knob is painted over before the new one appears.
    FBarPosition = position;
    update();
}

void TVerticalSlideVexa::SetBarHeight(int height) {
    FBarHeight = height;
    update();
}

void TVerticalSlideVexa::SetBarWidth(int width) {
    FBarWidth = width;
    updateGeometry();
    update();
}

void TVerticalSlideVexa::SetBarColor(uint32_t color) {
    FBarColor = color;
    update();
}

QSize TVerticalSlideVexa::sizeHint() const {
    return QSize(FBarWidth, FBarHeight + 15);
}

void TVerticalSlideVexa::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QColor black(0, 0, 0);
    const QColor bar = VexaToQColor(FBarColor);
    const int w2 = FBarWidth / 2;
    // The track, then its inside.
    painter.setPen(black);
    painter.setBrush(bar);
    DrawBox(painter, w2 - 2, 0, w2 + 2, FBarHeight + 6);
    painter.setPen(bar);
    DrawBox(painter, w2 - 1, 1, w2 + 1, FBarHeight + 5);
    // The knob and its centre mark.
    painter.setPen(black);
    DrawBox(painter, 2, FBarPosition, FBarWidth - 2, FBarPosition + 6);
    painter.drawLine(w2 - 2, FBarPosition + 3, w2 + 1, FBarPosition + 3);
    PaintFocusFrame(this, painter, rect());
}

void TVerticalSlideVexa::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton) FClickArmed = true;
    const QPoint at = event->position().toPoint();
    emit MousePressed(at.x(), at.y(), event->button());
}

void TVerticalSlideVexa::mouseReleaseEvent(QMouseEvent *event) {
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton && FClickArmed) {
        FClickArmed = false;
        if (rect().contains(at)) emit Clicked();
    }
    emit MouseReleased(at.x(), at.y(), event->button());
}

void TVerticalSlideVexa::mouseMoveEvent(QMouseEvent *event) {
    const QPoint at = event->position().toPoint();
    emit MouseMoved(at.x(), at.y(), event->buttons());
}

void TVerticalSlideVexa::keyPressEvent(QKeyEvent *event) {
    if (!IsMovingKey(event->key()) || event->modifiers() & ~Qt::KeypadModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    emit KeyPressed(event->key(), event->isAutoRepeat());
}

void TVerticalSlideVexa::keyReleaseEvent(QKeyEvent *event) {
    if (!IsMovingKey(event->key())) {
        QWidget::keyReleaseEvent(event);
        return;
    }
    if (!event->isAutoRepeat()) emit KeyReleased(event->key());
}

} // namespace vexa
