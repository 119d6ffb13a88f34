#include "ArmControlsVexaRM.h"

#include "BinderSupportVexaRM.h"
#include "model/VirtualScopeVexaRM.h"

#include "common/ScopeConstsVexaRM.h"

namespace vexa {

TArmControlsVexaRM::TArmControlsVexaRM(QObject *parent) : QObject(parent) {}

TArmControlsVexaRM::~TArmControlsVexaRM() {
    FHooks.ClearAll();
}

void TArmControlsVexaRM::HookClick(HookedWidget slot, QAbstractButton *w) {
    if (!w) {
        FHooks.Clear(slot);
        return;
    }
    FHooks.Replace(slot, {connect(w, &QAbstractButton::clicked, this, [this, w] { Click(w); })});
}

void TArmControlsVexaRM::HookEdit(HookedWidget slot, TVoltageValueEditVexa *w) {
    if (!w) {
        FHooks.Clear(slot);
        return;
    }
    FHooks.Replace(slot, {connect(w, &TVoltageValueEditVexa::KeyUp, this,
                                  [this, w](int key) { KeyUp(w, key); })});
}

void TArmControlsVexaRM::Click(QObject *sender) {
    auto *scope = VirtualScope();
    if (!scope) return;
    if (sender == FTrigUnderOverA)
        scope->SetARMUnderA(!scope->ARMUnderA());
    else if (sender == FTrigUnderOverB)
        scope->SetARMUnderB(!scope->ARMUnderB());
    else if (sender == FTrigUnderOverExternal)
        scope->SetARMUnderExternal(!scope->ARMUnderExternal());
    else if (sender == FArmSourceA)
        scope->SetARMSourceA(!scope->ARMSourceA());
    else if (sender == FArmSourceB)
        scope->SetARMSourceB(!scope->ARMSourceB());
    else if (sender == FExternalSource)
        scope->SetARMSourceExternal(!scope->ARMSourceExternal());
    scope->Notify(kNotifySettingsChanged, ControlGroup());
}

void TArmControlsVexaRM::KeyUp(QObject *sender, int key) {
    auto *scope = VirtualScope();
    if (!scope || !TFilteredEditVexa::IsEnterKey(key)) return;
    if (sender == FArmLevelEditA)
        scope->SetARMLevelA(FArmLevelEditA->Voltage());
    else if (sender == FArmLevelEditB)
        scope->SetARMLevelB(FArmLevelEditB->Voltage());
    scope->Notify(kNotifySettingsChanged, ControlGroup());
}

void TArmControlsVexaRM::ScopeNotification(int32_t kind, const int32_t &senderGroup) {
    TWrapperComponentVexaRM::ScopeNotification(kind, senderGroup);
    if (kind == kNotifyInitialized || kind == kNotifySettingsChanged) UpdateControls();
}

// Nothing here is disabled while a measurement runs.
void TArmControlsVexaRM::UpdateControls() {
    auto *scope = VirtualScope();
    if (!scope) return;
    if (FArmLevelEditA) FArmLevelEditA->SetVoltage(scope->ARMLevelA());
    if (FArmLevelEditB) FArmLevelEditB->SetVoltage(scope->ARMLevelB());
    if (FArmSourceA) FArmSourceA->SetDown(scope->ARMSourceA());
    if (FArmSourceB) FArmSourceB->SetDown(scope->ARMSourceB());
    if (FExternalSource) FExternalSource->SetDown(scope->ARMSourceExternal());
    if (FTrigUnderOverA)
        FTrigUnderOverA->setText(scope->ARMUnderA() ? QStringLiteral("<") : QStringLiteral(">"));
    if (FTrigUnderOverB)
        FTrigUnderOverB->setText(scope->ARMUnderB() ? QStringLiteral("<") : QStringLiteral(">"));
    if (FTrigUnderOverExternal)
        FTrigUnderOverExternal->setText(scope->ARMUnderExternal() ? QStringLiteral("0")
                                                                  : QStringLiteral("1"));
}

} // namespace vexa
