#include "DensityControlsVexaRM.h"

#include "ChannelIndicationButtonVexa.h"
#include "model/VirtualScopeVexaRM.h"

#include "common/ScopeConstsVexaRM.h"

namespace vexa {

TDensityControlsVexaRM::TDensityControlsVexaRM(QObject *parent) : QObject(parent) {}

TDensityControlsVexaRM::~TDensityControlsVexaRM() {
    FHooks.ClearAll();
}

void TDensityControlsVexaRM::Hook(HookedWidget slot, QPointer<TChannelIndicationButtonVexa> &ref,
                                  TChannelIndicationButtonVexa *w) {
    FHooks.BindClicked(slot, ref, w, this, [this](QObject *b) { Click(b); });
}

void TDensityControlsVexaRM::Click(QObject *sender) {
    auto *scope = VirtualScope();
    if (!scope) return;
    // The model clamps the range index to 1..9.
    if (sender == FDensityUpButtonA)
        scope->SetDensityChannelA(int32_t(scope->DensityChannelA()) + 1);
    else if (sender == FDensityUpButtonB)
        scope->SetDensityChannelB(int32_t(scope->DensityChannelB()) + 1);
    else if (sender == FDensityDownButtonA)
        scope->SetDensityChannelA(int32_t(scope->DensityChannelA()) - 1);
    else if (sender == FDensityDownButtonB)
        scope->SetDensityChannelB(int32_t(scope->DensityChannelB()) - 1);
    scope->Notify(kNotifySettingsChanged, ControlGroup());
}

void TDensityControlsVexaRM::ScopeNotification(int32_t kind, const int32_t &senderGroup) {
    TWrapperComponentVexaRM::ScopeNotification(kind, senderGroup);
    if (kind == kNotifyInitialized || kind == kNotifySettingsChanged) UpdateControls();
}

void TDensityControlsVexaRM::UpdateControls() {
    auto *scope = VirtualScope();
    if (!scope) return;
    for (auto *w : {FDensityUpButtonA.data(), FDensityDownButtonA.data()})
        if (w) w->SetChannelColor(scope->ColorChannelA());
    for (auto *w : {FDensityUpButtonB.data(), FDensityDownButtonB.data()})
        if (w) w->SetChannelColor(scope->ColorChannelB());
}

void TDensityControlsVexaRM::ApplyToolTips() {
    if (FDensityUpButtonA)
        FDensityUpButtonA->setToolTip(QStringLiteral("Increase channel A deflection factor"));
    if (FDensityUpButtonB)
        FDensityUpButtonB->setToolTip(QStringLiteral("Increase channel B deflection factor"));
    if (FDensityDownButtonA)
        FDensityDownButtonA->setToolTip(QStringLiteral("Decrease channel A deflection factor"));
    if (FDensityDownButtonB)
        FDensityDownButtonB->setToolTip(QStringLiteral("Decrease channel B deflection factor"));
}

} // namespace vexa
