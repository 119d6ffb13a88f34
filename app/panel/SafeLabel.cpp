#include "SafeLabel.h"

#include <QEnterEvent>
#include <QPainter>
#include <QStyle>
#include <QThread>

namespace vexa {

// A readout fed by a worker (the voltages and the file size change with
// every block) repaints at most every this many frames: ten times a second
// is as fast as anyone reads a number.
constexpr int kReadoutFrameStride = 3;

TSafeLabel::TSafeLabel(QWidget *parent) : QWidget(parent) {
    SetFrameStride(kReadoutFrameStride);
    FFrameClock = &TFrameClockVexa::Instance();
    FFrameClock->Register(this);
}

TSafeLabel::~TSafeLabel() {
    if (FFrameClock) FFrameClock->Unregister(this);
}

void TSafeLabel::SetFrameClock(TFrameClockVexa *clock) {
    if (FFrameClock) FFrameClock->Unregister(this);
    FFrameClock = clock;
    FFrameClock->Register(this);
}

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

void TSafeLabel::RequestRepaint() {
    if (QThread::currentThread() == thread()) {
        update();
        return;
    }
    // A worker that reports every block (the voltage and size readouts at
    // the top sampling rate) repaints the label at most once per frame.
    if (FFrameClock) FFrameClock->Request(this);
}

void TSafeLabel::ServeFrame() {
    // A group box that was laid out anew moves or stretches what lies
    // behind the label without telling it.
    const QWidget *parent = parentWidget();
    const QRect place(mapTo(window(), QPoint(0, 0)), parent ? parent->size() : QSize());
    if (place != FBackgroundPlace) ForgetBackground();
    if (FBackground.isNull()) {
        TakeBackground();
        FBackgroundPlace = place;
    }
    update();
}

void TSafeLabel::ForgetBackground() {
    if (FBackground.isNull()) return;
    FBackground = QPixmap();
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TSafeLabel::TakeBackground() {
    QWidget *top = window();
    if (!isVisible() || !top || width() <= 0 || height() <= 0) return;
    const qreal ratio = devicePixelRatioF();
    QPixmap picture(size() * ratio);
    picture.setDevicePixelRatio(ratio);
    picture.fill(Qt::transparent);
    // The window paints the region under the label, its own text left out.
    FTakingBackground = true;
    top->render(&picture, QPoint(), QRegion(QRect(mapTo(top, QPoint(0, 0)), size())),
                QWidget::DrawWindowBackground | QWidget::DrawChildren);
    FTakingBackground = false;
    FBackground = picture;
    setAttribute(Qt::WA_OpaquePaintEvent, true);
}

void TSafeLabel::resizeEvent(QResizeEvent *event) {
    ForgetBackground();
    QWidget::resizeEvent(event);
}

void TSafeLabel::moveEvent(QMoveEvent *event) {
    ForgetBackground();
    QWidget::moveEvent(event);
}

void TSafeLabel::showEvent(QShowEvent *event) {
    ForgetBackground();
    QWidget::showEvent(event);
}

void TSafeLabel::changeEvent(QEvent *event) {
    // A new palette, style, font or enabled state of the label or of what
    // lies behind it reaches the label as a change event.
    ForgetBackground();
    QWidget::changeEvent(event);
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
    if (FTakingBackground) return;
    QString text;
    bool bold = false;
    {
        std::lock_guard<std::mutex> hold(FTextLock);
        text = PrivateCopy(FMyString);
        bold = FMouseInside || FUpdateHeld;
    }
    QPainter painter(this);
    if (!FBackground.isNull()) painter.drawPixmap(0, 0, FBackground);
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
