#include "FlowManagerVexaRM.h"

#include "AcquisitionThreadRM.h"
#include "DataSourceModuleVexaRM.h"
#include "model/MainThreadHandoverVexaRM.h"
#include "ProcessingThreadRM.h"
#include "model/ResourceStringsVexaRM.h"
#include "common/ScopeConstsVexaRM.h"
#include "device/VirtualDriverVexaRM.h"
#include "model/VirtualScopeVexaRM.h"

#include <chrono>
#include <thread>

namespace vexa {

TFlowManagerVexaRM::TFlowManagerVexaRM() = default;

TFlowManagerVexaRM::~TFlowManagerVexaRM() {
    FNotices->Open = false;
    // Normally stopped on notification 3; a manager freed while its threads
    // run still stops them before the objects they use go away.
    if (FAcquisition || FProcessing) StopThreads();
    if (FScope) FScope->UnregisterListener(this);
}

void TFlowManagerVexaRM::SetVirtualScope(TVirtualScopeVexaRM *scope) {
    if (FScope == scope) return;
    if (FScope) FScope->UnregisterListener(this);
    FScope = scope;
    if (FScope) FScope->RegisterListener(FControlGroup, this);
}

void TFlowManagerVexaRM::OnScopeNotification(int32_t kind, const int32_t &) {
    if (!FScope) return;
    switch (kind) {
    case kNotifyInitialized:
        FActiveDisplay = FScope->ModeEKG() ? FEKGScreen : FRollScreen;
        if (FActiveDisplay) FActiveDisplay->SetShown(true);
        FLastBoost = false;
        FSettingsPasses.SetDirty(false);
        StartThreads();
        break;
    case kNotifySettingsChanged:
    case kNotifyDeviceRestart:
        ApplyBoost();
        AskSettingsPass();
        if (FScope->ClearScreenRequested()) {
            if (FActiveDisplay) FActiveDisplay->ClearScreen();
            FScope->SetClearScreenRequested(false);
        }
        ShowDisplayState();
        break;
    case kNotifyDetach: {
        StopThreads();
        TVirtualScopeVexaRM *scope = FScope;
        FScope = nullptr;
        scope->UnregisterListener(this);
        break;
    }
    case kNotifyPreInitialize:
        if (FRollScreen) FRollScreen->SetShown(false);
        if (FEKGScreen) FEKGScreen->SetShown(false);
        break;
    case kNotifyEkgModeSelected:
        SwitchDisplay(FEKGScreen);
        break;
    case kNotifyRollModeSelected:
        SwitchDisplay(FRollScreen);
        break;
    default:
        break;
    }
}

TFlowContextVexaRM TFlowManagerVexaRM::MakeContext() {
    TFlowContextVexaRM context;
    context.Ring = FDataSource;
    context.Scope = FScope;
    context.Driver = FScope->VirtualDriver();
    context.Handover = FHandover;
    context.ArmLED = FArmLED;
    context.TriggerLED = FTriggerLED;
    context.SettingsPasses = &FSettingsPasses;
    context.ClockMs = FClock;
    if (!context.ClockMs)
        context.ClockMs = [] {
            return std::chrono::duration_cast<std::chrono::milliseconds>(
                       std::chrono::steady_clock::now().time_since_epoch())
                .count();
        };
    // The notice refers to nothing of the manager: a posted one may run
    // after a stop (and then shows nothing).
    std::shared_ptr<NoticeState> state = FNotices;
    TMainThreadHandoverVexaRM *handover = FHandover;
    TVirtualScopeVexaRM *scope = FScope;
    context.NoticeLostSamples = [state, handover, scope](uint64_t periods, int32_t rate) {
        if (!handover) return;
        const std::string text = TResourceStringsVexaRM::SamplesLost(periods, rate);
        handover->Post([state, scope, text] {
            if (!state->Open || state->Showing) return;
            state->Showing = true;
            scope->AskOperator(DialogStyle::Warning, text, kButtonOk);
            state->Showing = false;
        });
    };
    return context;
}

void TFlowManagerVexaRM::StartThreads() {
    if (FAcquisition || FProcessing) StopThreads(); // never two producers
    FNotices->Open = true;
    if (FHandover) FHandover->Open();
    FDataSource->ResetBuffer();
    const TFlowContextVexaRM context = MakeContext();
    FAcquisition = std::make_unique<TAcquisitionThreadRM>(context);
    // It must never run without a display: it gets one before it starts.
    FProcessing = std::make_unique<TProcessingThreadRM>(context);
    FProcessing->SetDisplay(FActiveDisplay);
    if (FScope->BoostThread()) {
        FAcquisition->SetBoosted(true);
        FProcessing->SetBoosted(true);
    }
    FProcessing->Resume();
    if (FRollScreen) FRollScreen->ResetScreen();
    if (FEKGScreen) FEKGScreen->ResetScreen();
}

template <class T> void TFlowManagerVexaRM::WaitAndFree(std::unique_ptr<T> &thread, int ms) {
    if (!thread) return;
    thread->Terminate();
    auto service = [this] {
        if (FHandover) FHandover->ServicePending();
    };
    if (!thread->WaitFor(ms, service) && FHandover) {
        // Still waiting on something the main thread would do for it: take
        // that wait away and give it a bounded time more.
        FHandover->Close();
        thread->WaitFor(kAfterCloseMs, service);
    }
    // Freeing waits for the body; it is never left running on its own.
    thread.reset();
}

void TFlowManagerVexaRM::StopThreads() {
    // Notices still queued are not shown while the program stops.
    FNotices->Open = false;
    // The producer goes first, so that the reader drains what it left.
    if (FAcquisition) {
        FDataSource->InterruptWaits();
        WaitAndFree(FAcquisition, kAcquisitionStopMs);
    }
    WaitAndFree(FProcessing, kProcessingStopMs);
    if (FHandover) {
        FHandover->ServicePending();
        FHandover->Open();
    }
    if (FScope && FScope->VirtualDriver()) FScope->VirtualDriver()->UnloadLibrary();
}

bool TFlowManagerVexaRM::WaitUntilRecorded(int ms) {
    if (!FAcquisition || !FProcessing) return true;
    const uint64_t request = AskSettingsPass();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        // The pass may need the main thread (a lamp update, a reload).
        if (FHandover) FHandover->ServicePending();
        if (FSettingsPasses.Mirrored() >= request && FDataSource->Pending() == 0) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void TFlowManagerVexaRM::ApplyBoost() {
    bool boost = FScope->BoostThread();
    if (boost != FLastBoost && FAcquisition) {
        FAcquisition->SetBoosted(boost);
        if (FProcessing) FProcessing->SetBoosted(boost);
    }
    FLastBoost = boost;
}

void TFlowManagerVexaRM::ShowDisplayState() {
    bool on = FScope->DisplayActive();
    if (FCaption) FCaption->SetShown(!on);
    if (FActiveDisplay) FActiveDisplay->SetShown(on);
}

void TFlowManagerVexaRM::SwitchDisplay(IBlockDisplayVexaRM *display) {
    if (FActiveDisplay) FActiveDisplay->SetShown(false);
    FActiveDisplay = display;
    // While the display is off the caption stays and the new display waits.
    if (FActiveDisplay) FActiveDisplay->SetShown(FScope->DisplayActive());
    if (FProcessing) FProcessing->SetDisplay(FActiveDisplay);
}

} // namespace vexa
