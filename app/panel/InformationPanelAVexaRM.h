// The information panel of channel A.
#pragma once

#include "InformationPanelVexaRM.h"

namespace vexa {

class TInformationPanelAVexaRM : public TInformationPanelVexaRM {
    Q_OBJECT
public:
    explicit TInformationPanelAVexaRM(QObject *parent = nullptr);

    QLabel *ChannelA() const { return FChannelLabel; }
    void SetChannelA(QLabel *w) { FChannelLabel = w; }
    QLabel *AcdcA() const { return FAcdc; }
    void SetAcdcA(QLabel *w) { FAcdc = w; }
    QLabel *ProbeA() const { return FProbe; }
    void SetProbeA(QLabel *w) { FProbe = w; }
    TUnitValueLabel *DensityA() const { return FDensity; }
    void SetDensityA(TUnitValueLabel *w) { FDensity = w; }
    TUnitValueLabel *TriggerLevelVoltageA() const { return FTriggerLevelVoltage; }
    void SetTriggerLevelVoltageA(TUnitValueLabel *w) { FTriggerLevelVoltage = w; }
    QWidget *ChannelColorA() const { return FChannelColor; }
    void SetChannelColorA(QWidget *w) { FChannelColor = w; }
    QLabel *IconA() const { return FIcon; }
    void SetIconA(QLabel *w) { FIcon = w; }
    QLabel *ArrowsA() const { return FArrows; }
    void SetArrowsA(QLabel *w) { FArrows = w; }
    QLabel *CursorAbsoluteA() const { return FCursorAbsolute; }
    void SetCursorAbsoluteA(QLabel *w) { FCursorAbsolute = w; }
    QLabel *CursorRelativeA() const { return FCursorRelative; }
    void SetCursorRelativeA(QLabel *w) { FCursorRelative = w; }
    QGroupBox *FrameCanvasA() const { return FFrameCanvas; }
    void SetFrameCanvasA(QGroupBox *w) { FFrameCanvas = w; }
};

} // namespace vexa
