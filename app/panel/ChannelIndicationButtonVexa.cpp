#include "ChannelIndicationButtonVexa.h"

#include "PanelColorVexa.h"

#include <QPainter>

namespace vexa {

TChannelIndicationButtonVexa::TChannelIndicationButtonVexa(QWidget *parent)
    : TGlyphButtonVexa(parent) {}

void TChannelIndicationButtonVexa::SetButtonDown(int down) {
    FButtonDown = down != 0 ? 1 : 0;
    update();
}

void TChannelIndicationButtonVexa::SetChannelColor(uint32_t color) {
    FChannelColor = color;
    update();
}

QRect TChannelIndicationButtonVexa::MarkerRect() const {
    return QRect(26 + FButtonDown, 10 + FButtonDown, 6, 3);
}

void TChannelIndicationButtonVexa::paintEvent(QPaintEvent *event) {
    TGlyphButtonVexa::paintEvent(event);
    // The marker sinks with the face, latched or held by the mouse, so that
    // it stays inside the frame the glyph draws around it.
    if (!Flat()) FButtonDown = FaceDown() ? 1 : 0;
    QPainter painter(this);
    painter.fillRect(MarkerRect(), VexaToQColor(FChannelColor));
}

} // namespace vexa
