// Binds the sampling-rate and display-rate bars and the four rate readouts.
#pragma once

#include "EventHooksVexaRM.h"
#include "UnitValueLabel.h"
#include "model/WrapperComponentVexaRM.h"

#include <QObject>
#include <QPointer>
#include <QScrollBar>

namespace vexa {

class TTimeBaseControlsVexaRM : public QObject, public TWrapperComponentVexaRM {
    Q_OBJECT
public:
    explicit TTimeBaseControlsVexaRM(QObject *parent = nullptr);
    ~TTimeBaseControlsVexaRM() override;

    QScrollBar *SMPScrollBar() const { return FSMPScrollBar; }
    void SetSMPScrollBar(QScrollBar *w) {
        FSMPScrollBar = w;
        HookBar(kSmp, w);
    }
    // The display-rate bar runs backwards: its left end is the slowest rate.
    QScrollBar *DSPScrollBar() const { return FDSPScrollBar; }
    void SetDSPScrollBar(QScrollBar *w) {
        FDSPScrollBar = w;
        HookBar(kDsp, w);
    }
    TUnitValueLabel *SMPRatio() const { return FSMPRatio; }
    void SetSMPRatio(TUnitValueLabel *w) { FSMPRatio = w; }
    TUnitValueLabel *DSPRatio() const { return FDSPRatio; }
    void SetDSPRatio(TUnitValueLabel *w) { FDSPRatio = w; }
    TUnitValueLabel *DSPRatioHz() const { return FDSPRatioHz; }
    void SetDSPRatioHz(TUnitValueLabel *w) { FDSPRatioHz = w; }
    TUnitValueLabel *DSP_SMPRatio() const { return FDSP_SMPRatio; }
    void SetDSP_SMPRatio(TUnitValueLabel *w) { FDSP_SMPRatio = w; }

    void ScopeNotification(int32_t kind, const int32_t &senderGroup) override;
    void UpdateControls() override;
    void ApplyToolTips();

    // Samples per second for an SMPSetting and seconds per division for a
    // DSPSetting; an index outside its table reads as the nearest end.
    static double SamplingRate(int32_t smpSetting);
    static double DisplayRate(int32_t dspSetting);

private:
    enum HookedWidget { kSmp, kDsp };
    void HookBar(HookedWidget slot, QScrollBar *w);
    void EndScroll(QObject *sender);

    QPointer<QScrollBar> FSMPScrollBar, FDSPScrollBar;
    QPointer<TUnitValueLabel> FSMPRatio, FDSPRatio, FDSPRatioHz, FDSP_SMPRatio;
    // Set while UpdateControls moves the bars, so that the move is not taken
    // for the operator's.
    bool FUpdating = false;
    TEventHooksVexaRM FHooks;
};

} // namespace vexa
