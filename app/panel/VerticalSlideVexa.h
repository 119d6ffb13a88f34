// The vertical position slide: a thin track with a knob whose top is at
// BarPosition. It has no input handling of its own; its owner reacts to the
// mouse and key signals. It takes the focus by Tab or a click and shows a
// focus frame when the keyboard put it there.
#pragma once

#include <QWidget>

#include <cstdint>

namespace vexa {

class TVerticalSlideVexa : public QWidget {
    Q_OBJECT
public:
    explicit TVerticalSlideVexa(QWidget *parent = nullptr);

    // Knob top in pixels; setting it repaints, leaving nothing of the old knob.
    int BarPosition() const { return FBarPosition; }
    void SetBarPosition(int position);
    // Track length in pixels (the owner sets it to the slide's height - 15).
    int BarHeight() const { return FBarHeight; }
    void SetBarHeight(int height);
    // Width in pixels the track and knob are drawn for.
    int BarWidth() const { return FBarWidth; }
    void SetBarWidth(int width);
    // Colour of the track's inside and the knob, 0x00BBGGRR.
    uint32_t BarColor() const { return FBarColor; }
    void SetBarColor(uint32_t color);
    // Tooltip text.
    QString Hint() const { return toolTip(); }
    void SetHint(const QString &hint) { setToolTip(hint); }

    QSize sizeHint() const override;

signals:
    // Press and release report the button that changed; a move reports the
    // buttons held. x and y are in the slide's pixels and may lie outside it
    // while the mouse is held.
    void MousePressed(int x, int y, Qt::MouseButtons buttons);
    void MouseReleased(int x, int y, Qt::MouseButtons buttons);
    void MouseMoved(int x, int y, Qt::MouseButtons buttons);
    // A left press and release both inside the slide; fires before the release.
    void Clicked();
    // The arrow and page keys while the slide has the focus; a held key
    // repeats KeyPressed with autoRepeat set and is released once.
    void KeyPressed(int key, bool autoRepeat);
    void KeyReleased(int key);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;

private:
    int FBarPosition = 0;
    int FBarHeight = 100;
    int FBarWidth = 17;
    uint32_t FBarColor = 0x0000FF00;
    bool FClickArmed = false;
};

} // namespace vexa
