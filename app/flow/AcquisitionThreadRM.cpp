#include "AcquisitionThreadRM.h"

#include "DataSourceModuleVexaRM.h"
#include "FlowInterfacesVexaRM.h"
#include "model/MainThreadHandoverVexaRM.h"
#include "common/ScopeConstsVexaRM.h"
#include "device/VirtualDriverVexaRM.h"
#include "model/VirtualScopeVexaRM.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>
#include <pthread.h>

namespace vexa {

namespace {

// How long the last settings pass at termination may wait for ring space.
constexpr int kFinalDrainWaitMs = 300;

uint32_t LampColor(int32_t state, bool &known) {
    known = true;
    switch (state) {
    case 0:
        return TAcquisitionThreadRM::kLampRed;
    case 1:
        return TAcquisitionThreadRM::kLampYellow;
    case 2:
        return TAcquisitionThreadRM::kLampGreen;
    default:
        known = false;
        return 0;
    }
}

} // namespace

TAcquisitionThreadRM::TAcquisitionThreadRM(const TFlowContextVexaRM &context) : FContext(context) {
    TVirtualScopeVexaRM *scope = FContext.Scope;
    TVirtualDriverVexaRM *driver = FContext.Driver;
    scope->SetCachedDataStatus(0);
    driver->SetForceSettings(true);
    ApplySettings();
    driver->SetDescriptionAddress(scope->DeviceDescription());
    driver->InitializeDriver();
    // The freshly initialised device receives every setting.
    driver->SetForceSettings(true);
    ApplySettings();
    Launch();
    Resume();
}

TAcquisitionThreadRM::~TAcquisitionThreadRM() {
    Stop();
}

void TAcquisitionThreadRM::WakeForTerminate() {
    FContext.Ring->InterruptWaits();
}

void TAcquisitionThreadRM::ApplySettings() {
    TVirtualScopeVexaRM *s = FContext.Scope;
    TVirtualDriverVexaRM *d = FContext.Driver;
    {
        // The order of the setters is the order of the records in the stream.
        std::lock_guard<std::mutex> g(s->SettingsLock());
        d->SetRecordFree(s->RecordFree());
        d->SetSettingsToFile(s->SettingsToFile());
        d->SetMeasurementDefined(s->MeasurementDefined());
        d->SetMeasurementLength(s->MeasurementLength());
        d->SetMeasurementStarted(s->MeasurementStarted());
        d->SetTriggerSourceA(s->TriggerSourceA());
        d->SetTriggerSourceB(s->TriggerSourceB());
        d->SetTriggerLevelA(s->TriggerLevelA());
        d->SetTriggerLevelB(s->TriggerLevelB());
        d->SetTriggerUnderA(s->TriggerUnderA());
        d->SetTriggerUnderB(s->TriggerUnderB());
        d->SetTriggerRelation(s->TriggerRelation());
        d->SetARMSourceA(s->ARMSourceA());
        d->SetARMSourceB(s->ARMSourceB());
        d->SetARMSourceExternal(s->ARMSourceExternal());
        d->SetARMLevelA(s->ARMLevelA());
        d->SetARMLevelB(s->ARMLevelB());
        d->SetARMUnderA(s->ARMUnderA());
        d->SetARMUnderB(s->ARMUnderB());
        d->SetARMUnderExternal(s->ARMUnderExternal());
        d->SetSMPSetting(s->SMPSetting());
        d->SetSourceProbeA(s->SourceProbeA());
        d->SetSourceProbeB(s->SourceProbeB());
        d->SetStatusChannelA(s->StatusChannelA());
        d->SetStatusChannelB(s->StatusChannelB());
        d->SetVerticalLevelChannelA(s->VerticalLevelChannelA());
        d->SetVerticalLevelChannelB(s->VerticalLevelChannelB());
        d->SetDensityChannelA(s->DensityChannelA());
        d->SetDensityChannelB(s->DensityChannelB());
        d->SetSourceACDC_A(s->SourceACDC_A());
        d->SetSourceACDC_B(s->SourceACDC_B());
        d->SetGroundA(s->GroundA());
        d->SetGroundB(s->GroundB());
        d->SetPeriodA(s->PeriodA());
        d->SetPeriodB(s->PeriodB());
        d->SetAmplitudeA(s->AmplitudeA());
        d->SetAmplitudeB(s->AmplitudeB());
        d->SetNoiseA(s->NoiseA());
        d->SetNoiseB(s->NoiseB());
    }
    if (d->SetBackRequested() && Running()) {
        // The driver keeps the levels mirrored as 4095 - level.
        s->SetVerticalLevelChannelA(kPositionMax - d->VerticalLevelChannelA());
        s->SetVerticalLevelChannelB(kPositionMax - d->VerticalLevelChannelB());
    }
    d->SetForceSettings(false);
    s->SetZeroChannelA(d->ZeroChannelA());
    s->SetZeroChannelB(d->ZeroChannelB());
}

void TAcquisitionThreadRM::Execute() {
    // The name shows in the system's thread lists (and the benchmarks).
    pthread_setname_np(pthread_self(), "acquisition");
    TVirtualScopeVexaRM *scope = FContext.Scope;
    TVirtualDriverVexaRM *driver = FContext.Driver;
    SetRunning(true);
    driver->ClearRecords();
    driver->SetForceSettings(true);
    ApplySettings();
    scope->SetSettingsToFile(false);
    // The records of this mirroring stay in the driver until the first drain.
    while (!Terminated()) {
        bool active =
            driver->MeasurementStarted() &&
            (driver->RecordFree() ||
             (driver->RecordTriggered() && (driver->TriggerSourceA() || driver->TriggerSourceB())));
        if (active) {
            if (!FWasActive) FFirstReadOfStart = true;
            FWasActive = true;
            ReadPass();
        } else {
            FWasActive = false;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            driver->SetSampleCount(0);
        }
        if (FContext.SettingsPasses->Dirty() && !Terminated()) SettingsPass();
        if (driver->USBFailed() && !Terminated()) {
            if (driver->DeviceInitialized() && !driver->DemoMode())
                ReloadDriver();
            else
                driver->ClearUSBFailed(); // no device in use: nothing to bring back
        }
        ++FPasses;
    }
    FinalDrain();
}

void TAcquisitionThreadRM::FinalDrain() {
    // A stop that came with the termination (the program closes while a
    // measurement runs) still reaches the device and the stream, so the
    // record file ends with its stop record. The reader is still draining,
    // and every block left room for the records behind it.
    TVirtualDriverVexaRM *driver = FContext.Driver;
    if (FContext.SettingsPasses->Dirty()) {
        FContext.SettingsPasses->SetDirty(false);
        ApplySettings();
    }
    const int32_t words = driver->RecordLength();
    if (words == 0) return;
    uint16_t *slot = FContext.Ring->GetRecordPointerFor(words, kFinalDrainWaitMs);
    if (!slot) return; // the reader is stuck (e.g. a frozen disk): nothing can go
    int32_t n = 0;
    driver->DrainRecords(slot, n);
    SetBlockLength(n);
    FContext.Ring->CommitWrite(n);
}

void TAcquisitionThreadRM::ReadPass() {
    TVirtualScopeVexaRM *scope = FContext.Scope;
    TVirtualDriverVexaRM *driver = FContext.Driver;
    TDataSourceModuleVexaRM *ring = FContext.Ring;
    // Records of a mirroring that was not drained yet (the one at the start
    // of the thread, the one after a reload) describe the samples that
    // follow: they go first.
    if (driver->RecordLength() > 0 && !DrainRecords()) return;
    uint16_t *slot = ring->GetWritePointer(TerminatedFlag());
    if (!slot) return; // terminated while the ring was full
    if (FFirstReadOfStart) FLossTold = false;
    int32_t n = 0;
    uint8_t status = driver->ReadBlock(slot, n);
    uint64_t lost = driver->LostPeriods();
    if (n > 0 && driver->DeviceInitialized() && !driver->DemoMode()) FReloadsWithoutSample = 0;
    bool lengthReached = false;
    if (driver->MeasurementDefined()) {
        // The length is time: sample periods, those lost included. The
        // measurement ends exactly on its last period, so what the read
        // brought beyond it is not part of it.
        const int64_t left = std::max<int64_t>(0, driver->SampleLimit() - driver->SampleCount());
        lost = std::min<uint64_t>(lost, static_cast<uint64_t>(left));
        n = static_cast<int32_t>(std::min<int64_t>(n, left - static_cast<int64_t>(lost)));
        driver->SetSampleCount(driver->SampleCount() + static_cast<int64_t>(lost) + n);
        lengthReached = driver->SampleCount() >= driver->SampleLimit();
    }
    if (lost > 0) n = MarkLoss(slot, n, lost, driver->LostSource());
    SetBlockLength(n);
    scope->SetDataAcquisitionStatus(status);
    ring->CommitWrite(n);
    if (lengthReached) {
        driver->SetSampleCount(0);
        scope->SetDataAcquisitionStatus(0);
        FContext.SettingsPasses->SetDirty(true);
    }
    // The lamps follow every change of the status, and the first status of
    // each measurement even when it equals the value cached at its start.
    if (FFirstReadOfStart || scope->CachedDataStatus() != scope->DataAcquisitionStatus())
        UpdateLeds();
    FFirstReadOfStart = false;
}

int32_t TAcquisitionThreadRM::MarkLoss(uint16_t *slot, int32_t n, uint64_t periods, uint16_t how) {
    // The record goes in front of the block, where the gap is. A block with
    // a gap in front comes from a full device memory, one read at most
    // (32,768 words), or from the demo source's dropped backlog (no words):
    // the slot holds both.
    n = std::min(n, TDataSourceModuleVexaRM::kMaxBlockWords - kLostSamplesRecordWords);
    std::memmove(slot + kLostSamplesRecordWords, slot, static_cast<size_t>(n) * sizeof(uint16_t));
    slot[0] = kWordRecordIntroducer;
    slot[1] = kLostSamplesRecordWords;
    slot[2] = kRecLostSamples;
    for (int i = 0; i < 4; ++i)
        slot[3 + i] = static_cast<uint16_t>(periods >> (16 * i));
    slot[7] = how;
    ++FLossRecords;
    if (!FLossTold) {
        // Once per measurement, without waiting for the operator.
        FLossTold = true;
        FContext.NoticeLostSamples(periods, FContext.Driver->SamplingRate());
    }
    return n + kLostSamplesRecordWords;
}

void TAcquisitionThreadRM::SettingsPass() {
    TVirtualScopeVexaRM *scope = FContext.Scope;
    TVirtualDriverVexaRM *driver = FContext.Driver;
    // Taken before the copy: a change made while it runs asks for another.
    const uint64_t request = FContext.SettingsPasses->Take();
    ApplySettings();
    if (!DrainRecords()) {
        FContext.SettingsPasses->SetDirty(true); // the records wait for the last pass
        return;
    }
    FContext.SettingsPasses->SetMirrored(request);
    if (driver->SetBackRequested()) {
        // The request is cleared before the listeners hear of it, so that
        // none of them sees it still raised.
        bool ran = InMainThread([&] {
            driver->SetSetBackRequested(false);
            if (!Terminated()) scope->Notify(kNotifyLevelsSetBack, kGroupDataFlow);
        });
        if (!ran) driver->SetSetBackRequested(false);
    }
}

bool TAcquisitionThreadRM::InMainThread(const std::function<void()> &fn) {
    TMainThreadHandoverVexaRM *handover = FContext.Handover;
    return handover && handover->RunInMainThread(fn);
}

bool TAcquisitionThreadRM::DrainRecords() {
    TDataSourceModuleVexaRM *ring = FContext.Ring;
    const int32_t words = FContext.Driver->RecordLength();
    uint16_t *slot = ring->GetRecordPointer(TerminatedFlag(), words);
    if (!slot) return false;
    int32_t n = 0;
    FContext.Driver->DrainRecords(slot, n);
    SetBlockLength(n);
    ring->CommitWrite(n);
    return true;
}

void TAcquisitionThreadRM::UpdateLeds() {
    TVirtualScopeVexaRM *scope = FContext.Scope;
    int32_t status = scope->DataAcquisitionStatus();
    scope->SetCachedDataStatus(status);
    bool known;
    if (ILampVexaRM *arm = FContext.ArmLED) {
        uint32_t c = LampColor(scope->ARMLEDStatus(), known);
        if (known) arm->SetLampColor(c);
    }
    if (ILampVexaRM *trigger = FContext.TriggerLED) {
        uint32_t c = LampColor(scope->TriggerLEDStatus(), known);
        if (known) trigger->SetLampColor(c);
    }
    if (status == 0 && !Terminated()) {
        // The measurement has ended: the front panel shows the stopped state.
        InMainThread([&] {
            if (!Terminated()) scope->Notify(kNotifySettingsChanged, kGroupDataFlow);
        });
    }
    FContext.SettingsPasses->SetDirty(true);
}

void TAcquisitionThreadRM::WaitBeforeReload() {
    if (!FReloadedBefore) return;
    const int64_t next = FLastReloadMs + kReloadSpacingMs;
    while (!Terminated() && FContext.ClockMs() < next)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

void TAcquisitionThreadRM::ReloadDriver() {
    TVirtualScopeVexaRM *scope = FContext.Scope;
    TVirtualDriverVexaRM *driver = FContext.Driver;
    // The failure is taken in now; what the next start-up reports is its own.
    driver->ClearUSBFailed();
    // A fresh device does not run until it is told to: the measurement is
    // mirrored as stopped now (its stop record marks the gap in the stream)
    // and started again by the mirroring after the reload, with a complete
    // start group.
    if (driver->MeasurementStarted()) {
        driver->SetMeasurementStarted(false);
        if (!DrainRecords()) return;
    }
    WaitBeforeReload();
    if (Terminated()) return;
    FReloadedBefore = true;
    FLastReloadMs = FContext.ClockMs();
    // A device that fails after every start without delivering a sample:
    // the operator decides instead of an endless round of reloads.
    const bool ask = FReloadsWithoutSample >= kReloadsBeforeQuestion;
    bool initialised = false; // InitializeDriver ran
    bool reloaded = false;    // and the operator did not choose to quit
    bool retry = true;
    // The library is unloaded and started again in the main thread, where
    // its start-up dialogs run. Nothing of it happens once the flow stops.
    bool ran = InMainThread([&] {
        if (Terminated()) return;
        if (ask && !(retry = driver->ConfirmRetryAfterRepeatedFailures())) return;
        driver->UnloadLibrary();
        scope->Notify(kNotifyDeviceRestart, kGroupDataFlow);
        if (Terminated()) return;
        driver->SetDescriptionAddress(scope->DeviceDescription());
        initialised = true;
        reloaded = driver->InitializeDriver();
    });
    if (!ran || Terminated()) return;
    if (ask) FReloadsWithoutSample = 0;
    if (initialised) {
        ++FReloads;
        ++FReloadsWithoutSample;
    }
    const bool quit = driver->TerminateApplication() || (initialised && !reloaded);
    // Without the device the recording does not go on: it ended with its
    // stop record, and demo samples never continue it. The operator starts
    // a new measurement knowingly.
    const bool ended = !(driver->DeviceInitialized() && !driver->DemoMode()) || !retry;
    if (ended && scope->MeasurementStarted()) scope->SetDataAcquisitionStatus(0);
    // The operator chose to quit: settings stay as they are.
    if (!quit) {
        driver->SetForceSettings(true);
        ApplySettings();
    }
    // The front panel and the title show what came of it.
    if (ended)
        UpdateLeds();
    else if (!quit)
        InMainThread([&] {
            if (!Terminated()) scope->Notify(kNotifySettingsChanged, kGroupDataFlow);
        });
}

} // namespace vexa
