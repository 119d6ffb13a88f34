#include "OnOffButtonVexa.h"

#include "PanelGlyphsVexa.h"

namespace vexa {

TOnOffButtonVexa::TOnOffButtonVexa(QWidget *parent) : TGlyphButtonVexa(parent) {
    // The lamp strip lives as long as the button (held by value).
    SetGlyph(TPanelGlyphsVexa::OnOffLamps());
    SetNumGlyphs(4);
    SetMargin(1);
    SetLayout(GlyphLayout::GlyphRight);
    SetLatching(true);
}

TOnOffButtonVexa::TOnOffButtonVexa(const QString &caption, QWidget *parent)
    : TOnOffButtonVexa(parent) {
    SetCaption(caption);
}

} // namespace vexa
