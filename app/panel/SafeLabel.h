// A label whose text may be set from any thread. The newest text wins and is
// painted promptly on the user-interface thread. A mouse-sensitive label
// freezes while the pointer is over it: new texts are dropped, the frozen
// text turns bold and stays bold after the pointer leaves, until the next
// text arrives. The panel's face shows behind the text: the label keeps a
// picture of what lies behind it (taken outside any paint, again after every
// change of its place, size or look) and paints it as its own opaque
// background, so that a new text repaints the label alone and not the group
// box around it.
//
// Owners stop every thread that writes to a label before destroying it.
#pragma once

#include "FrameClockVexa.h"

#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <atomic>
#include <mutex>

namespace vexa {

class TSafeLabel : public QWidget, public TFrameClientVexa {
    Q_OBJECT
public:
    explicit TSafeLabel(QWidget *parent = nullptr);
    ~TSafeLabel() override;

    // Any thread.
    QString MyString() const;
    void SetMyString(const QString &text);
    // Whether the pointer is over a mouse-sensitive label, and whether a text
    // was dropped (or the pointer left) since the last text shown. Any thread.
    bool MouseInside() const;
    bool UpdateHeld() const;
    // True when the text is drawn bold now. Any thread.
    bool Bold() const;

    // User-interface thread.
    bool MouseSensitive() const { return FMouseSensitive; }
    void SetMouseSensitive(bool sensitive) { FMouseSensitive = sensitive; }
    // When false, the label shows no tooltip.
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool show) { FShowHint = show; }

    QSize sizeHint() const override;
    // User-interface thread: the frame clock that paces repaints asked for by
    // other threads (the program's clock unless a test gives its own).
    void SetFrameClock(TFrameClockVexa *clock);
    // True while the label paints its own background (it holds a picture
    // of what lies behind it).
    bool OwnBackground() const { return !FBackground.isNull(); }

protected:
    // Asks for a repaint from any thread; requests from other threads
    // coalesce until the frame clock's next tick.
    void RequestRepaint();
    void ServeFrame() override;

    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    mutable std::mutex FTextLock; // guards FMyString, FMouseInside and FUpdateHeld
    QString FMyString;
    bool FMouseInside = false;
    bool FUpdateHeld = false;
    QPointer<TFrameClockVexa> FFrameClock; // goes with the application object
    // What lies behind the label, or null when it must be taken again; then
    // the label is see-through until it has it. User-interface thread.
    QPixmap FBackground;
    bool FTakingBackground = false;
    // The label's place in the window and its parent's size when the
    // picture was taken.
    QRect FBackgroundPlace;
    void ForgetBackground();
    // Takes the picture behind the label (outside any paint).
    void TakeBackground();
    bool FMouseSensitive = false;
    bool FShowHint = true;
};

} // namespace vexa
