// The glyph images of the front panel's buttons, drawn in code. Every image
// has the transparent grey (160, 160, 164) in its bottom-left pixel; the
// four-cell strips follow the glyph order up, disabled, pressed, latched down.
#pragma once

#include <QColor>
#include <QImage>

namespace vexa {

class TPanelGlyphsVexa {
public:
    // The transparent background of every glyph.
    static QColor TransparentGrey() { return QColor(160, 160, 164); }

    // "IDB_BUTTONS_ONOFF": 40 x 10 pixels, 8 bits per pixel with a palette,
    // four 10 x 10 cells each holding a 6 x 6 lamp ring: red-orange and low
    // when up, pale blue when disabled or pressed, green and 4 pixels higher
    // when latched down.
    static QImage OnOffLamps();

    // Glyphs of the channel-indication buttons. They draw a small sunken
    // frame around the spot where the button paints its colour marker
    // (button pixels x 26..31, y 10..12), assuming the glyph's top-left
    // corner sits at button pixel (1, 1) for the 37 x 22 images — a 39 x 24
    // button without caption. The 10 x 22 frame goes to button x 24 (glyph
    // right of the caption with margin width - 34, or left of it with
    // margin 24) in a button buttonHeight pixels high.
    static QImage ArrowUp();   // 37 x 22, one image
    static QImage ArrowDown(); // 37 x 22, one image
    static QImage AcDcStrip(); // 148 x 22: AC wave when up, DC line when latched
    static QImage MarkerFrame(int buttonHeight = 24); // 10 x 22: the frame only

    // The four-cell strips of the minimum, maximum and average buttons: a
    // small trace with the line of the value kept, and the lamp of the on/off
    // buttons. height is 15 or 17 (cells of 17 x height).
    enum class SweepKind { Minimum, Maximum, Average };
    static QImage SweepStrip(SweepKind kind, int height);
};

} // namespace vexa
