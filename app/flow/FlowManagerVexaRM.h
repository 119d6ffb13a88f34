// Starts, stops and routes the data flow: owns the acquisition and the
// processing thread, picks the display that receives the blocks, shows the
// "Display off" caption and applies the priority boost.
#pragma once

#include "FlowContextVexaRM.h"
#include "FlowInterfacesVexaRM.h"
#include "model/ScopeListenerVexaRM.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace vexa {

class TVirtualScopeVexaRM;
class TDataSourceModuleVexaRM;
class TMainThreadHandoverVexaRM;
class TAcquisitionThreadRM;
class TProcessingThreadRM;

class TFlowManagerVexaRM : public IScopeListenerVexaRM {
public:
    // How long the stop waits for each thread before it closes the
    // main-thread hand-over, and how long it then waits once more.
    static constexpr int kAcquisitionStopMs = 1000;
    static constexpr int kProcessingStopMs = 1500;
    static constexpr int kAfterCloseMs = 3000;

    TFlowManagerVexaRM();
    ~TFlowManagerVexaRM() override;
    TFlowManagerVexaRM(const TFlowManagerVexaRM &) = delete;
    TFlowManagerVexaRM &operator=(const TFlowManagerVexaRM &) = delete;

    TDataSourceModuleVexaRM *DataSourceInstance() const { return FDataSource; }
    void SetDataSourceInstance(TDataSourceModuleVexaRM *ring) { FDataSource = ring; }
    IBlockDisplayVexaRM *RollScreen() const { return FRollScreen; }
    void SetRollScreen(IBlockDisplayVexaRM *display) { FRollScreen = display; }
    IBlockDisplayVexaRM *EKGScreen() const { return FEKGScreen; }
    void SetEKGScreen(IBlockDisplayVexaRM *display) { FEKGScreen = display; }
    IShowableVexaRM *LinkToDispInactiveCaption() const { return FCaption; }
    void SetLinkToDispInactiveCaption(IShowableVexaRM *caption) { FCaption = caption; }
    ILampVexaRM *ArmLED() const { return FArmLED; }
    void SetArmLED(ILampVexaRM *lamp) { FArmLED = lamp; }
    ILampVexaRM *TriggerLED() const { return FTriggerLED; }
    void SetTriggerLED(ILampVexaRM *lamp) { FTriggerLED = lamp; }
    // The main-thread hand-over the worker threads use; the stop services it
    // while it waits.
    TMainThreadHandoverVexaRM *MainThreadHandover() const { return FHandover; }
    void SetMainThreadHandover(TMainThreadHandoverVexaRM *handover) { FHandover = handover; }

    // Setting the scope registers this manager as its listener under
    // ControlGroup (and unregisters it from the previous one).
    TVirtualScopeVexaRM *VirtualScope() const { return FScope; }
    void SetVirtualScope(TVirtualScopeVexaRM *scope);
    int32_t ControlGroup() const { return FControlGroup; }
    void SetControlGroup(int32_t group) { FControlGroup = group; }

    // Asks the acquisition thread to mirror every setting and drain the
    // setting records (see TSettingsPassesVexaRM for who writes it).
    bool ScopeSettingsDirty() const { return FSettingsPasses.Dirty(); }
    void SetScopeSettingsDirty(bool dirty) { FSettingsPasses.SetDirty(dirty); }
    // Main thread: sets ScopeSettingsDirty and returns the number of this
    // request (they count up from 1).
    uint64_t AskSettingsPass() { return FSettingsPasses.Ask(); }
    // Main thread: asks for a settings pass and waits until its records are
    // in the ring and the processing thread has passed on every word of the
    // ring (display, record file): after a stop, the stop record is then in
    // the record file. Services the main-thread hand-over while it waits.
    // True when that happened within ms milliseconds or no flow runs.
    bool WaitUntilRecorded(int ms);

    // The display that is visible and receives blocks.
    IBlockDisplayVexaRM *ActiveDisplay() const { return FActiveDisplay; }
    // The value of BoostThread last applied to the threads.
    bool LastBoost() const { return FLastBoost; }
    TAcquisitionThreadRM *AcquisitionThread() const { return FAcquisition.get(); }
    TProcessingThreadRM *ProcessingThread() const { return FProcessing.get(); }

    void OnScopeNotification(int32_t kind, const int32_t &senderGroup) override;

    // The flow's clock in milliseconds for the threads started next: the
    // steady clock unless a test sets its own before the threads start.
    void SetClock(std::function<int64_t()> clock) { FClock = std::move(clock); }

    // Notification 1: reset the ring, create and start both threads.
    void StartThreads();
    // Notification 3: stop both threads within the bounded waits and unload
    // the driver library.
    void StopThreads();

private:
    // What the threads started next work with (FlowContextVexaRM.h).
    TFlowContextVexaRM MakeContext();
    void ApplyBoost();
    void ShowDisplayState();
    void SwitchDisplay(IBlockDisplayVexaRM *display);
    // Waits for a terminated thread; closes the hand-over if it does not end.
    template <class T> void WaitAndFree(std::unique_ptr<T> &thread, int ms);

    TVirtualScopeVexaRM *FScope = nullptr;
    int32_t FControlGroup = 5;
    TDataSourceModuleVexaRM *FDataSource = nullptr;
    IBlockDisplayVexaRM *FRollScreen = nullptr;
    IBlockDisplayVexaRM *FEKGScreen = nullptr;
    IBlockDisplayVexaRM *FActiveDisplay = nullptr;
    IShowableVexaRM *FCaption = nullptr;
    ILampVexaRM *FArmLED = nullptr;
    ILampVexaRM *FTriggerLED = nullptr;
    TMainThreadHandoverVexaRM *FHandover = nullptr;
    // Handed to the acquisition thread through the context.
    TSettingsPassesVexaRM FSettingsPasses;
    bool FLastBoost = false;
    std::unique_ptr<TAcquisitionThreadRM> FAcquisition;
    std::unique_ptr<TProcessingThreadRM> FProcessing;
    std::function<int64_t()> FClock;
    // What a posted notice looks at when it runs, in the main thread: the
    // threads still run (else it shows nothing), and a notice box is open.
    // Shared with the posted items, which may outlive a stop.
    struct NoticeState {
        bool Open = false;
        bool Showing = false;
    };
    std::shared_ptr<NoticeState> FNotices = std::make_shared<NoticeState>();
};

} // namespace vexa
