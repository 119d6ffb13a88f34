#include "ProcessingThreadRM.h"

#include "DataSourceModuleVexaRM.h"
#include "FlowInterfacesVexaRM.h"
#include "model/MainThreadHandoverVexaRM.h"
#include "model/ResourceStringsVexaRM.h"
#include "common/ScopeConstsVexaRM.h"
#include "model/VirtualScopeVexaRM.h"

#include <algorithm>
#include <pthread.h>

namespace vexa {

TProcessingThreadRM::TProcessingThreadRM(const TFlowContextVexaRM &context) : FContext(context) {
    Launch();
}

TProcessingThreadRM::~TProcessingThreadRM() {
    Stop();
}

void TProcessingThreadRM::WakeForTerminate() {
    FContext.Ring->InterruptReader();
}

int32_t TProcessingThreadRM::BatchWords(int32_t smpSetting) {
    const int32_t setting = std::clamp<int32_t>(smpSetting, 0, kSmpSettingCount - 1);
    const int64_t words = int64_t(kSamplingRates[setting]) * kBatchMs / 1000;
    return static_cast<int32_t>(std::max<int64_t>(words, 1));
}

void TProcessingThreadRM::Execute() {
    // The name shows in the system's thread lists (and the benchmarks).
    pthread_setname_np(pthread_self(), "processing");
    TDataSourceModuleVexaRM *ring = FContext.Ring;
    TVirtualScopeVexaRM *scope = FContext.Scope;
    // While words flow, one wake-up per batch: the ring signals once the
    // level is reached, and the time limit bounds the delay when blocks come
    // slowly. A batch time without a single word means the flow is idle
    // (no measurement runs): then the first word wakes the thread at once,
    // and an idle thread wakes only once a second.
    bool idle = true;
    while (!Terminated()) {
        int32_t n = 0;
        const uint16_t *words =
            idle ? ring->GetReadBlock(n)
                 : ring->GetReadBatch(n, BatchWords(scope->SMPSetting()), kBatchLimitMs);
        idle = words == nullptr;
        if (words) ProcessBlock(words, n);
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
    TVirtualScopeVexaRM *scope = FContext.Scope;
    if (IBlockDisplayVexaRM *display = FDisplay.load()) display->DisplayBlock(words, n);
    if (scope->SavingActivated()) {
        if (scope->AppendRecordWords(words, n))
            FFailureReported = false;
        else if (!FFailureReported)
            ReportWriteFailure();
    }
    scope->SetActualVoltage(words[n - 1]);
    FWordsProcessed += static_cast<uint64_t>(n);
    FContext.Ring->ConsumeRead(n);
}

void TProcessingThreadRM::ReportWriteFailure() {
    FFailureReported = true;
    TVirtualScopeVexaRM *scope = FContext.Scope;
    TMainThreadHandoverVexaRM *handover = FContext.Handover;
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
