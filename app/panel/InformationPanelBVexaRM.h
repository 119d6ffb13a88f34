// The information panel of channel B.
#pragma once

#include "InformationPanelVexaRM.h"

namespace vexa {

class TInformationPanelBVexaRM : public TInformationPanelVexaRM {
    Q_OBJECT
public:
    explicit TInformationPanelBVexaRM(QObject *parent = nullptr);

    QLabel *ChannelB() const { return FChannelLabel; }
    void SetChannelB(QLabel *w) { FChannelLabel = w; }
    QLabel *AcdcB() const { return FAcdc; }
    void SetAcdcB(QLabel *w) { FAcdc = w; }
    QLabel *ProbeB() const { return FProbe; }
    void SetProbeB(QLabel *w) { FProbe = w; }
    TUnitValueLabel *DensityB() const { return FDensity; }
    void SetDensityB(TUnitValueLabel *w) { FDensity = w; }
    TUnitValueLabel *TriggerLevelVoltageB() const { return FTriggerLevelVoltage; }
    void SetTriggerLevelVoltageB(TUnitValueLabel *w) { FTriggerLevelVoltage = w; }
    QWidget *ChannelColorB() const { return FChannelColor; }
    void SetChannelColorB(QWidget *w) { FChannelColor = w; }
    QLabel *IconB() const { return FIcon; }
    void SetIconB(QLabel *w) { FIcon = w; }
    QLabel *ArrowsB() const { return FArrows; }
    void SetArrowsB(QLabel *w) { FArrows = w; }
    QLabel *CursorAbsoluteB() const { return FCursorAbsolute; }
    void SetCursorAbsoluteB(QLabel *w) { FCursorAbsolute = w; }
    QLabel *CursorRelativeB() const { return FCursorRelative; }
    void SetCursorRelativeB(QLabel *w) { FCursorRelative = w; }
    QGroupBox *FrameCanvasB() const { return FFrameCanvas; }
    void SetFrameCanvasB(QGroupBox *w) { FFrameCanvas = w; }
};

} // namespace vexa
