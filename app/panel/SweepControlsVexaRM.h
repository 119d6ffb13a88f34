// Binds which values the trace displays draw: maxima, minima and averages,
// or the real sample values; and the clear-screen request.
#pragma once

#include "EventHooksVexaRM.h"
#include "OnOffButtonVexa.h"
#include "model/WrapperComponentVexaRM.h"

#include <QObject>
#include <QPointer>

namespace vexa {

class TSweepControlsVexaRM : public QObject, public TWrapperComponentVexaRM {
    Q_OBJECT
public:
    explicit TSweepControlsVexaRM(QObject *parent = nullptr);
    ~TSweepControlsVexaRM() override;

    TOnOffButtonVexa *MakeMinimumButton() const { return FMakeMinimumButton; }
    void SetMakeMinimumButton(TOnOffButtonVexa *w) { Hook(kMin, FMakeMinimumButton, w); }
    TOnOffButtonVexa *MakeMaximumButton() const { return FMakeMaximumButton; }
    void SetMakeMaximumButton(TOnOffButtonVexa *w) { Hook(kMax, FMakeMaximumButton, w); }
    TOnOffButtonVexa *MakeAvgButton() const { return FMakeAvgButton; }
    void SetMakeAvgButton(TOnOffButtonVexa *w) { Hook(kAvg, FMakeAvgButton, w); }
    TOnOffButtonVexa *SingleButton() const { return FSingleButton; }
    void SetSingleButton(TOnOffButtonVexa *w) { Hook(kSingle, FSingleButton, w); }
    TOnOffButtonVexa *CalcButton() const { return FCalcButton; }
    void SetCalcButton(TOnOffButtonVexa *w) { Hook(kCalc, FCalcButton, w); }
    TOnOffButtonVexa *ClearScreenButton() const { return FClearScreenButton; }
    void SetClearScreenButton(TOnOffButtonVexa *w) { Hook(kClear, FClearScreenButton, w); }

    void ScopeNotification(int32_t kind, const int32_t &senderGroup) override;
    void UpdateControls() override;
    void ApplyToolTips();

private:
    enum HookedWidget { kMin, kMax, kAvg, kSingle, kCalc, kClear };
    void Hook(HookedWidget slot, QPointer<TOnOffButtonVexa> &ref, TOnOffButtonVexa *w);
    void Click(QObject *sender);

    QPointer<TOnOffButtonVexa> FMakeMinimumButton, FMakeMaximumButton, FMakeAvgButton;
    QPointer<TOnOffButtonVexa> FSingleButton, FCalcButton, FClearScreenButton;
    TEventHooksVexaRM FHooks;
};

} // namespace vexa
