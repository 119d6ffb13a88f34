#include "ProcessingThreadRM.h"

#include "DataSourceModuleVexaRM.h"
#include "FlowInterfacesVexaRM.h"
#include "FlowManagerVexaRM.h"
#include "model/MainThreadHandoverVexaRM.h"
#include "model/ResourceStringsVexaRM.h"
#include "common/ScopeConstsVexaRM.h"
#include "model/VirtualScopeVexaRM.h"

#include <chrono>

namespace vexa {

TProcessingThreadRM::TProcessingThreadRM(TFlowManagerVexaRM *owner) : FOwner(owner) {
    Launch();
}

TProcessingThreadRM::~TProcessingThreadRM() {
    Stop();
}

void TProcessingThreadRM::WakeForTerminate() {
    FOwner->DataSourceInstance()->InterruptReader();
}

void TProcessingThreadRM::Execute() {
    TDataSourceModuleVexaRM *ring = FOwner->DataSourceInstance();
    while (!Terminated()) {
        int32_t n = 0;
        const uint16_t *words = ring->GetReadBlock(n);
        if (!words) {
            if (!Terminated()) std::this_thread::sleep_for(std::chrono::milliseconds(2));
            continue;
        }
        ProcessBlock(words, n);
    }
    // The acquisition thread is stopped first: what it left in the ring
    // still goes to the display and the file. A writer that has not ended
    // adds at most one more ring's worth, so this ends.
    int64_t budget = TDataSourceModuleVexaRM::kStorageWords;
    while (budget > 0) {
        int32_t n = 0;
        const uint16_t *words = ring->GetReadBlock(n, 0);
        if (!words) break;
        budget -= n;
        ProcessBlock(words, n);
    }
}

void TProcessingThreadRM::ProcessBlock(const uint16_t *words, int32_t n) {
    TVirtualScopeVexaRM *scope = FOwner->VirtualScope();
    if (IBlockDisplayVexaRM *display = FDisplay.load()) display->DisplayBlock(words, n);
    if (scope->SavingActivated()) {
        if (scope->AppendRecordWords(words, n))
            FFailureReported = false;
        else if (!FFailureReported)
            ReportWriteFailure();
    }
    scope->SetActualVoltage(words[n - 1]);
    FWordsProcessed += static_cast<uint64_t>(n);
    FOwner->DataSourceInstance()->ConsumeRead(n);
}

void TProcessingThreadRM::ReportWriteFailure() {
    FFailureReported = true;
    TVirtualScopeVexaRM *scope = FOwner->VirtualScope();
    TMainThreadHandoverVexaRM *handover = FOwner->MainThreadHandover();
    if (!handover) return;
    // Everything written before the failure stays in the file; the stream
    // was closed by the failed append. Switching saving off stops further
    // attempts until the operator switches it on again.
    handover->RunInMainThread([&] {
        if (!scope->SavingActivated()) return; // the operator was quicker
        std::string name = scope->GetRecordFileName();
        scope->SetSavingActivated(false);
        scope->AskOperator(DialogStyle::Error, TResourceStringsVexaRM::RecordWriteFailed(name),
                           kButtonOk);
        if (!Terminated()) scope->Notify(kNotifySettingsChanged, kGroupDataFlow);
    });
}

} // namespace vexa
