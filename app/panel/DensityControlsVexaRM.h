// Binds the range (deflection factor) buttons of both channels.
#pragma once

#include "ChannelIndicationButtonVexa.h"
#include "EventHooksVexaRM.h"
#include "model/WrapperComponentVexaRM.h"

#include <QObject>
#include <QPointer>

namespace vexa {

class TDensityControlsVexaRM : public QObject, public TWrapperComponentVexaRM {
    Q_OBJECT
public:
    explicit TDensityControlsVexaRM(QObject *parent = nullptr);
    ~TDensityControlsVexaRM() override;

    TChannelIndicationButtonVexa *DensityUpButtonA() const { return FDensityUpButtonA; }
    void SetDensityUpButtonA(TChannelIndicationButtonVexa *w) { Hook(kUpA, FDensityUpButtonA, w); }
    TChannelIndicationButtonVexa *DensityUpButtonB() const { return FDensityUpButtonB; }
    void SetDensityUpButtonB(TChannelIndicationButtonVexa *w) { Hook(kUpB, FDensityUpButtonB, w); }
    TChannelIndicationButtonVexa *DensityDownButtonA() const { return FDensityDownButtonA; }
    void SetDensityDownButtonA(TChannelIndicationButtonVexa *w) {
        Hook(kDownA, FDensityDownButtonA, w);
    }
    TChannelIndicationButtonVexa *DensityDownButtonB() const { return FDensityDownButtonB; }
    void SetDensityDownButtonB(TChannelIndicationButtonVexa *w) {
        Hook(kDownB, FDensityDownButtonB, w);
    }

    void ScopeNotification(int32_t kind, const int32_t &senderGroup) override;
    void UpdateControls() override;
    void ApplyToolTips();

private:
    enum HookedWidget { kUpA, kUpB, kDownA, kDownB };
    void Hook(HookedWidget slot, QPointer<TChannelIndicationButtonVexa> &ref,
              TChannelIndicationButtonVexa *w);
    void Click(QObject *sender);

    QPointer<TChannelIndicationButtonVexa> FDensityUpButtonA, FDensityUpButtonB;
    QPointer<TChannelIndicationButtonVexa> FDensityDownButtonA, FDensityDownButtonB;
    TEventHooksVexaRM FHooks;
};

} // namespace vexa
