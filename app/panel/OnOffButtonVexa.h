// The on/off button: a latching glyph button whose lamp shows its state, a
// low red-orange lamp when off and a raised green lamp when on. A click
// flips the state, then Clicked fires.
#pragma once

#include "GlyphButtonVexa.h"

namespace vexa {

class TOnOffButtonVexa : public TGlyphButtonVexa {
    Q_OBJECT
public:
    explicit TOnOffButtonVexa(QWidget *parent = nullptr);
    explicit TOnOffButtonVexa(const QString &caption, QWidget *parent = nullptr);
};

} // namespace vexa
