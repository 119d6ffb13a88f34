// The splash screen shown while the program starts.
#pragma once

#include <QWidget>

class QLabel;

namespace vexa {

class TSplashScreenVexa : public QWidget {
    Q_OBJECT
public:
    explicit TSplashScreenVexa(QWidget *parent = nullptr);

    QString Status() const;
    // Shows the start-up step and paints it at once (the message loop does
    // not run yet while the program starts).
    void SetStatus(const QString &text);
    // Shows the window centred on the screen and paints it at once.
    void ShowNow();

    QLabel *SplashBackround() const { return FSplashBackround; }
    QLabel *SplashStatusLabel() const { return FSplashStatusLabel; }

private:
    QLabel *FSplashBackround;
    QLabel *FSplashStatusLabel;
    QLabel *FAuthor;
    QLabel *FCompany;
};

} // namespace vexa
