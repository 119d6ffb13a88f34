#include "SourceControlsVexaRM.h"

#include "BinderSupportVexaRM.h"
#include "ChannelIndicationButtonVexa.h"
#include "model/VirtualScopeVexaRM.h"

#include "common/ScopeConstsVexaRM.h"

namespace vexa {

TSourceControlsVexaRM::TSourceControlsVexaRM(QObject *parent) : QObject(parent) {}

TSourceControlsVexaRM::~TSourceControlsVexaRM() {
    FHooks.ClearAll();
}

void TSourceControlsVexaRM::Hook(HookedWidget slot, QPointer<TChannelIndicationButtonVexa> &ref,
                                 TChannelIndicationButtonVexa *w) {
    FHooks.BindClicked(slot, ref, w, this, [this](QObject *b) { Click(b); });
}

// The next probe code of the cycle 1:1, 1:10, 1:100, 1:1000, 1:1.
static int32_t NextProbe(int32_t probe) {
    const int32_t next = probe + 1;
    return next > kProbeMax ? kProbeMin : next;
}

void TSourceControlsVexaRM::Click(QObject *sender) {
    auto *scope = VirtualScope();
    if (!scope) return;
    if (sender == FACDCButtonA)
        scope->SetSourceACDC_A(!scope->SourceACDC_A());
    else if (sender == FACDCButtonB)
        scope->SetSourceACDC_B(!scope->SourceACDC_B());
    else if (sender == FProbeButtonA)
        scope->SetSourceProbeA(NextProbe(scope->SourceProbeA()));
    else if (sender == FProbeButtonB)
        scope->SetSourceProbeB(NextProbe(scope->SourceProbeB()));
    else if (sender == FGroundA)
        scope->SetGroundA(FGroundA->Down());
    else if (sender == FGroundB)
        scope->SetGroundB(FGroundB->Down());
    scope->Notify(kNotifySettingsChanged, ControlGroup());
}

void TSourceControlsVexaRM::ScopeNotification(int32_t kind, const int32_t &senderGroup) {
    TWrapperComponentVexaRM::ScopeNotification(kind, senderGroup);
    if (kind == kNotifyInitialized || kind == kNotifySettingsChanged) UpdateControls();
}

void TSourceControlsVexaRM::UpdateControls() {
    auto *scope = VirtualScope();
    if (!scope) return;
    for (auto *w : {FACDCButtonA.data(), FProbeButtonA.data(), FGroundA.data()})
        if (w) w->SetChannelColor(scope->ColorChannelA());
    for (auto *w : {FACDCButtonB.data(), FProbeButtonB.data(), FGroundB.data()})
        if (w) w->SetChannelColor(scope->ColorChannelB());
    if (FProbeButtonA) FProbeButtonA->SetCaption(ToQString(scope->ProbeText(kChannelA)));
    if (FProbeButtonB) FProbeButtonB->SetCaption(ToQString(scope->ProbeText(kChannelB)));
    // Latched means DC.
    if (FACDCButtonA) FACDCButtonA->SetDown(scope->SourceACDC_A());
    if (FACDCButtonB) FACDCButtonB->SetDown(scope->SourceACDC_B());
    // The ground buttons follow the model too, so that a grounded input
    // loaded from the settings file does not show as live.
    if (FGroundA) FGroundA->SetDown(scope->GroundA());
    if (FGroundB) FGroundB->SetDown(scope->GroundB());
}

void TSourceControlsVexaRM::ApplyToolTips() {
    if (FACDCButtonA) FACDCButtonA->setToolTip(QStringLiteral("AC/DC switch channel A"));
    if (FACDCButtonB) FACDCButtonB->setToolTip(QStringLiteral("AC/DC switch channel B"));
    if (FProbeButtonA) FProbeButtonA->setToolTip(QStringLiteral("Probe type channel A"));
    if (FProbeButtonB) FProbeButtonB->setToolTip(QStringLiteral("Probe type channel B"));
    if (FGroundA) FGroundA->setToolTip(QStringLiteral("Ground channel A"));
    if (FGroundB) FGroundB->setToolTip(QStringLiteral("Ground channel B"));
}

} // namespace vexa
