// Binds the arm sources, conditions and levels.
#pragma once

#include "EventHooksVexaRM.h"
#include "OnOffButtonVexa.h"
#include "VoltageValueEditVexa.h"
#include "model/WrapperComponentVexaRM.h"

#include <QAbstractButton>
#include <QObject>
#include <QPointer>

namespace vexa {

class TArmControlsVexaRM : public QObject, public TWrapperComponentVexaRM {
    Q_OBJECT
public:
    explicit TArmControlsVexaRM(QObject *parent = nullptr);
    ~TArmControlsVexaRM() override;

    TOnOffButtonVexa *ArmSourceA() const { return FArmSourceA; }
    void SetArmSourceA(TOnOffButtonVexa *w) {
        FArmSourceA = w;
        HookClick(kSourceA, w);
    }
    TOnOffButtonVexa *ArmSourceB() const { return FArmSourceB; }
    void SetArmSourceB(TOnOffButtonVexa *w) {
        FArmSourceB = w;
        HookClick(kSourceB, w);
    }
    TOnOffButtonVexa *ExternalSource() const { return FExternalSource; }
    void SetExternalSource(TOnOffButtonVexa *w) {
        FExternalSource = w;
        HookClick(kSourceExternal, w);
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
    QAbstractButton *TrigUnderOverExternal() const { return FTrigUnderOverExternal; }
    void SetTrigUnderOverExternal(QAbstractButton *w) {
        FTrigUnderOverExternal = w;
        HookClick(kUnderExternal, w);
    }
    TVoltageValueEditVexa *ArmLevelEditA() const { return FArmLevelEditA; }
    void SetArmLevelEditA(TVoltageValueEditVexa *w) {
        FArmLevelEditA = w;
        HookEdit(kLevelA, w);
    }
    TVoltageValueEditVexa *ArmLevelEditB() const { return FArmLevelEditB; }
    void SetArmLevelEditB(TVoltageValueEditVexa *w) {
        FArmLevelEditB = w;
        HookEdit(kLevelB, w);
    }

    void ScopeNotification(int32_t kind, const int32_t &senderGroup) override;
    void UpdateControls() override;

private:
    enum HookedWidget {
        kSourceA,
        kSourceB,
        kSourceExternal,
        kUnderA,
        kUnderB,
        kUnderExternal,
        kLevelA,
        kLevelB
    };
    void HookClick(HookedWidget slot, QAbstractButton *w);
    void HookEdit(HookedWidget slot, TVoltageValueEditVexa *w);
    void Click(QObject *sender);
    void KeyUp(QObject *sender, int key);

    QPointer<TOnOffButtonVexa> FArmSourceA, FArmSourceB, FExternalSource;
    QPointer<QAbstractButton> FTrigUnderOverA, FTrigUnderOverB, FTrigUnderOverExternal;
    QPointer<TVoltageValueEditVexa> FArmLevelEditA, FArmLevelEditB;
    TEventHooksVexaRM FHooks;
};

} // namespace vexa
