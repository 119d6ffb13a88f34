// The application's proxy of the device. It loads the driver library
// (libvexarmdrv.so, from the executable's folder unless told otherwise),
// brings the device up with the operator's dialogs, mirrors every device
// setting as a DeviceFunction command, collects the setting records that go
// into the word stream, and delivers sample blocks from the device or, in
// demo mode, from the built-in sine source.
//
// Threads: the setters, ReadBlock, DrainRecords and ClearRecords run in the
// acquisition thread (the setters inside the scope model's settings lock);
// the acquisition thread's constructor also runs every setter in the main
// thread, twice (before and after InitializeDriver), before the thread exists.
// InitializeDriver and UnloadLibrary run in the main thread while the
// acquisition thread is not running or waits for them. USBFailed is written
// by the transport's callback thread through the driver library.
//
// Ending the application. InitializeDriver never ends the process. When the
// operator chooses to quit in a start-up dialog ("No" when the library is
// missing, "Cancel" on a retry question), InitializeDriver completes, leaves
// TerminateApplication() true, calls the TerminateHandler (if one is set)
// once, and returns false. The caller acts on it: the program start before
// the message loop runs returns from main instead of entering the loop; the
// flow manager and the main window ask the application object to quit; the
// acquisition thread does not re-apply the settings.
#pragma once

#include "DemoSourceVexaRM.h"
#include "SharedLibraryVexaRM.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>

#include "common/ScopeConstsVexaRM.h"
#include "model/ScopeInterfacesVexaRM.h"

namespace vexa {

class TVirtualDriverVexaRM {
public:
    // The driver library's exports.
    using InitializeDeviceFn = int32_t (*)(uint8_t *description);
    using DeInitializeDeviceFn = int32_t (*)();
    using DeviceFunctionFn = int32_t (*)(int32_t code, uint16_t *buffer, int32_t reserved1,
                                         uint8_t *bytes, int32_t reserved2, intptr_t value,
                                         int32_t *result);

    static constexpr int kRecordBufferWords = 1025;
    static constexpr const char *kDefaultLibraryName = "libvexarmdrv.so";

    TVirtualDriverVexaRM();
    // Does not release the library explicitly (the flow manager unloads it);
    // a library still held is released with the loader.
    ~TVirtualDriverVexaRM() = default;
    TVirtualDriverVexaRM(const TVirtualDriverVexaRM &) = delete;
    TVirtualDriverVexaRM &operator=(const TVirtualDriverVexaRM &) = delete;

    // ---- Wiring --------------------------------------------------------
    IOperatorDialogs *Dialogs() const { return FDialogs; }
    // Without dialogs every start-up question is answered as "continue in
    // demo mode" (No / OK), never as quitting.
    void SetDialogs(IOperatorDialogs *dialogs) { FDialogs = dialogs; }
    // Called once by InitializeDriver when the operator chose to quit.
    // It must only request the end (e.g. post a quit); it must not exit.
    void SetTerminateHandler(std::function<void()> handler) {
        FTerminateHandler = std::move(handler);
    }
    // Folder of the driver library; empty (the default) means the
    // executable's folder.
    const std::string &LibraryFolder() const { return FLibraryFolder; }
    void SetLibraryFolder(const std::string &folder) { FLibraryFolder = folder; }
    const std::string &LibraryName() const { return FLibraryName; }
    void SetLibraryName(const std::string &name) { FLibraryName = name; }
    // Folder + "/" + name: the file InitializeDriver loads.
    std::string LibraryPath() const;
    bool LibraryLoaded() const { return FLibrary.Loaded(); }
    // The scope model's 240-byte DeviceDescription area. Until one is
    // handed over, a private area of the same size is used.
    uint8_t *DescriptionAddress() const { return FDescription; }
    void SetDescriptionAddress(uint8_t *address);

    // ---- Start-up and library ------------------------------------------
    // Main thread. Loads the library, registers the failure byte, starts
    // the device and answers every start-up result with the operator's
    // dialogs. Returns false when the operator chose to end the
    // application (see the note at the top), true otherwise.
    bool InitializeDriver();
    // Main thread. The device failed after several starts in a row without
    // delivering a sample: asks the operator whether to retry (true), to
    // continue in demo mode (the library is released) or to quit (as a quit
    // in a start-up dialog). Without dialogs: demo mode.
    bool ConfirmRetryAfterRepeatedFailures();
    // Releases the library if loaded. DeviceInitialized stays as it is; the
    // entry points are forgotten, so a command sent before the next
    // InitializeDriver is dropped instead of calling into released code.
    void UnloadLibrary();

    // ---- Blocks and records (acquisition thread) -----------------------
    // buffer: room for 65,536 words. Demo source when !DeviceInitialized or
    // DemoMode, else DeviceFunction code 14. count is 0 whenever nothing new
    // was delivered (also when the library left its result untouched).
    uint8_t ReadBlock(uint16_t *buffer, int32_t &count);
    uint8_t GenerateDemoBlock(uint16_t *buffer, int32_t &count);
    // Sample periods lost in front of the block the last ReadBlock
    // delivered (the device was not read in time), and how they were
    // counted (a LostSamplesSource). 0 when nothing was lost.
    uint64_t LostPeriods() const { return FLostPeriods; }
    uint16_t LostSource() const { return FLostSource; }
    // Copies the pending records into buffer, count := their words, then
    // ClearRecords.
    void DrainRecords(uint16_t *buffer, int32_t &count);
    void ClearRecords();
    int32_t RecordLength() const { return FRecordLength; }
    TDemoSourceVexaRM &DemoSource() { return FDemo; }

    // mV per division at the probe tip for channel 100 (A) or 200 (B).
    int32_t DeflectionFactor(int32_t channel) const;
    // Samples per second of SMPSetting.
    int32_t SamplingRate() const;

    // ---- Read-only state ----------------------------------------------
    bool TerminateApplication() const { return FTerminateApplication; }
    bool USBFailed() const { return FUSBFailed.load() != 0; }
    // The failure has been taken in (a reload starts, or no device is in
    // use): a later loss raises it again.
    void ClearUSBFailed() { FUSBFailed = 0; }
    const std::string &DeviceDriverVersion() const { return FDeviceDriverVersion; }
    const std::string &USBDriverVersion() const { return FUSBDriverVersion; }

    // ---- Settings with commands ----------------------------------------
    bool ARMSourceA() const { return FARMSourceA; }
    void SetARMSourceA(bool v);
    bool ARMSourceB() const { return FARMSourceB; }
    void SetARMSourceB(bool v);
    bool ARMSourceExternal() const { return FARMSourceExternal; }
    void SetARMSourceExternal(bool v);
    double ARMLevelA() const { return FARMLevelA; }
    void SetARMLevelA(double v);
    double ARMLevelB() const { return FARMLevelB; }
    void SetARMLevelB(double v);
    bool ARMUnderA() const { return FARMUnderA; }
    void SetARMUnderA(bool v);
    bool ARMUnderB() const { return FARMUnderB; }
    void SetARMUnderB(bool v);
    bool ARMUnderExternal() const { return FARMUnderExternal; }
    void SetARMUnderExternal(bool v);
    bool TriggerSourceA() const { return FTriggerSourceA; }
    void SetTriggerSourceA(bool v);
    bool TriggerSourceB() const { return FTriggerSourceB; }
    void SetTriggerSourceB(bool v);
    double TriggerLevelA() const { return FTriggerLevelA; }
    void SetTriggerLevelA(double v);
    double TriggerLevelB() const { return FTriggerLevelB; }
    void SetTriggerLevelB(double v);
    bool TriggerUnderA() const { return FTriggerUnderA; }
    void SetTriggerUnderA(bool v);
    bool TriggerUnderB() const { return FTriggerUnderB; }
    void SetTriggerUnderB(bool v);
    bool TriggerRelation() const { return FTriggerRelation; }
    void SetTriggerRelation(bool v);
    uint16_t DensityChannelA() const { return FDensityChannelA; }
    void SetDensityChannelA(uint16_t v);
    uint16_t DensityChannelB() const { return FDensityChannelB; }
    void SetDensityChannelB(uint16_t v);
    bool RecordFree() const { return FRecordFree; }
    void SetRecordFree(bool v);
    bool MeasurementStarted() const { return FMeasurementStarted; }
    void SetMeasurementStarted(bool v);
    uint32_t MeasurementLength() const { return FMeasurementLength; }
    void SetMeasurementLength(uint32_t v);
    // Holds 4095 minus the value written to it.
    uint16_t VerticalLevelChannelA() const { return FVerticalLevelChannelA; }
    void SetVerticalLevelChannelA(uint16_t v);
    uint16_t VerticalLevelChannelB() const { return FVerticalLevelChannelB; }
    void SetVerticalLevelChannelB(uint16_t v);
    // 0..15; a value outside is brought to the nearer end.
    int32_t SMPSetting() const { return FSMPSetting; }
    void SetSMPSetting(int32_t v);
    int32_t DSPSetting() const { return 0; }
    void SetDSPSetting(int32_t) {}
    bool SourceACDC_A() const { return FSourceACDC_A; }
    void SetSourceACDC_A(bool v);
    bool SourceACDC_B() const { return FSourceACDC_B; }
    void SetSourceACDC_B(bool v);
    int32_t SourceProbeA() const { return FSourceProbeA; }
    void SetSourceProbeA(int32_t v);
    int32_t SourceProbeB() const { return FSourceProbeB; }
    void SetSourceProbeB(int32_t v);
    bool GroundA() const { return FGroundA; }
    void SetGroundA(bool v);
    bool GroundB() const { return FGroundB; }
    void SetGroundB(bool v);

    // ---- Plain state ---------------------------------------------------
    bool DeviceCalibrationOK() const { return FDeviceCalibrationOK; }
    void SetDeviceCalibrationOK(bool v) { FDeviceCalibrationOK = v; }
    bool StatusChannelA() const { return FStatusChannelA; }
    void SetStatusChannelA(bool v) { FStatusChannelA = v; }
    bool StatusChannelB() const { return FStatusChannelB; }
    void SetStatusChannelB(bool v) { FStatusChannelB = v; }
    bool RecordTriggered() const { return FRecordTriggered; }
    void SetRecordTriggered(bool v) { FRecordTriggered = v; }
    bool MeasurementDefined() const { return FMeasurementDefined; }
    void SetMeasurementDefined(bool v) { FMeasurementDefined = v; }
    int32_t SamplesPerSecond() const { return FSamplesPerSecond; }
    void SetSamplesPerSecond(int32_t v) { FSamplesPerSecond = v; }
    double SecondsPerDivider() const { return FSecondsPerDivider; }
    void SetSecondsPerDivider(double v) { FSecondsPerDivider = v; }
    // Raised when a range change moved a vertical position; cleared by the
    // data flow (main thread) after it told the listeners.
    bool SetBackRequested() const { return FSetBackRequested; }
    void SetSetBackRequested(bool v) { FSetBackRequested = v; }
    // While true every setter sends its command even for an unchanged value.
    bool ForceSettings() const { return FForceSettings; }
    void SetForceSettings(bool v) { FForceSettings = v; }
    int32_t ZeroChannelA() const { return FZeroChannelA; }
    void SetZeroChannelA(int32_t v) { FZeroChannelA = v; }
    int32_t ZeroChannelB() const { return FZeroChannelB; }
    void SetZeroChannelB(int32_t v) { FZeroChannelB = v; }
    const std::string &DeviceSerialNumber() const { return FDeviceSerialNumber; }
    void SetDeviceSerialNumber(const std::string &v) { FDeviceSerialNumber = v; }
    bool SettingsToFile() const { return FSettingsToFile; }
    void SetSettingsToFile(bool v) { FSettingsToFile = v; }
    bool DeviceInitialized() const { return FDeviceInitialized; }
    void SetDeviceInitialized(bool v) { FDeviceInitialized = v; }
    bool DemoMode() const { return FDemoMode; }
    void SetDemoMode(bool v) { FDemoMode = v; }
    int32_t PeriodA() const { return FPeriodA; }
    void SetPeriodA(int32_t v) { FPeriodA = v; }
    int32_t PeriodB() const { return FPeriodB; }
    void SetPeriodB(int32_t v) { FPeriodB = v; }
    int32_t AmplitudeA() const { return FAmplitudeA; }
    void SetAmplitudeA(int32_t v) { FAmplitudeA = v; }
    int32_t AmplitudeB() const { return FAmplitudeB; }
    void SetAmplitudeB(int32_t v) { FAmplitudeB = v; }
    int32_t NoiseA() const { return FNoiseA; }
    void SetNoiseA(int32_t v) { FNoiseA = v; }
    int32_t NoiseB() const { return FNoiseB; }
    void SetNoiseB(int32_t v) { FNoiseB = v; }
    // Sample periods of a defined-length measurement so far, those lost
    // included (kept by the data flow).
    int64_t SampleCount() const { return FSampleCount; }
    void SetSampleCount(int64_t v) { FSampleCount = v; }
    // MeasurementLength (ms) x samples per second div 1000: the sample
    // periods of a defined-length measurement.
    int64_t SampleLimit() const { return FSampleLimit; }
    void SetSampleLimit(int64_t v) { FSampleLimit = v; }
    static int64_t SampleLimitFor(uint32_t lengthMs, int64_t rate);

private:
    // Sends a command when the device is initialised and the library is
    // held; returns whether it was sent. result may be nullptr.
    bool SendCommand(int32_t code, intptr_t value, int32_t *result = nullptr);
    int32_t CallDeviceFunction(int32_t code, intptr_t value, int32_t *result,
                               uint8_t *bytes = nullptr);
    void SetSwitch(bool &field, bool v, int32_t code, uint16_t recordType);
    void SetLevel(double &field, double v, int32_t code);
    void SetProbe(int32_t &field, int32_t v, int32_t code, uint16_t recordType);
    void SetVerticalLevel(uint16_t &field, int32_t &zero, uint16_t v, int32_t code,
                          uint16_t recordType);
    void SetDensity(uint16_t &field, uint16_t v, int32_t channel);

    void AppendRecord(uint16_t type, const uint16_t *values, int32_t n);
    void AppendWord(uint16_t type, uint16_t value);
    void AppendLong(uint16_t type, uint32_t value);
    void AppendLevel(uint16_t type, uint16_t level, int32_t zero);
    void AppendSnapshot();

    // Start-up steps.
    void EnterDemo();
    void RunStartupTable();
    void ReadVersions();
    void ReadSerialNumber();
    void RequestTerminate();
    // Asks through Dialogs (fallback without them); detail, when given,
    // explains the answers below the text.
    int Ask(const std::string &text, int buttons, int fallback, const char *detail = nullptr);
    void ForgetEntryPoints();

    IOperatorDialogs *FDialogs = nullptr;
    std::function<void()> FTerminateHandler;
    std::string FLibraryFolder;
    std::string FLibraryName = kDefaultLibraryName;
    TSharedLibraryVexaRM FLibrary;
    InitializeDeviceFn FInitializeDevice = nullptr;
    DeInitializeDeviceFn FDeInitializeDevice = nullptr; // resolved, never called
    DeviceFunctionFn FDeviceFunction = nullptr;
    uint8_t FOwnDescription[240] = {};
    uint8_t *FDescription = FOwnDescription;

    uint16_t FRecords[kRecordBufferWords] = {};
    int32_t FRecordLength = 0;
    TDemoSourceVexaRM FDemo;

    // The failure byte whose address the driver library receives (code 1);
    // written by the transport's callback thread, read by the acquisition
    // thread once per pass.
    std::atomic<uint8_t> FUSBFailed{0};
    // Flags read from the main thread (title, start-up outcome) while the
    // acquisition thread runs, or raised there and cleared in the main thread.
    std::atomic<bool> FTerminateApplication{false};
    std::atomic<bool> FDeviceInitialized{false};
    std::atomic<bool> FDemoMode{false};
    std::atomic<bool> FDeviceCalibrationOK{false};
    std::atomic<bool> FSetBackRequested{false};
    std::atomic<bool> FForceSettings{false};
    std::string FDeviceDriverVersion;
    std::string FUSBDriverVersion;
    std::string FDeviceSerialNumber;

    bool FARMSourceA = false, FARMSourceB = false, FARMSourceExternal = false;
    double FARMLevelA = 0, FARMLevelB = 0;
    bool FARMUnderA = false, FARMUnderB = false, FARMUnderExternal = false;
    bool FTriggerSourceA = false, FTriggerSourceB = false;
    double FTriggerLevelA = 0, FTriggerLevelB = 0;
    bool FTriggerUnderA = false, FTriggerUnderB = false;
    bool FTriggerRelation = false;
    bool FStatusChannelA = false, FStatusChannelB = false;
    uint16_t FDensityChannelA = 0, FDensityChannelB = 0;
    bool FRecordTriggered = false, FRecordFree = false;
    bool FMeasurementStarted = false;
    uint32_t FMeasurementLength = 0;
    bool FMeasurementDefined = false;
    uint16_t FVerticalLevelChannelA = 0, FVerticalLevelChannelB = 0;
    int32_t FSMPSetting = 0;
    int32_t FSamplesPerSecond = 0;
    double FSecondsPerDivider = 0;
    bool FSourceACDC_A = false, FSourceACDC_B = false;
    int32_t FSourceProbeA = 0, FSourceProbeB = 0;
    bool FGroundA = false, FGroundB = false;
    int32_t FZeroChannelA = 0, FZeroChannelB = 0;
    bool FSettingsToFile = false;
    int32_t FPeriodA = 0, FPeriodB = 0;
    int32_t FAmplitudeA = 0, FAmplitudeB = 0;
    int32_t FNoiseA = 0, FNoiseB = 0;
    int64_t FSampleCount = 0;
    int64_t FSampleLimit = 0;
    uint64_t FLostPeriods = 0;
    uint16_t FLostSource = kLostCountedByDevice;
};

} // namespace vexa
