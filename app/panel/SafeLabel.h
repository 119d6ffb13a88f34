// A label whose text may be set from any thread. The newest text wins and is
// painted promptly on the user-interface thread. A mouse-sensitive label
// freezes while the pointer is over it: new texts are dropped, the frozen
// text turns bold and stays bold after the pointer leaves, until the next
// text arrives. The label is see-through: the panel's face shows behind the
// text, and every repaint starts from it.
//
// Owners stop every thread that writes to a label before destroying it.
#pragma once

#include <QString>
#include <QWidget>

#include <atomic>
#include <mutex>

namespace vexa {

class TSafeLabel : public QWidget {
    Q_OBJECT
public:
    explicit TSafeLabel(QWidget *parent = nullptr);

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

protected:
    // Asks for a repaint from any thread; requests from other threads are
    // queued to the label's thread and coalesce until it paints.
    void RequestRepaint();

    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void leaveEvent(QEvent *event) override;

private:
    mutable std::mutex FTextLock; // guards FMyString, FMouseInside and FUpdateHeld
    QString FMyString;
    bool FMouseInside = false;
    bool FUpdateHeld = false;
    // True from a worker's repaint request until one frame interval after
    // the label last repainted for a worker; requests in between only set
    // FRepaintWanted, and the interval's end paints the newest text.
    std::atomic<bool> FRepaintQueued{false};
    // A worker set a text that is not on the screen yet.
    std::atomic<bool> FRepaintWanted{false};
    // Main thread: repaints when a worker asked for it, then waits a frame.
    void ServeRepaint();
    bool FMouseSensitive = false;
    bool FShowHint = true;
};

} // namespace vexa
