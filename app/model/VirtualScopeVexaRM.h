// The scope model: every operator setting and run state of the instrument,
// the listener list through which every component learns of changes, and
// the record-file state.
#pragma once

#include "RecordStreamVexaRM.h"
#include "ScopeInterfacesVexaRM.h"
#include "ScopeListenerVexaRM.h"

#include "common/ScopeConstsVexaRM.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vexa {

class TVirtualDriverVexaRM;

// Colours hold red in the low byte, then green, then blue; the high byte is
// not used by the model.
using ColorVexa = uint32_t;

class TVirtualScopeVexaRM {
public:
    // One registration: the listener identifies the entry, the group is the
    // listener's ControlGroup when it registered (kept for information only).
    struct TListenerEntry {
        IScopeListenerVexaRM *Listener;
        int32_t Group;
    };

    // Every field starts zero, false, empty or none; ApplyStoredValues then
    // gives the properties the values the main window stores.
    TVirtualScopeVexaRM();
    // Does not close the record file (StopApplication does); an open stream
    // is released with the model.
    ~TVirtualScopeVexaRM();
    TVirtualScopeVexaRM(const TVirtualScopeVexaRM &) = delete;
    TVirtualScopeVexaRM &operator=(const TVirtualScopeVexaRM &) = delete;

    // Applies the main window's stored property values in the stored order,
    // through the setters where a property has one. References (driver,
    // readouts) are left to the main window.
    void ApplyStoredValues();

    // ---- Operator messages ----------------------------------------------
    void SetDialogs(IOperatorDialogs *dialogs) { FDialogs.store(dialogs); }
    IOperatorDialogs *Dialogs() const { return FDialogs.load(); }
    // Shows a message through Dialogs (main thread). Without a dialogs
    // object the message is dropped and the default answer is returned
    // (Cancel when offered, else No, else Ok).
    int AskOperator(DialogStyle style, const std::string &text, int buttons);
    int AskOperator(const TDialogQuestion &question);

    // ---- Locks ------------------------------------------------------------
    // Held by every setter of a device-relevant setting and by the
    // acquisition thread for its whole copy into the virtual driver. Not
    // re-entrant: never call a model setter that takes it while holding it.
    std::mutex &SettingsLock() { return FSettingsLock; }
    // Guards FileSize, its readout, the record stream and each block write.
    std::mutex &FileSizeLock() { return FFileSizeLock; }

    // ---- Record file --------------------------------------------------------
    // The open record file, or null. Replaced only on the main thread under
    // FileSizeLock; other threads use it only under FileSizeLock.
    TRecordStreamVexaRM *ActualOutputStream() const { return FOutputStream.get(); }
    // Replaces the open stream (the old one is closed), under FileSizeLock.
    void SetActualOutputStream(std::unique_ptr<TRecordStreamVexaRM> stream);
    bool SavingActivated() const { return FSavingActivated.load(); }
    // Stores the flag, then OpenRecordFile with the current name.
    void SetSavingActivated(bool v);
    double FileSize() const { return FFileSize.load(); }
    // Under FileSizeLock: stores and shows the value on FileSizeLabel.
    void SetFileSize(double v);
    std::string GetRecordFileName() const;
    // Closes the open file, FileSize := 0, stores the name; only while
    // ApplicationInitialized and SavingActivated opens the file for
    // appending (deleting its index file) or creates it.
    void OpenRecordFile(const std::string &name);
    // Closes the open file, FileSize := 0, creates the file anew (empty) and
    // keeps it open, whether or not saving is on. The caller asks the
    // operator first.
    void ClearRecordFile();
    // The program's own files (settings files, help page), which a record
    // file must never be: opening or clearing a record file under a name
    // that leads to one of them fails with "Cannot create file ...".
    // Relative names resolve in the current folder. Main thread only.
    void SetOwnFiles(std::vector<std::string> names) { FOwnFiles = std::move(names); }
    const std::vector<std::string> &OwnFiles() const { return FOwnFiles; }
    // True when name leads to one of OwnFiles: the same file where both
    // exist (links included), else the same path once the folders are
    // resolved.
    bool IsOwnFile(const std::string &name) const;
    // The viewer's index file beside a record file: the last three
    // characters replaced by "ind" (three or fewer give "ind").
    static std::string IndexFileName(const std::string &recordFileName);
    // Processing thread: under FileSizeLock, when saving is on and a stream
    // is open, appends the n words (2n bytes, little-endian) and adds 2n to
    // FileSize. Returns false when the write failed: the stream is then
    // closed, so nothing more is written and what is on disk stays intact.
    bool AppendRecordWords(const uint16_t *words, int n);

    // ---- Channels -----------------------------------------------------------
    // Density, level, scaled level, maximum and probe live in arrays indexed
    // by Channel; their A and B accessors are their names for the panel, the
    // files and the flow. The other channel values (coupling, ground, on/off,
    // zero level, colours, trigger and arm values) are still A/B fields.
    enum Channel { kA = 0, kB = 1 };
    uint16_t Density(Channel ch) const { return FDensity[ch].load(); }
    // Under SettingsLock; above 9 becomes 9, below 1 becomes 1.
    void SetDensity(Channel ch, int32_t v);
    int32_t MaxChannel(Channel ch) const { return FMaxChannel[ch].load(); }
    void SetMaxChannel(Channel ch, int32_t v) { FMaxChannel[ch].store(v); }
    uint16_t VerticalLevel(Channel ch) const { return FVerticalLevel[ch].load(); }
    // Under SettingsLock; accepted only for 1..4095.
    void SetVerticalLevel(Channel ch, int32_t v);
    // VerticalLevel x MaxChannel / 4096, truncated.
    int32_t ScaledLevel(Channel ch) const;
    // For 0 <= v <= MaxChannel (and MaxChannel > 0): VerticalLevel :=
    // v x 4095 / MaxChannel, truncated; otherwise nothing.
    void SetScaledLevel(Channel ch, int32_t v);
    int32_t SourceProbe(Channel ch) const { return FSourceProbe[ch].load(); }
    // Under SettingsLock.
    void SetSourceProbe(Channel ch, int32_t v);

    uint16_t DensityChannelA() const { return Density(kA); }
    uint16_t DensityChannelB() const { return Density(kB); }
    void SetDensityChannelA(int32_t v) { SetDensity(kA, v); }
    void SetDensityChannelB(int32_t v) { SetDensity(kB, v); }
    int32_t MaxChannelA() const { return MaxChannel(kA); }
    int32_t MaxChannelB() const { return MaxChannel(kB); }
    void SetMaxChannelA(int32_t v) { SetMaxChannel(kA, v); }
    void SetMaxChannelB(int32_t v) { SetMaxChannel(kB, v); }
    uint16_t VerticalLevelChannelA() const { return VerticalLevel(kA); }
    uint16_t VerticalLevelChannelB() const { return VerticalLevel(kB); }
    void SetVerticalLevelChannelA(int32_t v) { SetVerticalLevel(kA, v); }
    void SetVerticalLevelChannelB(int32_t v) { SetVerticalLevel(kB, v); }
    int32_t ScaledLevelChannelA() const { return ScaledLevel(kA); }
    int32_t ScaledLevelChannelB() const { return ScaledLevel(kB); }
    void SetScaledLevelChannelA(int32_t v) { SetScaledLevel(kA, v); }
    void SetScaledLevelChannelB(int32_t v) { SetScaledLevel(kB, v); }
    bool SourceACDC_A() const { return FSourceACDC_A.load(); }
    bool SourceACDC_B() const { return FSourceACDC_B.load(); }
    void SetSourceACDC_A(bool v);
    void SetSourceACDC_B(bool v);
    int32_t SourceProbeA() const { return SourceProbe(kA); }
    int32_t SourceProbeB() const { return SourceProbe(kB); }
    void SetSourceProbeA(int32_t v) { SetSourceProbe(kA, v); }
    void SetSourceProbeB(int32_t v) { SetSourceProbe(kB, v); }
    bool GroundA() const { return FGroundA.load(); }
    bool GroundB() const { return FGroundB.load(); }
    void SetGroundA(bool v);
    void SetGroundB(bool v);
    bool StatusChannelA() const { return FStatusChannelA.load(); }
    bool StatusChannelB() const { return FStatusChannelB.load(); }
    void SetStatusChannelA(bool v);
    void SetStatusChannelB(bool v);
    int32_t ZeroChannelA() const { return FZeroChannelA.load(); }
    int32_t ZeroChannelB() const { return FZeroChannelB.load(); }
    void SetZeroChannelA(int32_t v) { FZeroChannelA.store(v); }
    void SetZeroChannelB(int32_t v) { FZeroChannelB.store(v); }
    // Millivolts per division at the probe tip; 100 = A, 200 = B, any other
    // selector means A. 1 for a probe or density out of range.
    int32_t DeflectionFactor(int32_t channel) const;
    // "    1:1", "  1:10", "1:100", "1:1000"; empty for other probe codes.
    std::string ProbeText(int32_t channel) const;

    // ---- Colours and display ------------------------------------------------
    ColorVexa ColorChannelA() const { return FColorChannelA.load(); }
    ColorVexa ColorChannelB() const { return FColorChannelB.load(); }
    void SetColorChannelA(ColorVexa v) { FColorChannelA.store(v); }
    void SetColorChannelB(ColorVexa v) { FColorChannelB.store(v); }
    ColorVexa ColorGrid() const { return FColorGrid.load(); }
    // Stores, then recomputes RealGridColor.
    void SetColorGrid(ColorVexa v);
    // ColorGrid dimmed by GridBrightness percent (each byte rounded to
    // nearest, ties to even; high byte dropped).
    ColorVexa RealGridColor() const { return FRealGridColor.load(); }
    ColorVexa BackgroundColor() const { return FBackgroundColor.load(); }
    void SetBackgroundColor(ColorVexa v) { FBackgroundColor.store(v); }
    bool ModeLine() const { return FModeLine.load(); }
    void SetModeLine(bool v) { FModeLine.store(v); }
    bool ModeBF() const { return FModeBF.load(); }
    void SetModeBF(bool v) { FModeBF.store(v); }
    bool ModeEKG() const { return FModeEKG.load(); }
    void SetModeEKG(bool v) { FModeEKG.store(v); }
    bool DisplayActive() const { return FDisplayActive.load(); }
    // Stores; false also requests clearing the screen.
    void SetDisplayActive(bool v);
    bool MakeMaximum() const { return FMakeMaximum.load(); }
    void SetMakeMaximum(bool v) { FMakeMaximum.store(v); }
    bool MakeMinimum() const { return FMakeMinimum.load(); }
    void SetMakeMinimum(bool v) { FMakeMinimum.store(v); }
    bool MakeAvg() const { return FMakeAvg.load(); }
    void SetMakeAvg(bool v) { FMakeAvg.store(v); }
    bool SingleMode() const { return FSingleMode.load(); }
    void SetSingleMode(bool v) { FSingleMode.store(v); }
    bool ClearScreenRequested() const { return FClearScreenRequested.load(); }
    void SetClearScreenRequested(bool v) { FClearScreenRequested.store(v); }
    bool Grid() const { return FGrid.load(); }
    void SetGrid(bool v) { FGrid.store(v); }
    int32_t GridBrightness() const { return FGridBrightness.load(); }
    // Stores, then recomputes RealGridColor.
    void SetGridBrightness(int32_t v);

    // ---- Main window ------------------------------------------------------
    bool MainScreenMaximized() const { return FMainScreenMaximized.load(); }
    void SetMainScreenMaximized(bool v) { FMainScreenMaximized.store(v); }
    int32_t MainWindowHeight() const { return FMainWindowHeight.load(); }
    void SetMainWindowHeight(int32_t v) { FMainWindowHeight.store(v); }
    int32_t MainWindowWidth() const { return FMainWindowWidth.load(); }
    void SetMainWindowWidth(int32_t v) { FMainWindowWidth.store(v); }
    bool ShowComixHelp() const { return FShowComixHelp.load(); }
    void SetShowComixHelp(bool v) { FShowComixHelp.store(v); }
    bool BoostThread() const { return FBoostThread.load(); }
    void SetBoostThread(bool v) { FBoostThread.store(v); }

    // ---- Trigger and arm (setters under SettingsLock) -----------------------
    bool TriggerSourceA() const { return FTriggerSourceA.load(); }
    bool TriggerSourceB() const { return FTriggerSourceB.load(); }
    void SetTriggerSourceA(bool v);
    void SetTriggerSourceB(bool v);
    double TriggerLevelA() const { return FTriggerLevelA.load(); }
    double TriggerLevelB() const { return FTriggerLevelB.load(); }
    void SetTriggerLevelA(double v);
    void SetTriggerLevelB(double v);
    bool TriggerUnderA() const { return FTriggerUnderA.load(); }
    bool TriggerUnderB() const { return FTriggerUnderB.load(); }
    void SetTriggerUnderA(bool v);
    void SetTriggerUnderB(bool v);
    bool TriggerRelation() const { return FTriggerRelation.load(); }
    void SetTriggerRelation(bool v);
    bool ARMSourceA() const { return FARMSourceA.load(); }
    bool ARMSourceB() const { return FARMSourceB.load(); }
    bool ARMSourceExternal() const { return FARMSourceExternal.load(); }
    void SetARMSourceA(bool v);
    void SetARMSourceB(bool v);
    void SetARMSourceExternal(bool v);
    double ARMLevelA() const { return FARMLevelA.load(); }
    double ARMLevelB() const { return FARMLevelB.load(); }
    void SetARMLevelA(double v);
    void SetARMLevelB(double v);
    bool ARMUnderA() const { return FARMUnderA.load(); }
    bool ARMUnderB() const { return FARMUnderB.load(); }
    bool ARMUnderExternal() const { return FARMUnderExternal.load(); }
    void SetARMUnderA(bool v);
    void SetARMUnderB(bool v);
    void SetARMUnderExternal(bool v);
    // True when, for channel A or B, trigger and arm source are both on and
    // the arm level lies on the wrong side of the trigger level: a
    // measurement may not start then.
    bool ArmTriggerConflict() const;

    // ---- Indicators and status ----------------------------------------------
    int32_t TriggerLEDStatus() const { return FTriggerLEDStatus.load(); }
    void SetTriggerLEDStatus(int32_t v) { FTriggerLEDStatus.store(v); }
    int32_t ARMLEDStatus() const { return FARMLEDStatus.load(); }
    void SetARMLEDStatus(int32_t v) { FARMLEDStatus.store(v); }
    uint8_t DataAcquisitionStatus() const { return FDataAcquisitionStatus.load(); }
    // 0 ends the measurement; non-zero while no measurement runs is ignored;
    // otherwise stores and derives both LED states. Takes no lock itself,
    // but 0 stops the measurement through its setter (SettingsLock): never
    // call it while holding SettingsLock.
    void SetDataAcquisitionStatus(uint8_t v);
    int32_t CachedDataStatus() const { return FCachedDataStatus.load(); }
    void SetCachedDataStatus(int32_t v) { FCachedDataStatus.store(v); }

    // ---- Measurement ------------------------------------------------------
    bool RecordTriggered() const { return FRecordTriggered.load(); }
    void SetRecordTriggered(bool v) { FRecordTriggered.store(v); }
    bool RecordFree() const { return FRecordFree.load(); }
    void SetRecordFree(bool v);
    bool MeasurementStarted() const { return FMeasurementStarted.load(); }
    // Under SettingsLock. True: CachedDataStatus := kStatusWaitingBoth. False: status byte
    // and both LED states := 0.
    void SetMeasurementStarted(bool v);
    uint32_t MeasurementLength() const { return FMeasurementLength.load(); }
    void SetMeasurementLength(uint32_t v);
    bool MeasurementDefined() const { return FMeasurementDefined.load(); }
    void SetMeasurementDefined(bool v);
    bool SettingsToFile() const { return FSettingsToFile.load(); }
    void SetSettingsToFile(bool v);

    // ---- Rates --------------------------------------------------------------
    int32_t SMPSetting() const { return FSMPSetting.load(); }
    int32_t DSPSetting() const { return FDSPSetting.load(); }
    // Under SettingsLock; an index outside its table (0..15, 0..16) is
    // brought to the nearest end; store, then raise the other index so that
    // at least 50 samples fall on a division.
    void SetSMPSetting(int32_t v);
    void SetDSPSetting(int32_t v);
    int32_t SamplesPerSecond() const { return FSamplesPerSecond.load(); }
    void SetSamplesPerSecond(int32_t v) { FSamplesPerSecond.store(v); }
    double SecondsPerDivider() const { return FSecondsPerDivider.load(); }
    void SetSecondsPerDivider(double v) { FSecondsPerDivider.store(v); }

    // ---- Demo source (setters under SettingsLock) ---------------------------
    int32_t PeriodA() const { return FPeriodA.load(); }
    int32_t PeriodB() const { return FPeriodB.load(); }
    void SetPeriodA(int32_t v);
    void SetPeriodB(int32_t v);
    int32_t AmplitudeA() const { return FAmplitudeA.load(); }
    int32_t AmplitudeB() const { return FAmplitudeB.load(); }
    void SetAmplitudeA(int32_t v);
    void SetAmplitudeB(int32_t v);
    int32_t NoiseA() const { return FNoiseA.load(); }
    int32_t NoiseB() const { return FNoiseB.load(); }
    void SetNoiseA(int32_t v);
    void SetNoiseB(int32_t v);

    // ---- Latest sample and readouts -------------------------------------------
    uint16_t ActualVoltage() const { return FActualVoltage.load(); }
    // A word with channel B code 0 only repaints the readouts; otherwise
    // stores it and hands both voltages (mV, rounded) to the readouts.
    void SetActualVoltage(uint16_t w);
    IValueReadout *FileSizeLabel() const { return FFileSizeLabel.load(); }
    void SetFileSizeLabel(IValueReadout *r) { FFileSizeLabel.store(r); }
    IValueReadout *ActualVoltageA() const { return FActualVoltageA.load(); }
    void SetActualVoltageA(IValueReadout *r) { FActualVoltageA.store(r); }
    IValueReadout *ActualVoltageB() const { return FActualVoltageB.load(); }
    void SetActualVoltageB(IValueReadout *r) { FActualVoltageB.store(r); }

    // ---- Device -------------------------------------------------------------
    TVirtualDriverVexaRM *VirtualDriver() const { return FVirtualDriver.load(); }
    // A null driver is ignored: the property can be set, never cleared.
    void SetVirtualDriver(TVirtualDriverVexaRM *driver);
    // The 240-byte record the driver library fills at start-up.
    uint8_t *DeviceDescription() { return FDeviceDescription; }
    const uint8_t *DeviceDescription() const { return FDeviceDescription; }
    // The last 32-bit field of DeviceDescription (little-endian).
    int32_t DeviceType() const;

    // ---- Start-up state and notifications -------------------------------------
    bool ApplicationInitialized() const { return FApplicationInitialized.load(); }
    void SetApplicationInitialized(bool v) { FApplicationInitialized.store(v); }
    bool NotifyEnabled() const { return FNotifyEnabled; }
    void SetNotifyEnabled(bool v) { FNotifyEnabled = v; }
    // Main thread only. Appends one entry; no duplicate check.
    void RegisterListener(int32_t group, IScopeListenerVexaRM *listener);
    // Removes the first entry of this listener; no match removes nothing.
    void UnregisterListener(IScopeListenerVexaRM *listener);
    // One notification pass to every listener, whatever the sender group.
    // Kind 3 detaches the listeners from the last to the first.
    void Notify(int32_t kind, int32_t senderGroup);
    const std::vector<TListenerEntry> &Listeners() const { return FListeners; }
    // Arms notifications, sends 6 then 1 (sender 255), then marks the
    // application initialised.
    void StartApplication();
    // Stops the measurement, sends 2 then 3 (sender 255), closes the record
    // file.
    void StopApplication();

private:
    void StoreFileSizeLocked(double v); // FileSizeLock held by the caller
    void UpdateRealGridColor();
    void ApplyDerivedLevel(std::atomic<uint16_t> &level, int32_t scaled, int32_t max);

    // Guards the device-relevant settings (see SettingsLock()).
    mutable std::mutex FSettingsLock;
    // Guards FileSize, its readout, the record stream and block writes.
    mutable std::mutex FFileSizeLock;

    std::atomic<IOperatorDialogs *> FDialogs{nullptr};

    // Record-file state; FFileName and FOutputStream change under
    // FileSizeLock on the main thread only.
    std::string FFileName;
    std::unique_ptr<TRecordStreamVexaRM> FOutputStream;
    std::vector<std::string> FOwnFiles; // main thread only
    std::atomic<bool> FSavingActivated{false};
    std::atomic<double> FFileSize{0.0};

    std::atomic<uint16_t> FDensity[2] = {0, 0};
    std::atomic<int32_t> FMaxChannel[2] = {0, 0};
    std::atomic<uint16_t> FVerticalLevel[2] = {0, 0};
    std::atomic<ColorVexa> FColorChannelA{0}, FColorChannelB{0}, FColorGrid{0};
    std::atomic<ColorVexa> FRealGridColor{0}, FBackgroundColor{0};
    std::atomic<bool> FModeLine{false}, FModeBF{false}, FModeEKG{false};
    std::atomic<bool> FDisplayActive{false};
    std::atomic<bool> FMakeMaximum{false}, FMakeMinimum{false}, FMakeAvg{false};
    std::atomic<bool> FSingleMode{false}, FClearScreenRequested{false}, FGrid{false};
    std::atomic<int32_t> FGridBrightness{0};
    std::atomic<bool> FMainScreenMaximized{false};
    std::atomic<int32_t> FMainWindowHeight{0}, FMainWindowWidth{0};
    std::atomic<bool> FTriggerSourceA{false}, FTriggerSourceB{false};
    std::atomic<double> FTriggerLevelA{0.0}, FTriggerLevelB{0.0};
    std::atomic<bool> FTriggerUnderA{false}, FTriggerUnderB{false};
    std::atomic<int32_t> FTriggerLEDStatus{0};
    std::atomic<uint8_t> FDataAcquisitionStatus{0};
    std::atomic<bool> FTriggerRelation{false};
    std::atomic<bool> FARMSourceA{false}, FARMSourceB{false}, FARMSourceExternal{false};
    std::atomic<double> FARMLevelA{0.0}, FARMLevelB{0.0};
    std::atomic<bool> FARMUnderA{false}, FARMUnderB{false}, FARMUnderExternal{false};
    std::atomic<int32_t> FARMLEDStatus{0};
    std::atomic<bool> FSourceACDC_A{false}, FSourceACDC_B{false};
    std::atomic<int32_t> FSourceProbe[2] = {0, 0};
    std::atomic<bool> FGroundA{false}, FGroundB{false};
    std::atomic<bool> FRecordTriggered{false}, FRecordFree{false};
    std::atomic<bool> FMeasurementStarted{false};
    std::atomic<uint32_t> FMeasurementLength{0};
    std::atomic<bool> FMeasurementDefined{false};
    std::atomic<int32_t> FSMPSetting{0}, FDSPSetting{0};
    std::atomic<bool> FStatusChannelA{false}, FStatusChannelB{false};
    std::atomic<TVirtualDriverVexaRM *> FVirtualDriver{nullptr};
    std::atomic<int32_t> FZeroChannelA{0}, FZeroChannelB{0};
    std::atomic<bool> FShowComixHelp{false}, FBoostThread{false};
    std::atomic<IValueReadout *> FFileSizeLabel{nullptr};
    std::atomic<IValueReadout *> FActualVoltageA{nullptr}, FActualVoltageB{nullptr};
    std::atomic<int32_t> FPeriodA{0}, FPeriodB{0}, FAmplitudeA{0}, FAmplitudeB{0};
    std::atomic<int32_t> FNoiseA{0}, FNoiseB{0};
    std::atomic<uint16_t> FActualVoltage{0};
    std::atomic<bool> FSettingsToFile{false};
    std::atomic<int32_t> FCachedDataStatus{0};
    std::atomic<bool> FApplicationInitialized{false};
    std::atomic<int32_t> FSamplesPerSecond{0};
    std::atomic<double> FSecondsPerDivider{0.0};

    uint8_t FDeviceDescription[kDeviceDescriptionSize] = {};

    // Notification machinery; main thread only, no lock.
    std::vector<TListenerEntry> FListeners;
    bool FNotifyEnabled = false;
};

} // namespace vexa
