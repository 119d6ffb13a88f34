// Binds the display modes: EKG or rolling display, beam finder, line mode,
// display on/off, grid on/off and grid brightness.
#pragma once

#include "EventHooksVexaRM.h"
#include "OnOffButtonVexa.h"
#include "model/WrapperComponentVexaRM.h"

#include <QObject>
#include <QPointer>
#include <QScrollBar>

namespace vexa {

class TModeDisplayVexaRM : public QObject, public TWrapperComponentVexaRM {
    Q_OBJECT
public:
    explicit TModeDisplayVexaRM(QObject *parent = nullptr);
    ~TModeDisplayVexaRM() override;

    TOnOffButtonVexa *GridButton() const { return FGridButton; }
    void SetGridButton(TOnOffButtonVexa *w) { Hook(kGrid, FGridButton, w); }
    TOnOffButtonVexa *DisplayButton() const { return FDisplayButton; }
    void SetDisplayButton(TOnOffButtonVexa *w) { Hook(kDisplay, FDisplayButton, w); }
    TOnOffButtonVexa *BeamFinder() const { return FBeamFinder; }
    void SetBeamFinder(TOnOffButtonVexa *w) { Hook(kBeam, FBeamFinder, w); }
    TOnOffButtonVexa *LineModeDisplay() const { return FLineModeDisplay; }
    void SetLineModeDisplay(TOnOffButtonVexa *w) { Hook(kLine, FLineModeDisplay, w); }
    TOnOffButtonVexa *EKGModeDisplay() const { return FEKGModeDisplay; }
    void SetEKGModeDisplay(TOnOffButtonVexa *w) { Hook(kEkg, FEKGModeDisplay, w); }
    TOnOffButtonVexa *RollModeDisplay() const { return FRollModeDisplay; }
    void SetRollModeDisplay(TOnOffButtonVexa *w) { Hook(kRoll, FRollModeDisplay, w); }
    QScrollBar *GridScroll() const { return FGridScroll; }
    void SetGridScroll(QScrollBar *w);

    void ScopeNotification(int32_t kind, const int32_t &senderGroup) override;
    void UpdateControls() override;
    void ApplyToolTips();

private:
    enum HookedWidget { kGrid, kDisplay, kBeam, kLine, kEkg, kRoll, kScroll };
    void Hook(HookedWidget slot, QPointer<TOnOffButtonVexa> &ref, TOnOffButtonVexa *w);
    void Click(QObject *sender);
    void Scroll(int position);

    QPointer<TOnOffButtonVexa> FGridButton, FDisplayButton, FBeamFinder, FLineModeDisplay;
    QPointer<TOnOffButtonVexa> FEKGModeDisplay, FRollModeDisplay;
    QPointer<QScrollBar> FGridScroll;
    // Set while UpdateControls moves the bar, so that the move is not taken
    // for the operator's.
    bool FUpdating = false;
    TEventHooksVexaRM FHooks;
};

} // namespace vexa
