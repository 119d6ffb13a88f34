// A glyph button of the front panel: a flat-faced push button with a caption
// and a glyph strip of up to four cells (up, disabled, pressed, latched down),
// either momentary or latching. A latching button flips its latched state
// (Down) on a click before Clicked fires. It takes the focus by Tab or a
// click, shows a focus frame when the keyboard put it there, and Space
// presses it.
#pragma once

#include <QAbstractButton>
#include <QImage>

namespace vexa {

class TGlyphButtonVexa : public QAbstractButton {
    Q_OBJECT
public:
    enum class GlyphLayout { GlyphLeft, GlyphRight };

    explicit TGlyphButtonVexa(QWidget *parent = nullptr);

    // The glyph strip; its bottom-left pixel is the transparent colour.
    QImage Glyph() const { return FGlyph; }
    void SetGlyph(const QImage &glyph);
    // Number of cells in the strip, 1 to 4.
    int NumGlyphs() const { return FNumGlyphs; }
    void SetNumGlyphs(int count);
    GlyphLayout Layout() const { return FLayout; }
    void SetLayout(GlyphLayout layout);
    // Pixels between the edge and the glyph; -1 centres glyph and caption.
    int Margin() const { return FMargin; }
    void SetMargin(int margin);
    // Pixels between glyph and caption.
    int Spacing() const { return FSpacing; }
    void SetSpacing(int spacing);
    // A flat button draws no frame while it is up.
    bool Flat() const { return FFlat; }
    void SetFlat(bool flat);
    QString Caption() const { return text(); }
    void SetCaption(const QString &caption);
    // The caption as drawn: blanks at either end only pad it and are left out
    // (the glyph keeps its own place).
    QString ShownCaption() const { return text().trimmed(); }
    // Latching buttons toggle on a click; momentary ones spring back.
    bool Latching() const { return isCheckable(); }
    void SetLatching(bool latching);
    // The latched state (always false for a momentary button).
    bool Down() const { return isChecked(); }
    void SetDown(bool down) { setChecked(down); }

    // Which cell of the strip is drawn now: 0 up, 1 disabled, 2 pressed,
    // 3 latched down (cells the strip lacks fall back to 0).
    int GlyphCell() const;
    // Where glyph and caption go in a button of the current size, before the
    // one-pixel shift of a pressed or latched button. A caption too wide for
    // its room is drawn in a smaller font.
    QRect GlyphRect() const;
    QRect CaptionRect() const;

    QSize sizeHint() const override;

signals:
    void Clicked();
    // Mouse button pressed or released over the button (x, y in the button).
    void MousePressed(int x, int y, Qt::MouseButtons buttons);
    void MouseReleased(int x, int y, Qt::MouseButtons buttons);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    // True while the face is drawn sunken (pressed or latched).
    bool FaceDown() const { return isDown() || isChecked(); }

private:
    void CalcLayout(QRect &glyph, QRect &caption, QFont &captionFont) const;
    QImage GlyphCellImage(int cell) const;

    QImage FGlyph;
    int FNumGlyphs = 1;
    GlyphLayout FLayout = GlyphLayout::GlyphLeft;
    int FMargin = -1;
    int FSpacing = 4;
    bool FFlat = false;
};

} // namespace vexa
