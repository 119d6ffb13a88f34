#include "LampShapeVexaRM.h"

#include <QMetaObject>
#include <QPainter>

namespace vexa {

TLampShapeVexaRM::TLampShapeVexaRM(QWidget *parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground, false);
}

void TLampShapeVexaRM::SetLampColor(uint32_t color) {
    FLampColor.store(color & 0xFFFFFFu);
    // update() is GUI-thread only; the queued call brings it there.
    QMetaObject::invokeMethod(this, qOverload<>(&QWidget::update), Qt::QueuedConnection);
}

void TLampShapeVexaRM::paintEvent(QPaintEvent *) {
    uint32_t c = FLampColor.load();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing, true);
    int d = qMin(width(), height()) - 1;
    QRectF r((width() - d) / 2.0, (height() - d) / 2.0, d, d);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)));
    p.drawEllipse(r.adjusted(0.5, 0.5, -0.5, -0.5));
}

} // namespace vexa
