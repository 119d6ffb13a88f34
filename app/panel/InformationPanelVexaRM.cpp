#include "InformationPanelVexaRM.h"

#include "BinderSupportVexaRM.h"
#include "PanelColorVexa.h"
#include "UnitValueLabel.h"
#include "model/VirtualScopeVexaRM.h"

#include "common/ScopeConstsVexaRM.h"

#include <QPalette>

namespace vexa {

TInformationPanelVexaRM::TInformationPanelVexaRM(int32_t channel, QObject *parent)
    : QObject(parent), FChannel(channel == kChannelB ? kChannelB : kChannelA) {}

void TInformationPanelVexaRM::ScopeNotification(int32_t kind, const int32_t &senderGroup) {
    TWrapperComponentVexaRM::ScopeNotification(kind, senderGroup);
    if (kind == kNotifyInitialized || kind == kNotifySettingsChanged) UpdateControls();
}

void TInformationPanelVexaRM::UpdateControls() {
    auto *scope = VirtualScope();
    if (!scope) return;
    const bool isA = FChannel == kChannelA;
    const bool on = isA ? scope->StatusChannelA() : scope->StatusChannelB();
    if (on) {
        if (FProbe) FProbe->setText(ToQString(scope->ProbeText(FChannel)));
        if (FDensity) FDensity->SetMainValue(double(scope->DeflectionFactor(FChannel)));
        const bool dc = isA ? scope->SourceACDC_A() : scope->SourceACDC_B();
        if (FAcdc) FAcdc->setText(dc ? QStringLiteral("DC") : QStringLiteral("AC"));
        if (FTriggerLevelVoltage)
            FTriggerLevelVoltage->SetMainValue(isA ? scope->TriggerLevelA()
                                                   : scope->TriggerLevelB());
    } else {
        // A switched-off channel shows no probe, range or coupling; the
        // trigger level keeps what it showed.
        if (FProbe) FProbe->setText(QString());
        if (FDensity) FDensity->SetMyString(QString());
        if (FAcdc) FAcdc->setText(QString());
    }
    if (FChannelColor) {
        QPalette p = FChannelColor->palette();
        p.setColor(QPalette::Window,
                   VexaToQColor(isA ? scope->ColorChannelA() : scope->ColorChannelB()));
        FChannelColor->setPalette(p);
        FChannelColor->setAutoFillBackground(true);
        FChannelColor->update();
    }
}

} // namespace vexa
