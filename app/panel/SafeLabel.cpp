#include "SafeLabel.h"

#include <QEnterEvent>
#include <QPainter>
#include <QStyle>
#include <QThread>
#include <QTimer>

namespace vexa {

TSafeLabel::TSafeLabel(QWidget *parent) : QWidget(parent) {}

namespace {

// Texts cross threads as private copies, so that no two threads ever share
// one string's storage (and its reference count).
QString PrivateCopy(const QString &text) {
    return QString(text.constData(), text.size());
}

} // namespace

QString TSafeLabel::MyString() const {
    std::lock_guard<std::mutex> hold(FTextLock);
    return PrivateCopy(FMyString);
}

void TSafeLabel::SetMyString(const QString &text) {
    {
        std::lock_guard<std::mutex> hold(FTextLock);
        if (FMouseInside) {
            FUpdateHeld = true; // frozen: the text is dropped
            return;
        }
        FUpdateHeld = false;
        FMyString = PrivateCopy(text);
    }
    RequestRepaint();
}

bool TSafeLabel::MouseInside() const {
    std::lock_guard<std::mutex> hold(FTextLock);
    return FMouseInside;
}

bool TSafeLabel::UpdateHeld() const {
    std::lock_guard<std::mutex> hold(FTextLock);
    return FUpdateHeld;
}

bool TSafeLabel::Bold() const {
    std::lock_guard<std::mutex> hold(FTextLock);
    return FMouseInside || FUpdateHeld;
}

// A worker that reports every block (the voltage and size readouts at the
// top sampling rate) repaints the label at most this often.
constexpr int kFrameIntervalMs = 40;

void TSafeLabel::RequestRepaint() {
    if (QThread::currentThread() == thread()) {
        update();
        return;
    }
    FRepaintWanted = true;
    if (FRepaintQueued.exchange(true)) return;
    QMetaObject::invokeMethod(
        this, [this] { ServeRepaint(); }, Qt::QueuedConnection);
}

void TSafeLabel::ServeRepaint() {
    if (FRepaintWanted.exchange(false)) {
        update();
        QTimer::singleShot(kFrameIntervalMs, this, [this] { ServeRepaint(); });
        return;
    }
    FRepaintQueued = false;
    // A request that found the flag still set just before it was cleared
    // would otherwise wait for the next one.
    if (FRepaintWanted.load() && !FRepaintQueued.exchange(true))
        QMetaObject::invokeMethod(
            this, [this] { ServeRepaint(); }, Qt::QueuedConnection);
}

QSize TSafeLabel::sizeHint() const {
    QFont bold = font();
    bold.setBold(true);
    const QFontMetrics metrics(bold);
    return QSize(metrics.horizontalAdvance(MyString()) + 2, metrics.height());
}

bool TSafeLabel::event(QEvent *event) {
    if (event->type() == QEvent::ToolTip && !FShowHint) {
        event->ignore();
        return true;
    }
    return QWidget::event(event);
}

void TSafeLabel::paintEvent(QPaintEvent *) {
    QString text;
    bool bold = false;
    {
        std::lock_guard<std::mutex> hold(FTextLock);
        text = PrivateCopy(FMyString);
        bold = FMouseInside || FUpdateHeld;
    }
    QPainter painter(this);
    QFont face = font();
    face.setBold(bold);
    painter.setFont(face);
    painter.setPen(
        palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    const Qt::Alignment align =
        QStyle::visualAlignment(layoutDirection(), Qt::AlignLeft) | Qt::AlignTop;
    painter.drawText(rect(), int(align) | Qt::TextExpandTabs, text);
}

void TSafeLabel::enterEvent(QEnterEvent *event) {
    QWidget::enterEvent(event);
    if (!FMouseSensitive) return;
    {
        std::lock_guard<std::mutex> hold(FTextLock);
        FMouseInside = true;
    }
    update();
}

void TSafeLabel::leaveEvent(QEvent *event) {
    QWidget::leaveEvent(event);
    if (!FMouseSensitive) return;
    {
        std::lock_guard<std::mutex> hold(FTextLock);
        FMouseInside = false;
    }
    update();
}

} // namespace vexa
