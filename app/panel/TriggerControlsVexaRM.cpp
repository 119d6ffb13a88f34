#include "TriggerControlsVexaRM.h"

#include "BinderSupportVexaRM.h"
#include "model/VirtualScopeVexaRM.h"

#include "common/ScopeConstsVexaRM.h"

namespace vexa {

TTriggerControlsVexaRM::TTriggerControlsVexaRM(QObject *parent) : QObject(parent) {}

TTriggerControlsVexaRM::~TTriggerControlsVexaRM() {
    FHooks.ClearAll();
}

void TTriggerControlsVexaRM::HookClick(HookedWidget slot, QAbstractButton *w) {
    if (!w) {
        FHooks.Clear(slot);
        return;
    }
    FHooks.Replace(slot, {connect(w, &QAbstractButton::clicked, this, [this, w] { Click(w); })});
}

void TTriggerControlsVexaRM::HookEdit(HookedWidget slot, QPointer<TVoltageValueEditVexa> &ref,
                                      TVoltageValueEditVexa *w) {
    ref = w;
    if (!w) {
        FHooks.Clear(slot);
        return;
    }
    FHooks.Replace(slot, {connect(w, &TVoltageValueEditVexa::KeyUp, this,
                                  [this, w](int key) { KeyUp(w, key); })});
}

void TTriggerControlsVexaRM::Click(QObject *sender) {
    auto *scope = VirtualScope();
    if (!scope) return;
    if (sender == FTrigUnderOverA)
        scope->SetTriggerUnderA(!scope->TriggerUnderA());
    else if (sender == FTrigUnderOverB)
        scope->SetTriggerUnderB(!scope->TriggerUnderB());
    else if (sender == FTriggerSourceA)
        scope->SetTriggerSourceA(!scope->TriggerSourceA());
    else if (sender == FTriggerSourceB)
        scope->SetTriggerSourceB(!scope->TriggerSourceB());
    else if (sender == FTrigRelation)
        scope->SetTriggerRelation(!scope->TriggerRelation());
    scope->Notify(kNotifySettingsChanged, ControlGroup());
}

// The edit has parsed its text before the key reaches the binder; a failed
// entry kept the previous value, which is applied again, and the refresh
// rewrites the text from the model.
void TTriggerControlsVexaRM::KeyUp(QObject *sender, int key) {
    auto *scope = VirtualScope();
    if (!scope || !TFilteredEditVexa::IsEnterKey(key)) return;
    if (sender == FTriggerLevelEditA)
        scope->SetTriggerLevelA(FTriggerLevelEditA->Voltage());
    else if (sender == FTriggerLevelEditB)
        scope->SetTriggerLevelB(FTriggerLevelEditB->Voltage());
    scope->Notify(kNotifySettingsChanged, ControlGroup());
}

void TTriggerControlsVexaRM::ScopeNotification(int32_t kind, const int32_t &senderGroup) {
    TWrapperComponentVexaRM::ScopeNotification(kind, senderGroup);
    if (kind == kNotifyInitialized || kind == kNotifySettingsChanged) UpdateControls();
}

void TTriggerControlsVexaRM::UpdateControls() {
    auto *scope = VirtualScope();
    if (!scope) return;
    const bool idle = !scope->MeasurementStarted();
    if (FTriggerLevelEditA) {
        FTriggerLevelEditA->SetVoltage(scope->TriggerLevelA());
        FTriggerLevelEditA->setEnabled(idle);
    }
    if (FTriggerLevelEditB) {
        FTriggerLevelEditB->SetVoltage(scope->TriggerLevelB());
        FTriggerLevelEditB->setEnabled(idle);
    }
    if (FTriggerSourceA) {
        FTriggerSourceA->SetDown(scope->TriggerSourceA());
        FTriggerSourceA->setEnabled(idle);
    }
    if (FTriggerSourceB) {
        FTriggerSourceB->SetDown(scope->TriggerSourceB());
        FTriggerSourceB->setEnabled(idle);
    }
    if (FTrigUnderOverA) {
        FTrigUnderOverA->setText(scope->TriggerUnderA() ? QStringLiteral("<")
                                                        : QStringLiteral(">"));
        FTrigUnderOverA->setEnabled(idle);
    }
    if (FTrigUnderOverB) {
        FTrigUnderOverB->setText(scope->TriggerUnderB() ? QStringLiteral("<")
                                                        : QStringLiteral(">"));
        FTrigUnderOverB->setEnabled(idle);
    }
    if (FTrigRelation) {
        FTrigRelation->setEnabled(scope->TriggerSourceA() && scope->TriggerSourceB() && idle);
        FTrigRelation->setText(scope->TriggerRelation() ? QStringLiteral("AND")
                                                        : QStringLiteral("OR"));
    }
}

void TTriggerControlsVexaRM::ApplyToolTips() {
    if (FTriggerSourceA) FTriggerSourceA->setToolTip(QStringLiteral("Trigger source channel A"));
    if (FTriggerSourceB) FTriggerSourceB->setToolTip(QStringLiteral("Trigger source channel B"));
    // Each names its channel, so that colour is not the only cue.
    if (FTrigUnderOverA) FTrigUnderOverA->setToolTip(QStringLiteral("Under/Over select channel A"));
    if (FTrigUnderOverB) FTrigUnderOverB->setToolTip(QStringLiteral("Under/Over select channel B"));
    if (FTriggerLevelEditA)
        FTriggerLevelEditA->setToolTip(QStringLiteral("Trigger threshold channel A"));
    if (FTriggerLevelEditB)
        FTriggerLevelEditB->setToolTip(QStringLiteral("Trigger threshold channel B"));
}

} // namespace vexa
