#include "ChannelControlsVexaRM.h"

#include "model/VirtualScopeVexaRM.h"

#include "common/ScopeConstsVexaRM.h"

namespace vexa {

TChannelControlsVexaRM::TChannelControlsVexaRM(QObject *parent) : QObject(parent) {}

TChannelControlsVexaRM::~TChannelControlsVexaRM() {
    FHooks.ClearAll();
}

void TChannelControlsVexaRM::Hook(HookedWidget slot, QPointer<TOnOffButtonVexa> &ref,
                                  TOnOffButtonVexa *w) {
    FHooks.BindClicked(slot, ref, w, this, [this](QObject *b) { Click(b); });
}

void TChannelControlsVexaRM::Click(QObject *sender) {
    auto *scope = VirtualScope();
    if (!scope) return;
    if (sender == FChannelButtonA)
        scope->SetStatusChannelA(!scope->StatusChannelA());
    else if (sender == FChannelButtonB)
        scope->SetStatusChannelB(!scope->StatusChannelB());
    else
        return;
    scope->Notify(kNotifySettingsChanged, ControlGroup());
}

void TChannelControlsVexaRM::ScopeNotification(int32_t kind, const int32_t &senderGroup) {
    TWrapperComponentVexaRM::ScopeNotification(kind, senderGroup);
    if (kind == kNotifyInitialized || kind == kNotifySettingsChanged) UpdateControls();
}

void TChannelControlsVexaRM::UpdateControls() {
    auto *scope = VirtualScope();
    if (!scope) return;
    if (FChannelButtonA) FChannelButtonA->SetDown(scope->StatusChannelA());
    if (FChannelButtonB) FChannelButtonB->SetDown(scope->StatusChannelB());
}

void TChannelControlsVexaRM::ApplyToolTips() {
    if (FChannelButtonA)
        FChannelButtonA->setToolTip(QStringLiteral("Activate/deactivate channel A"));
    if (FChannelButtonB)
        FChannelButtonB->setToolTip(QStringLiteral("Activate/deactivate channel B"));
}

} // namespace vexa
