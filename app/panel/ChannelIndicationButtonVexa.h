// A glyph button that paints a 6 x 3 marker in its channel's colour at
// (26, 10); the marker moves one pixel right and down while the button is
// latched or held down, together with the sunken face. Momentary by default;
// the AC/DC and ground buttons are made latching by their owner.
#pragma once

#include "GlyphButtonVexa.h"

#include <cstdint>

namespace vexa {

class TChannelIndicationButtonVexa : public TGlyphButtonVexa {
    Q_OBJECT
public:
    explicit TChannelIndicationButtonVexa(QWidget *parent = nullptr);

    // Marker offset, 0 or 1. Painting sets it from the face (latched or held
    // down) unless the button is flat; a flat button keeps what was set.
    int ButtonDown() const { return FButtonDown; }
    void SetButtonDown(int down);
    // Marker colour as 0x00BBGGRR.
    uint32_t ChannelColor() const { return FChannelColor; }
    void SetChannelColor(uint32_t color);
    // The marker in button pixels for the current ButtonDown.
    QRect MarkerRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int FButtonDown = 0;
    uint32_t FChannelColor = 0;
};

} // namespace vexa
