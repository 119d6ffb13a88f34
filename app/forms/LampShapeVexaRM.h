// A round indicator lamp (arm and trigger state).
#pragma once

#include "flow/FlowInterfacesVexaRM.h"

#include <QWidget>

#include <atomic>
#include <cstdint>

namespace vexa {

// Shows a filled circle in the colour last set. SetLampColor may be called
// from any thread: it stores the colour and queues a repaint; the newest
// colour wins.
class TLampShapeVexaRM : public QWidget, public ILampVexaRM {
    Q_OBJECT
public:
    explicit TLampShapeVexaRM(QWidget *parent = nullptr);

    void SetLampColor(uint32_t color) override;
    uint32_t LampColor() const { return FLampColor.load(); }

    QSize sizeHint() const override { return QSize(13, 13); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    std::atomic<uint32_t> FLampColor{0x0000FF}; // red until the first status
};

} // namespace vexa
