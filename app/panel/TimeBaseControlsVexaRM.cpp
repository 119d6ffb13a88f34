#include "TimeBaseControlsVexaRM.h"

#include "model/VirtualScopeVexaRM.h"

#include "common/ScopeConstsVexaRM.h"

#include <algorithm>

namespace vexa {

TTimeBaseControlsVexaRM::TTimeBaseControlsVexaRM(QObject *parent) : QObject(parent) {}

TTimeBaseControlsVexaRM::~TTimeBaseControlsVexaRM() {
    FHooks.ClearAll();
}

double TTimeBaseControlsVexaRM::SamplingRate(int32_t smpSetting) {
    return double(kSamplingRates[std::clamp<int32_t>(smpSetting, 0, kSmpSettingCount - 1)]);
}

double TTimeBaseControlsVexaRM::DisplayRate(int32_t dspSetting) {
    return kSecondsPerDivision[std::clamp<int32_t>(dspSetting, 0, kDspSettingCount - 1)];
}

// Only the end of a scroll is acted on: a step by key, arrow or page click
// ends at once; a drag of the thumb ends when it is released.
void TTimeBaseControlsVexaRM::HookBar(HookedWidget slot, QScrollBar *w) {
    if (!w) {
        FHooks.Clear(slot);
        return;
    }
    FHooks.Replace(
        slot, {connect(w, &QAbstractSlider::valueChanged, this,
                       [this, w](int) {
                           if (!w->isSliderDown()) EndScroll(w);
                       }),
               connect(w, &QAbstractSlider::sliderReleased, this, [this, w] { EndScroll(w); })});
}

void TTimeBaseControlsVexaRM::EndScroll(QObject *sender) {
    auto *scope = VirtualScope();
    if (!scope || FUpdating) return;
    if (sender == FSMPScrollBar)
        scope->SetSMPSetting(FSMPScrollBar->value());
    else if (sender == FDSPScrollBar)
        scope->SetDSPSetting(FDSPScrollBar->maximum() - FDSPScrollBar->value());
    scope->Notify(kNotifySettingsChanged, ControlGroup());
}

void TTimeBaseControlsVexaRM::ScopeNotification(int32_t kind, const int32_t &senderGroup) {
    TWrapperComponentVexaRM::ScopeNotification(kind, senderGroup);
    if (kind == kNotifyInitialized || kind == kNotifySettingsChanged) UpdateControls();
}

void TTimeBaseControlsVexaRM::UpdateControls() {
    auto *scope = VirtualScope();
    if (!scope) return;
    FUpdating = true;
    if (FSMPScrollBar) FSMPScrollBar->setValue(scope->SMPSetting());
    if (FDSPScrollBar) FDSPScrollBar->setValue(FDSPScrollBar->maximum() - scope->DSPSetting());
    FUpdating = false;
    const double samplesPerSecond = SamplingRate(scope->SMPSetting());
    const double secondsPerDivision = DisplayRate(scope->DSPSetting());
    if (FSMPRatio) FSMPRatio->SetMainValue(samplesPerSecond);
    if (FDSPRatio) FDSPRatio->SetMainValue(secondsPerDivision);
    // Samples per display point: 50 points per division.
    if (FDSP_SMPRatio) FDSP_SMPRatio->SetMainValue(samplesPerSecond * secondsPerDivision / 50);
    if (FDSPRatioHz)
        FDSPRatioHz->SetMainValue(secondsPerDivision == 0 ? 0.0 : 1.0 / secondsPerDivision);
}

void TTimeBaseControlsVexaRM::ApplyToolTips() {
    if (FSMPScrollBar) FSMPScrollBar->setToolTip(QStringLiteral("Set sampling rate"));
    if (FDSPScrollBar) FDSPScrollBar->setToolTip(QStringLiteral("Set display rate"));
}

} // namespace vexa
