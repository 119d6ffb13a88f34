#include "SweepControlsVexaRM.h"

#include "model/VirtualScopeVexaRM.h"

#include "common/ScopeConstsVexaRM.h"

namespace vexa {

TSweepControlsVexaRM::TSweepControlsVexaRM(QObject *parent) : QObject(parent) {}

TSweepControlsVexaRM::~TSweepControlsVexaRM() {
    FHooks.ClearAll();
}

void TSweepControlsVexaRM::Hook(HookedWidget slot, QPointer<TOnOffButtonVexa> &ref,
                                TOnOffButtonVexa *w) {
    FHooks.BindClicked(slot, ref, w, this, [this](QObject *b) { Click(b); });
}

void TSweepControlsVexaRM::Click(QObject *sender) {
    auto *scope = VirtualScope();
    if (!scope) return;
    if (sender == FClearScreenButton) {
        FClearScreenButton->SetDown(false);
        scope->SetClearScreenRequested(true);
    } else if (sender == FMakeMinimumButton) {
        scope->SetMakeMinimum(!scope->MakeMinimum());
        scope->SetMakeAvg(false);
    } else if (sender == FMakeMaximumButton) {
        scope->SetMakeMaximum(!scope->MakeMaximum());
        scope->SetMakeAvg(false);
    } else if (sender == FMakeAvgButton) {
        scope->SetMakeAvg(true);
        scope->SetMakeMaximum(false);
        scope->SetMakeMinimum(false);
    } else if (sender == FSingleButton) {
        scope->SetSingleMode(true);
    } else if (sender == FCalcButton) {
        scope->SetSingleMode(false);
    }
    // The displays always draw at least one of the three.
    if (!scope->MakeAvg() && !scope->MakeMaximum() && !scope->MakeMinimum())
        scope->SetMakeAvg(true);
    scope->Notify(kNotifySettingsChanged, ControlGroup());
}

void TSweepControlsVexaRM::ScopeNotification(int32_t kind, const int32_t &senderGroup) {
    TWrapperComponentVexaRM::ScopeNotification(kind, senderGroup);
    if (kind == kNotifyInitialized || kind == kNotifySettingsChanged) UpdateControls();
}

void TSweepControlsVexaRM::UpdateControls() {
    auto *scope = VirtualScope();
    if (!scope) return;
    const bool calc = !scope->SingleMode();
    if (FMakeMinimumButton) {
        FMakeMinimumButton->SetDown(scope->MakeMinimum());
        FMakeMinimumButton->setEnabled(calc);
    }
    if (FMakeMaximumButton) {
        FMakeMaximumButton->SetDown(scope->MakeMaximum());
        FMakeMaximumButton->setEnabled(calc);
    }
    if (FMakeAvgButton) {
        FMakeAvgButton->SetDown(scope->MakeAvg());
        FMakeAvgButton->setEnabled(calc);
    }
    if (FSingleButton) FSingleButton->SetDown(scope->SingleMode());
    if (FCalcButton) FCalcButton->SetDown(calc);
}

void TSweepControlsVexaRM::ApplyToolTips() {
    if (FMakeMinimumButton) FMakeMinimumButton->setToolTip(QStringLiteral("Display minimums"));
    if (FMakeMaximumButton) FMakeMaximumButton->setToolTip(QStringLiteral("Display maximums"));
    if (FMakeAvgButton) FMakeAvgButton->setToolTip(QStringLiteral("Display averages"));
    if (FSingleButton) FSingleButton->setToolTip(QStringLiteral("Display real sample value"));
    if (FCalcButton) FCalcButton->setToolTip(QStringLiteral("Calculate max/min/avg"));
    if (FClearScreenButton) FClearScreenButton->setToolTip(QStringLiteral("Clear screen"));
}

} // namespace vexa
