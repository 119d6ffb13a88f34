#include "MeasurementRecordControlsVexaRM.h"

#include "model/ResourceStringsVexaRM.h"
#include "model/VirtualScopeVexaRM.h"

#include "common/ScopeConstsVexaRM.h"

#include <cmath>
#include <limits>

namespace vexa {

TMeasurementRecordControlsVexaRM::TMeasurementRecordControlsVexaRM(QObject *parent)
    : QObject(parent) {}

TMeasurementRecordControlsVexaRM::~TMeasurementRecordControlsVexaRM() {
    FHooks.ClearAll();
}

void TMeasurementRecordControlsVexaRM::Hook(HookedWidget slot, QPointer<TOnOffButtonVexa> &ref,
                                            TOnOffButtonVexa *w) {
    FHooks.BindClicked(slot, ref, w, this, [this](QObject *b) { Click(b); });
}

void TMeasurementRecordControlsVexaRM::SetRecordTimeLength(TLongerTimeEditVexaRM *w) {
    FRecordTimeLength = w;
    if (!w) {
        FHooks.Clear(kLength);
        return;
    }
    FHooks.Replace(kLength, {connect(w, &TLongerTimeEditVexaRM::KeyUp, this,
                                     [this](int key) { KeyUp(key); })});
}

void TMeasurementRecordControlsVexaRM::Click(QObject *sender) {
    auto *scope = VirtualScope();
    if (!scope) return;
    if (sender == FMeasurementStart && !scope->MeasurementStarted()) {
        // The model holds the rule; the external arm source takes no part.
        if (scope->ArmTriggerConflict()) {
            scope->AskOperator(DialogStyle::Warning, TResourceStringsVexaRM::ArmTriggerConflict,
                               kButtonOk);
        } else {
            scope->SetMeasurementStarted(true);
        }
    } else if (sender == FMeasurementStop && scope->MeasurementStarted()) {
        scope->SetMeasurementStarted(false);
    } else if (sender == FRecordDefined) {
        scope->SetMeasurementDefined(true);
    } else if (sender == FRecordContinuos) {
        scope->SetMeasurementDefined(false);
    } else if (sender == FRecordTriggered) {
        scope->SetRecordTriggered(!scope->RecordTriggered());
        scope->SetRecordFree(!scope->RecordTriggered());
    } else if (sender == FRecordFree) {
        scope->SetRecordFree(!scope->RecordFree());
        scope->SetRecordTriggered(!scope->RecordFree());
    }
    // The refresh also puts back the latched state of a Start or Stop that
    // changed nothing.
    scope->Notify(kNotifySettingsChanged, ControlGroup());
}

void TMeasurementRecordControlsVexaRM::KeyUp(int key) {
    auto *scope = VirtualScope();
    if (!scope || !FRecordTimeLength || !TFilteredEditVexa::IsEnterKey(key)) return;
    // The edit never yields a negative length; a length beyond the model's
    // 32-bit millisecond count is held at its largest value.
    const double ms = std::nearbyint(FRecordTimeLength->TimeValue());
    const double maxMs = double(std::numeric_limits<uint32_t>::max());
    uint32_t length = 0;
    if (ms >= maxMs)
        length = std::numeric_limits<uint32_t>::max();
    else if (ms > 0)
        length = uint32_t(ms);
    scope->SetMeasurementLength(length);
    scope->Notify(kNotifySettingsChanged, ControlGroup());
}

void TMeasurementRecordControlsVexaRM::ScopeNotification(int32_t kind, const int32_t &senderGroup) {
    TWrapperComponentVexaRM::ScopeNotification(kind, senderGroup);
    if (kind == kNotifyInitialized || kind == kNotifySettingsChanged) UpdateControls();
}

void TMeasurementRecordControlsVexaRM::UpdateControls() {
    auto *scope = VirtualScope();
    if (!scope) return;
    const bool started = scope->MeasurementStarted();
    const bool defined = scope->MeasurementDefined();
    if (FMeasurementStart) FMeasurementStart->SetDown(started);
    // Stop behaves as a momentary button.
    if (FMeasurementStop) FMeasurementStop->SetDown(false);
    if (FRecordDefined) FRecordDefined->SetDown(defined);
    if (FRecordContinuos) FRecordContinuos->SetDown(!defined);
    if (FRecordTimeLength) {
        FRecordTimeLength->setEnabled(defined && !started);
        FRecordTimeLength->SetTimeValue(double(scope->MeasurementLength()));
    }
    if (FRecordFree) FRecordFree->SetDown(scope->RecordFree());
    if (FRecordTriggered) FRecordTriggered->SetDown(scope->RecordTriggered());
}

void TMeasurementRecordControlsVexaRM::ApplyToolTips() {
    if (FMeasurementStart) FMeasurementStart->setToolTip(QStringLiteral("Start measurement"));
    if (FMeasurementStop) FMeasurementStop->setToolTip(QStringLiteral("Stop measurement"));
    if (FRecordTriggered) FRecordTriggered->setToolTip(QStringLiteral("Mode triggered"));
    if (FRecordFree) FRecordFree->setToolTip(QStringLiteral("Mode free"));
    if (FRecordDefined) FRecordDefined->setToolTip(QStringLiteral("Mode defined length"));
    if (FRecordContinuos) FRecordContinuos->setToolTip(QStringLiteral("Mode continuos"));
    if (FRecordTimeLength) FRecordTimeLength->setToolTip(QStringLiteral("Length:"));
}

} // namespace vexa
