// The information panel of one channel: probe, range, coupling, trigger
// level and colour. The panels of channel A and B derive from it and give
// its references their channel's names.
#pragma once

#include "UnitValueLabel.h"
#include "model/WrapperComponentVexaRM.h"

#include <QGroupBox>
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <cstdint>

namespace vexa {

class TInformationPanelVexaRM : public QObject, public TWrapperComponentVexaRM {
    Q_OBJECT
public:
    // channel: 100 for channel A, 200 for channel B.
    TInformationPanelVexaRM(int32_t channel, QObject *parent);

    int32_t Channel() const { return FChannel; }

    void ScopeNotification(int32_t kind, const int32_t &senderGroup) override;
    void UpdateControls() override;

protected:
    // The panel has no events; the references are plain.
    QPointer<QLabel> FChannelLabel, FAcdc, FProbe;
    QPointer<TUnitValueLabel> FDensity, FTriggerLevelVoltage;
    QPointer<QWidget> FChannelColor;
    QPointer<QLabel> FIcon, FArrows, FCursorAbsolute, FCursorRelative;
    QPointer<QGroupBox> FFrameCanvas;

private:
    int32_t FChannel;
};

} // namespace vexa
