// Binds the coupling, probe and ground buttons of both channels.
#pragma once

#include "ChannelIndicationButtonVexa.h"
#include "EventHooksVexaRM.h"
#include "model/WrapperComponentVexaRM.h"

#include <QObject>
#include <QPointer>

namespace vexa {

class TSourceControlsVexaRM : public QObject, public TWrapperComponentVexaRM {
    Q_OBJECT
public:
    explicit TSourceControlsVexaRM(QObject *parent = nullptr);
    ~TSourceControlsVexaRM() override;

    TChannelIndicationButtonVexa *ACDCButtonA() const { return FACDCButtonA; }
    void SetACDCButtonA(TChannelIndicationButtonVexa *w) { Hook(kAcdcA, FACDCButtonA, w); }
    TChannelIndicationButtonVexa *ACDCButtonB() const { return FACDCButtonB; }
    void SetACDCButtonB(TChannelIndicationButtonVexa *w) { Hook(kAcdcB, FACDCButtonB, w); }
    TChannelIndicationButtonVexa *ProbeButtonA() const { return FProbeButtonA; }
    void SetProbeButtonA(TChannelIndicationButtonVexa *w) { Hook(kProbeA, FProbeButtonA, w); }
    TChannelIndicationButtonVexa *ProbeButtonB() const { return FProbeButtonB; }
    void SetProbeButtonB(TChannelIndicationButtonVexa *w) { Hook(kProbeB, FProbeButtonB, w); }
    TChannelIndicationButtonVexa *GroundA() const { return FGroundA; }
    void SetGroundA(TChannelIndicationButtonVexa *w) { Hook(kGroundA, FGroundA, w); }
    TChannelIndicationButtonVexa *GroundB() const { return FGroundB; }
    void SetGroundB(TChannelIndicationButtonVexa *w) { Hook(kGroundB, FGroundB, w); }

    void ScopeNotification(int32_t kind, const int32_t &senderGroup) override;
    void UpdateControls() override;
    void ApplyToolTips();

private:
    enum HookedWidget { kAcdcA, kAcdcB, kProbeA, kProbeB, kGroundA, kGroundB };
    void Hook(HookedWidget slot, QPointer<TChannelIndicationButtonVexa> &ref,
              TChannelIndicationButtonVexa *w);
    void Click(QObject *sender);

    QPointer<TChannelIndicationButtonVexa> FACDCButtonA, FACDCButtonB;
    QPointer<TChannelIndicationButtonVexa> FProbeButtonA, FProbeButtonB;
    QPointer<TChannelIndicationButtonVexa> FGroundA, FGroundB;
    TEventHooksVexaRM FHooks;
};

} // namespace vexa
