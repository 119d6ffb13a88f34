// The search controls: what to look for (a channel rising or falling
// through a level, a device marker, an ARM-marker period, a gap), the level,
// and buttons for the previous and the next place.
#pragma once

#include "SearchVexaRM.h"

#include <QWidget>

class QComboBox;
class QDoubleSpinBox;
class QLabel;

namespace vexa::view {

class TSearchBarVexaRM : public QWidget {
    Q_OBJECT
public:
    explicit TSearchBarVexaRM(QWidget *parent = nullptr);

    TSearchQuery Query() const;
    // The level's unit: volts, or codes where the scale is not known.
    void SetVolts(bool volts);

signals:
    void Search(bool forward);

private:
    QComboBox *FWhat = nullptr;
    QDoubleSpinBox *FLevel = nullptr;
};

} // namespace vexa::view
