// A scroll bar of the front panel: the standard bar, reachable with Tab and
// moved with the arrow, page, Home and End keys (Left lowers the value,
// Right raises it), with a visible focus frame.
#pragma once

#include <QScrollBar>

namespace vexa {

class TScrollBarVexa : public QScrollBar {
    Q_OBJECT
public:
    explicit TScrollBarVexa(Qt::Orientation orientation, QWidget *parent = nullptr);

protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace vexa
