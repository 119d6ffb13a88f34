// Binds the trigger sources, conditions, levels and their relation.
#pragma once

#include "EventHooksVexaRM.h"
#include "OnOffButtonVexa.h"
#include "VoltageValueEditVexa.h"
#include "model/WrapperComponentVexaRM.h"

#include <QAbstractButton>
#include <QObject>
#include <QPointer>

namespace vexa {

class TTriggerControlsVexaRM : public QObject, public TWrapperComponentVexaRM {
    Q_OBJECT
public:
    explicit TTriggerControlsVexaRM(QObject *parent = nullptr);
    ~TTriggerControlsVexaRM() override;

    TOnOffButtonVexa *TriggerSourceA() const { return FTriggerSourceA; }
    void SetTriggerSourceA(TOnOffButtonVexa *w) {
        FTriggerSourceA = w;
        HookClick(kSourceA, w);
    }
    TOnOffButtonVexa *TriggerSourceB() const { return FTriggerSourceB; }
    void SetTriggerSourceB(TOnOffButtonVexa *w) {
        FTriggerSourceB = w;
        HookClick(kSourceB, w);
    }
    QAbstractButton *TrigUnderOverA() const { return FTrigUnderOverA; }
    void SetTrigUnderOverA(QAbstractButton *w) {
        FTrigUnderOverA = w;
        HookClick(kUnderA, w);
    }
    QAbstractButton *TrigUnderOverB() const { return FTrigUnderOverB; }
    void SetTrigUnderOverB(QAbstractButton *w) {
        FTrigUnderOverB = w;
        HookClick(kUnderB, w);
    }
    QAbstractButton *TrigRelation() const { return FTrigRelation; }
    void SetTrigRelation(QAbstractButton *w) {
        FTrigRelation = w;
        HookClick(kRelation, w);
    }
    TVoltageValueEditVexa *TriggerLevelEditA() const { return FTriggerLevelEditA; }
    void SetTriggerLevelEditA(TVoltageValueEditVexa *w) {
        HookEdit(kLevelA, FTriggerLevelEditA, w);
    }
    TVoltageValueEditVexa *TriggerLevelEditB() const { return FTriggerLevelEditB; }
    void SetTriggerLevelEditB(TVoltageValueEditVexa *w) {
        HookEdit(kLevelB, FTriggerLevelEditB, w);
    }

    void ScopeNotification(int32_t kind, const int32_t &senderGroup) override;
    void UpdateControls() override;
    void ApplyToolTips();

private:
    enum HookedWidget { kSourceA, kSourceB, kUnderA, kUnderB, kRelation, kLevelA, kLevelB };
    void HookClick(HookedWidget slot, QAbstractButton *w);
    void HookEdit(HookedWidget slot, QPointer<TVoltageValueEditVexa> &ref,
                  TVoltageValueEditVexa *w);
    void Click(QObject *sender);
    void KeyUp(QObject *sender, int key);

    QPointer<TOnOffButtonVexa> FTriggerSourceA, FTriggerSourceB;
    QPointer<QAbstractButton> FTrigUnderOverA, FTrigUnderOverB, FTrigRelation;
    QPointer<TVoltageValueEditVexa> FTriggerLevelEditA, FTriggerLevelEditB;
    TEventHooksVexaRM FHooks;
};

} // namespace vexa
