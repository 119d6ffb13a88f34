// Binds the on/off buttons of both channels.
#pragma once

#include "EventHooksVexaRM.h"
#include "OnOffButtonVexa.h"
#include "model/WrapperComponentVexaRM.h"

#include <QObject>
#include <QPointer>

namespace vexa {

class TChannelControlsVexaRM : public QObject, public TWrapperComponentVexaRM {
    Q_OBJECT
public:
    explicit TChannelControlsVexaRM(QObject *parent = nullptr);
    ~TChannelControlsVexaRM() override;

    TOnOffButtonVexa *ChannelButtonA() const { return FChannelButtonA; }
    void SetChannelButtonA(TOnOffButtonVexa *w) { Hook(kA, FChannelButtonA, w); }
    TOnOffButtonVexa *ChannelButtonB() const { return FChannelButtonB; }
    void SetChannelButtonB(TOnOffButtonVexa *w) { Hook(kB, FChannelButtonB, w); }

    void ScopeNotification(int32_t kind, const int32_t &senderGroup) override;
    void UpdateControls() override;
    void ApplyToolTips();

private:
    enum HookedWidget { kA, kB };
    void Hook(HookedWidget slot, QPointer<TOnOffButtonVexa> &ref, TOnOffButtonVexa *w);
    void Click(QObject *sender);

    QPointer<TOnOffButtonVexa> FChannelButtonA, FChannelButtonB;
    TEventHooksVexaRM FHooks;
};

} // namespace vexa
