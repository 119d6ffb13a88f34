#include "SplashScreenVexa.h"

#include "JpegPictureVexaRM.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPixmap>
#include <QScreen>

namespace vexa {

namespace {

QLabel *CreditLine(const QString &text, int x, int y, QWidget *parent) {
    auto *l = new QLabel(text, parent);
    l->setAttribute(Qt::WA_TranslucentBackground);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, QColor(0, 0, 128)); // navy
    l->setPalette(p);
    l->adjustSize();
    l->move(x, y);
    return l;
}

} // namespace

TSplashScreenVexa::TSplashScreenVexa(QWidget *parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setWindowTitle(QStringLiteral("Vexa series scope"));
    setFixedSize(391, 278);
    setAutoFillBackground(true);

    FSplashBackround = new QLabel(this);
    FSplashBackround->setGeometry(0, 0, 392, 250);
    QImage picture = TJpegPictureVexaRM::Load(TJpegPictureVexaRM::DefaultFileName());
    if (!picture.isNull()) FSplashBackround->setPixmap(QPixmap::fromImage(picture));

    FSplashStatusLabel = new QLabel(this);
    FSplashStatusLabel->setGeometry(0, 255, 385, 23);
    FSplashStatusLabel->setAlignment(Qt::AlignCenter);
    QFont f = FSplashStatusLabel->font();
    f.setBold(true);
    f.setPixelSize(13);
    FSplashStatusLabel->setFont(f);

    FAuthor = CreditLine(QStringLiteral("Roll-mode recorder for the Vexa series"), 88, 218, this);
    FCompany = CreditLine(QStringLiteral("Korvel instruments"), 8, 232, this);
}

QString TSplashScreenVexa::Status() const {
    return FSplashStatusLabel->text();
}

void TSplashScreenVexa::SetStatus(const QString &text) {
    FSplashStatusLabel->setText(text);
    if (isVisible()) {
        FSplashStatusLabel->repaint();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

void TSplashScreenVexa::ShowNow() {
    if (QScreen *screen = QGuiApplication::primaryScreen()) {
        QRect r = screen->availableGeometry();
        move(r.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    raise();
    repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace vexa
