#include "ModeDisplayVexaRM.h"

#include "model/VirtualScopeVexaRM.h"

#include "common/ScopeConstsVexaRM.h"

namespace vexa {

TModeDisplayVexaRM::TModeDisplayVexaRM(QObject *parent) : QObject(parent) {}

TModeDisplayVexaRM::~TModeDisplayVexaRM() {
    FHooks.ClearAll();
}

void TModeDisplayVexaRM::Hook(HookedWidget slot, QPointer<TOnOffButtonVexa> &ref,
                              TOnOffButtonVexa *w) {
    FHooks.BindClicked(slot, ref, w, this, [this](QObject *b) { Click(b); });
}

void TModeDisplayVexaRM::SetGridScroll(QScrollBar *w) {
    FGridScroll = w;
    if (!w) {
        FHooks.Clear(kScroll);
        return;
    }
    // Every movement of the bar counts, while dragging too, and so does the
    // end of a drag.
    FHooks.Replace(kScroll, {connect(w, &QAbstractSlider::valueChanged, this,
                                     [this](int position) { Scroll(position); }),
                             connect(w, &QAbstractSlider::sliderReleased, this,
                                     [this, w] { Scroll(w->value()); })});
}

void TModeDisplayVexaRM::Click(QObject *sender) {
    auto *scope = VirtualScope();
    if (!scope) return;
    int32_t kind = kNotifySettingsChanged;
    if (sender == FBeamFinder) {
        scope->SetModeBF(!scope->ModeBF());
    } else if (sender == FLineModeDisplay) {
        scope->SetModeLine(!scope->ModeLine());
    } else if (sender == FEKGModeDisplay) {
        scope->SetModeEKG(true);
        kind = kNotifyEkgModeSelected;
    } else if (sender == FRollModeDisplay) {
        scope->SetModeEKG(false);
        kind = kNotifyRollModeSelected;
    } else if (sender == FDisplayButton) {
        scope->SetDisplayActive(!scope->DisplayActive());
    } else if (sender == FGridButton) {
        scope->SetGrid(!scope->Grid());
    }
    scope->Notify(kind, ControlGroup());
}

void TModeDisplayVexaRM::Scroll(int position) {
    auto *scope = VirtualScope();
    if (!scope || FUpdating) return;
    scope->SetGridBrightness(position);
    scope->Notify(kNotifyGridChanged, ControlGroup());
}

void TModeDisplayVexaRM::ScopeNotification(int32_t kind, const int32_t &senderGroup) {
    TWrapperComponentVexaRM::ScopeNotification(kind, senderGroup);
    switch (kind) {
    case kNotifyInitialized:
    case kNotifySettingsChanged:
    case kNotifyEkgModeSelected:
    case kNotifyRollModeSelected:
        UpdateControls();
        break;
    default:
        break;
    }
}

void TModeDisplayVexaRM::UpdateControls() {
    auto *scope = VirtualScope();
    if (!scope) return;
    if (FGridScroll) {
        FGridScroll->setEnabled(!scope->MeasurementStarted());
        FUpdating = true;
        FGridScroll->setValue(scope->GridBrightness());
        FUpdating = false;
    }
    if (FGridButton) FGridButton->SetDown(scope->Grid());
    if (FDisplayButton) FDisplayButton->SetDown(scope->DisplayActive());
    if (FBeamFinder) FBeamFinder->SetDown(scope->ModeBF());
    if (FLineModeDisplay) FLineModeDisplay->SetDown(scope->ModeLine());
    if (FEKGModeDisplay) FEKGModeDisplay->SetDown(scope->ModeEKG());
    if (FRollModeDisplay) FRollModeDisplay->SetDown(!scope->ModeEKG());
}

void TModeDisplayVexaRM::ApplyToolTips() {
    if (FBeamFinder) FBeamFinder->setToolTip(QStringLiteral("Beam finder"));
    if (FLineModeDisplay) FLineModeDisplay->setToolTip(QStringLiteral("Line mode"));
    if (FEKGModeDisplay) FEKGModeDisplay->setToolTip(QStringLiteral("Display like cardiogram"));
    if (FRollModeDisplay) FRollModeDisplay->setToolTip(QStringLiteral("Display rolling waveform"));
    if (FDisplayButton)
        FDisplayButton->setToolTip(QStringLiteral("Activate/Deactivate measurement displaying"));
    if (FGridButton) FGridButton->setToolTip(QStringLiteral("Grid On/Off"));
    if (FGridScroll) FGridScroll->setToolTip(QStringLiteral("Adjust grid brightness"));
}

} // namespace vexa
