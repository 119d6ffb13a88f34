#include "GlyphButtonVexa.h"

#include "FocusFrameVexa.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

namespace vexa {

TGlyphButtonVexa::TGlyphButtonVexa(QWidget *parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QAbstractButton::clicked, this, &TGlyphButtonVexa::Clicked);
}

void TGlyphButtonVexa::SetGlyph(const QImage &glyph) {
    FGlyph = glyph;
    updateGeometry();
    update();
}

void TGlyphButtonVexa::SetNumGlyphs(int count) {
    FNumGlyphs = std::clamp(count, 1, 4);
    updateGeometry();
    update();
}

void TGlyphButtonVexa::SetLayout(GlyphLayout layout) {
    FLayout = layout;
    update();
}

void TGlyphButtonVexa::SetMargin(int margin) {
    FMargin = margin;
    update();
}

void TGlyphButtonVexa::SetSpacing(int spacing) {
    FSpacing = spacing;
    updateGeometry();
    update();
}

void TGlyphButtonVexa::SetFlat(bool flat) {
    FFlat = flat;
    update();
}

void TGlyphButtonVexa::SetCaption(const QString &caption) {
    setText(caption);
}

void TGlyphButtonVexa::SetLatching(bool latching) {
    if (!latching) setChecked(false);
    setCheckable(latching);
}

int TGlyphButtonVexa::GlyphCell() const {
    int cell = 0;
    if (!isEnabled())
        cell = 1;
    else if (isDown())
        cell = 2;
    else if (isChecked())
        cell = 3;
    return cell < FNumGlyphs ? cell : 0;
}

void TGlyphButtonVexa::CalcLayout(QRect &glyph, QRect &caption, QFont &captionFont) const {
    captionFont = font();
    const int glyphWidth = FGlyph.isNull() ? 0 : FGlyph.width() / FNumGlyphs;
    const int glyphHeight = FGlyph.isNull() ? 0 : FGlyph.height();
    int textWidth =
        ShownCaption().isEmpty() ? 0 : QFontMetrics(captionFont).horizontalAdvance(ShownCaption());
    const int spacing = (textWidth == 0 || glyphWidth == 0) ? 0 : FSpacing;

    // A caption wider than its room is set in a smaller font (down to 7
    // pixels) rather than cut off at the button's edge.
    int room = width() - 4;
    if (glyphWidth > 0 && FMargin == -1)
        room -= glyphWidth + spacing;
    else if (glyphWidth > 0 && FLayout == GlyphLayout::GlyphRight)
        room = width() - FMargin - glyphWidth - spacing - 2;
    else if (glyphWidth > 0)
        room = width() - 2 - (FMargin + glyphWidth + spacing);
    if (textWidth > room && room > 0) {
        const int pixels = QFontInfo(captionFont).pixelSize();
        captionFont.setPixelSize(std::max(7, pixels * room / textWidth));
        textWidth = QFontMetrics(captionFont).horizontalAdvance(ShownCaption());
    }
    const int textHeight = ShownCaption().isEmpty() ? 0 : QFontMetrics(captionFont).height();

    int margin = FMargin;
    if (margin == -1) margin = (width() - (glyphWidth + spacing + textWidth) + 1) / 2;
    int glyphX = 0;
    int textX = 0;
    if (FLayout == GlyphLayout::GlyphLeft) {
        glyphX = margin;
        textX = glyphX + glyphWidth + spacing;
    } else {
        glyphX = width() - margin - glyphWidth;
        textX = std::max(2, glyphX - spacing - textWidth);
    }
    glyph = QRect(glyphX, (height() - glyphHeight + 1) / 2, glyphWidth, glyphHeight);
    caption = QRect(textX, (height() - textHeight + 1) / 2, textWidth, textHeight);
}

QRect TGlyphButtonVexa::GlyphRect() const {
    QRect glyph, caption;
    QFont captionFont;
    CalcLayout(glyph, caption, captionFont);
    return glyph;
}

QRect TGlyphButtonVexa::CaptionRect() const {
    QRect glyph, caption;
    QFont captionFont;
    CalcLayout(glyph, caption, captionFont);
    return caption;
}

QImage TGlyphButtonVexa::GlyphCellImage(int cell) const {
    const int cellWidth = FGlyph.width() / FNumGlyphs;
    QImage image = FGlyph.copy(cell * cellWidth, 0, cellWidth, FGlyph.height())
                       .convertToFormat(QImage::Format_ARGB32);
    const QRgb transparent = FGlyph.pixel(0, FGlyph.height() - 1) | 0xFF000000u;
    for (int y = 0; y < image.height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((line[x] | 0xFF000000u) == transparent) line[x] = 0;
    }
    return image;
}

QSize TGlyphButtonVexa::sizeHint() const {
    const QFontMetrics metrics(font());
    const int textWidth = ShownCaption().isEmpty() ? 0 : metrics.horizontalAdvance(ShownCaption());
    const int glyphWidth = FGlyph.isNull() ? 0 : FGlyph.width() / FNumGlyphs;
    const int spacing = (textWidth == 0 || glyphWidth == 0) ? 0 : FSpacing;
    const int glyphHeight = FGlyph.isNull() ? 0 : FGlyph.height();
    return QSize(glyphWidth + spacing + textWidth + 8, std::max(glyphHeight, metrics.height()) + 6);
}

void TGlyphButtonVexa::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QPalette &colours = palette();
    const bool faceDown = FaceDown();
    QColor face = colours.color(QPalette::Button);
    if (isChecked() && !isDown()) {
        // A latched button shows a lighter face, as the instrument's keys do.
        const QColor light = colours.color(QPalette::Light);
        face = QColor((face.red() + light.red()) / 2, (face.green() + light.green()) / 2,
                      (face.blue() + light.blue()) / 2);
    }
    const QRect all = rect();
    painter.fillRect(all, face);

    if (!FFlat || faceDown) {
        const int r = all.width() - 1;
        const int b = all.height() - 1;
        const QColor outerTopLeft = colours.color(faceDown ? QPalette::Shadow : QPalette::Light);
        const QColor outerBottomRight =
            colours.color(faceDown ? QPalette::Light : QPalette::Shadow);
        const QColor innerTopLeft = colours.color(faceDown ? QPalette::Dark : QPalette::Midlight);
        const QColor innerBottomRight =
            colours.color(faceDown ? QPalette::Midlight : QPalette::Dark);
        painter.setPen(outerTopLeft);
        painter.drawLine(0, 0, r - 1, 0);
        painter.drawLine(0, 0, 0, b - 1);
        painter.setPen(outerBottomRight);
        painter.drawLine(0, b, r, b);
        painter.drawLine(r, 0, r, b);
        painter.setPen(innerTopLeft);
        painter.drawLine(1, 1, r - 2, 1);
        painter.drawLine(1, 1, 1, b - 2);
        painter.setPen(innerBottomRight);
        painter.drawLine(1, b - 1, r - 1, b - 1);
        painter.drawLine(r - 1, 1, r - 1, b - 1);
    }

    QRect glyphRect, captionRect;
    QFont captionFont;
    CalcLayout(glyphRect, captionRect, captionFont);
    const QPoint shift = faceDown ? QPoint(1, 1) : QPoint(0, 0);
    if (!FGlyph.isNull()) {
        const int cell = GlyphCell();
        // A strip without a disabled cell shows its up cell faded.
        if (!isEnabled() && cell != 1) painter.setOpacity(0.45);
        painter.drawImage(glyphRect.topLeft() + shift, GlyphCellImage(cell));
        painter.setOpacity(1.0);
    }
    if (!ShownCaption().isEmpty()) {
        painter.setPen(colours.color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                     QPalette::ButtonText));
        painter.setFont(captionFont);
        painter.drawText(captionRect.translated(shift), Qt::AlignCenter | Qt::TextSingleLine,
                         ShownCaption());
    }
    // Inside the two-pixel frame, clear of the face's edges.
    PaintFocusFrame(this, painter, all.adjusted(2, 2, -2, -2));
}

void TGlyphButtonVexa::mousePressEvent(QMouseEvent *event) {
    QAbstractButton::mousePressEvent(event);
    const QPoint at = event->position().toPoint();
    emit MousePressed(at.x(), at.y(), event->button());
}

void TGlyphButtonVexa::mouseReleaseEvent(QMouseEvent *event) {
    // The release is reported before the click that it may cause.
    const QPoint at = event->position().toPoint();
    emit MouseReleased(at.x(), at.y(), event->button());
    QAbstractButton::mouseReleaseEvent(event);
}

} // namespace vexa
