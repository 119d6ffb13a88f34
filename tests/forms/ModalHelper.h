// Answers a modal window from inside its own event loop.
#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace vexa::test {

// Calls act with the active modal widget as soon as one is open (polled
// from the event loop; gives up after about five seconds).
inline void WhenModal(std::function<void(QWidget *)> act) {
    auto *timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act, tries] {
        QWidget *w = QApplication::activeModalWidget();
        if (w || ++*tries > 500) {
            timer->stop();
            timer->deleteLater();
            if (w) act(w);
        }
    });
    timer->start();
}

} // namespace vexa::test
