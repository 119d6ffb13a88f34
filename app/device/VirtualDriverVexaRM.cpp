#include "VirtualDriverVexaRM.h"

#include "common/ScopeConstsVexaRM.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

namespace vexa {

namespace {

// The operator's texts of the start-up.
const char *const kTextLibraryMissing = "Driver VexaRMDrv.Dll not present. Continue?";
const char *const kTextLibraryIncomplete =
    "Driver VexaRMDrv.Dll is missing some function. The program continues in demo mode.";
const char *const kTextTransportIncomplete =
    "USB driver is missing some function. Please install newest USB driver";
const char *const kTextDeviceUnusable =
    "The device cannot be used. The program continues in demo mode.";
const char *const kTextTransportMissing = "The vexausb drivers are not installed";
const char *const kTextBrokenCalibration =
    "Broken calibration data. Please contact the manufacturer.";
const char *const kTextInitFailed = "Device initialization failed. Retry?";
const char *const kTextNoDevice = "Device not present. Retry?";
// Below the two questions of the start-up: what each answer does.
const char *const kDetailRetry = "Yes tries again to start the device. No continues in demo "
                                 "mode, without the device. Cancel quits the program.";
const char *const kDetailLibraryMissing =
    "Yes continues in demo mode, without the device. No quits the program.";
const char *const kTextDeviceKeepsFailing = "The device fails again after every start. Retry?";
const char *const kDetailKeepsFailing = "The device was lost again and again right after it was "
                                        "started, without a sample. Yes tries once more. No "
                                        "continues in demo mode, without the device. Cancel quits "
                                        "the program.";
const char *const kTextUnknownResult =
    "Device start-up failed (code %d). The program continues in demo mode.";

constexpr int32_t kRecordWords1 = 4; // [0, 4, type, value]
constexpr int32_t kRecordWords2 = 5; // [0, 5, type, low, high]
constexpr int32_t kRecordWordsLevel = 6;

uint16_t Low16(uint32_t v) {
    return static_cast<uint16_t>(v & 0xFFFF);
}

// Nearest integer, ties to even, held inside the 32-bit range the command
// carries; not-a-number becomes 0.
double RoundLevel(double v) {
    if (v != v) return 0.0;
    double r = std::nearbyint(v);
    constexpr double lo = std::numeric_limits<int32_t>::min();
    constexpr double hi = std::numeric_limits<int32_t>::max();
    return r < lo ? lo : (r > hi ? hi : r);
}

} // namespace

TVirtualDriverVexaRM::TVirtualDriverVexaRM() = default;

std::string TVirtualDriverVexaRM::LibraryPath() const {
    std::string folder =
        FLibraryFolder.empty() ? TSharedLibraryVexaRM::ExecutableFolder() : FLibraryFolder;
    return folder + "/" + FLibraryName;
}

void TVirtualDriverVexaRM::SetDescriptionAddress(uint8_t *address) {
    FDescription = address ? address : FOwnDescription;
}

int32_t TVirtualDriverVexaRM::DeflectionFactor(int32_t channel) const {
    if (channel == kChannelA) return DeflectionFor(FSourceProbeA, FDensityChannelA);
    if (channel == kChannelB) return DeflectionFor(FSourceProbeB, FDensityChannelB);
    return 1;
}

int32_t TVirtualDriverVexaRM::SamplingRate() const {
    return kSamplingRates[FSMPSetting];
}

// ---- Commands ------------------------------------------------------------

int32_t TVirtualDriverVexaRM::CallDeviceFunction(int32_t code, intptr_t value, int32_t *result,
                                                 uint8_t *bytes) {
    int32_t local = 0;
    return FDeviceFunction(code, nullptr, 0, bytes, 0, value, result ? result : &local);
}

bool TVirtualDriverVexaRM::SendCommand(int32_t code, intptr_t value, int32_t *result) {
    if (!FDeviceInitialized || !FDeviceFunction || !FLibrary.Loaded()) return false;
    CallDeviceFunction(code, value, result);
    return true;
}

// ---- Records -------------------------------------------------------------

void TVirtualDriverVexaRM::AppendRecord(uint16_t type, const uint16_t *values, int32_t n) {
    const int32_t length = 3 + n;
    // A record that does not fit whole is not written (the buffer is drained
    // after every settings pass, so this does not happen in use).
    if (FRecordLength + length > kRecordBufferWords) return;
    uint16_t *r = FRecords + FRecordLength;
    r[0] = kWordRecordIntroducer;
    r[1] = static_cast<uint16_t>(length);
    r[2] = type;
    for (int32_t i = 0; i < n; ++i)
        r[3 + i] = values[i];
    FRecordLength += length;
}

void TVirtualDriverVexaRM::AppendWord(uint16_t type, uint16_t value) {
    AppendRecord(type, &value, kRecordWords1 - 3);
}

void TVirtualDriverVexaRM::AppendLong(uint16_t type, uint32_t value) {
    const uint16_t v[2] = {Low16(value), Low16(value >> 16)};
    AppendRecord(type, v, kRecordWords2 - 3);
}

void TVirtualDriverVexaRM::AppendLevel(uint16_t type, uint16_t level, int32_t zero) {
    const uint16_t v[3] = {level, Low16(static_cast<uint32_t>(zero)), 0};
    AppendRecord(type, v, kRecordWordsLevel - 3);
}

void TVirtualDriverVexaRM::AppendSnapshot() {
    AppendLevel(kRecLevelA, FVerticalLevelChannelA, FZeroChannelA);
    AppendLevel(kRecLevelB, FVerticalLevelChannelB, FZeroChannelB);
    AppendWord(kRecProbeA, Low16(static_cast<uint32_t>(FSourceProbeA)));
    AppendWord(kRecProbeB, Low16(static_cast<uint32_t>(FSourceProbeB)));
    AppendWord(kRecCouplingA, FSourceACDC_A ? 1 : 0);
    AppendWord(kRecCouplingB, FSourceACDC_B ? 1 : 0);
    AppendWord(kRecGroundA, FGroundA ? 1 : 0);
    AppendWord(kRecGroundB, FGroundB ? 1 : 0);
    AppendLong(kRecSampleRate, static_cast<uint32_t>(SamplingRate()));
    AppendLong(kRecDeflectionA, static_cast<uint32_t>(DeflectionFactor(kChannelA)));
    AppendLong(kRecDeflectionB, static_cast<uint32_t>(DeflectionFactor(kChannelB)));
}

void TVirtualDriverVexaRM::DrainRecords(uint16_t *buffer, int32_t &count) {
    if (FRecordLength > 0)
        std::memcpy(buffer, FRecords, static_cast<size_t>(FRecordLength) * sizeof(uint16_t));
    count = FRecordLength;
    ClearRecords();
}

void TVirtualDriverVexaRM::ClearRecords() {
    // Words past the used length are always 0, so zeroing the used part
    // leaves the whole buffer zero-filled.
    std::memset(FRecords, 0, static_cast<size_t>(FRecordLength) * sizeof(uint16_t));
    FRecordLength = 0;
}

// ---- Setters ---------------------------------------------------------------

void TVirtualDriverVexaRM::SetSwitch(bool &field, bool v, int32_t code, uint16_t recordType) {
    if (v == field && !FForceSettings) return;
    field = v;
    if (recordType != 0) AppendWord(recordType, v ? 1 : 0);
    SendCommand(code, v ? 1 : 0);
}

void TVirtualDriverVexaRM::SetLevel(double &field, double v, int32_t code) {
    if (v == field && !FForceSettings) return;
    field = RoundLevel(v);
    SendCommand(code, static_cast<int32_t>(field));
}

void TVirtualDriverVexaRM::SetProbe(int32_t &field, int32_t v, int32_t code, uint16_t recordType) {
    if (v == field && !FForceSettings) return;
    field = v;
    AppendWord(recordType, Low16(static_cast<uint32_t>(v)));
    SendCommand(code, field);
}

void TVirtualDriverVexaRM::SetVerticalLevel(uint16_t &field, int32_t &zero, uint16_t v,
                                            int32_t code, uint16_t recordType) {
    const uint16_t stored = static_cast<uint16_t>(kPositionMax - v);
    if (stored == field && !FForceSettings && !FSettingsToFile) return;
    field = stored;
    // A result the library leaves untouched keeps the zero level as it was.
    int32_t result = zero;
    if (SendCommand(code, stored, &result)) zero = result;
    // While the demo source delivers the samples, the zero level is where it
    // puts 0 V, so that the voltage readouts and the level records of a
    // recorded demo file tell the true voltages.
    if (!FDeviceInitialized || FDemoMode) zero = TDemoSourceVexaRM::ZeroLevel(stored);
    if (FSettingsToFile) AppendLevel(recordType, field, zero);
}

void TVirtualDriverVexaRM::SetDensity(uint16_t &field, uint16_t v, int32_t channel) {
    if (v == field && !FForceSettings) return;
    const bool changed = v != field;
    field = v;
    if (!FDeviceInitialized) return;
    const bool a = channel == kChannelA;
    int32_t range = DeflectionFactor(channel);
    range /= ProbeFactorFor(a ? FSourceProbeA : FSourceProbeB);
    // An untouched result keeps the position the device has now.
    uint16_t &level = a ? FVerticalLevelChannelA : FVerticalLevelChannelB;
    int32_t position = level;
    SendCommand(a ? kCmdRangeA : kCmdRangeB, range, &position);
    if (!changed) {
        // The same range sent again (every setting goes to a freshly started
        // device): the operator's position stays exactly as it is. The
        // device derived its zero level from the position under the range it
        // had before this command, so the position goes out once more and
        // the zero level is taken anew (and recorded: another device may have
        // come back).
        const uint16_t operatorLevel = static_cast<uint16_t>(kPositionMax - level);
        const bool toFile = FSettingsToFile;
        FSettingsToFile = true;
        if (a)
            SetVerticalLevelChannelA(operatorLevel);
        else
            SetVerticalLevelChannelB(operatorLevel);
        FSettingsToFile = toFile;
    } else if (FDeviceCalibrationOK) {
        // Keep the trace's zero at the same height: the device moved it.
        FSettingsToFile = true;
        const uint16_t operatorLevel =
            static_cast<uint16_t>(kPositionMax - Low16(static_cast<uint32_t>(position)));
        if (a)
            SetVerticalLevelChannelA(operatorLevel);
        else
            SetVerticalLevelChannelB(operatorLevel);
        FSetBackRequested = true;
        FSettingsToFile = false;
    }
    AppendLong(a ? kRecDeflectionA : kRecDeflectionB,
               static_cast<uint32_t>(DeflectionFactor(channel)));
}

void TVirtualDriverVexaRM::SetARMSourceA(bool v) {
    SetSwitch(FARMSourceA, v, kCmdArmSourceA, 0);
}
void TVirtualDriverVexaRM::SetARMSourceB(bool v) {
    SetSwitch(FARMSourceB, v, kCmdArmSourceB, 0);
}
void TVirtualDriverVexaRM::SetARMSourceExternal(bool v) {
    SetSwitch(FARMSourceExternal, v, kCmdArmSourceExternal, 0);
}
void TVirtualDriverVexaRM::SetARMLevelA(double v) {
    SetLevel(FARMLevelA, v, kCmdArmLevelA);
}
void TVirtualDriverVexaRM::SetARMLevelB(double v) {
    SetLevel(FARMLevelB, v, kCmdArmLevelB);
}
void TVirtualDriverVexaRM::SetARMUnderA(bool v) {
    SetSwitch(FARMUnderA, v, kCmdArmUnderA, 0);
}
void TVirtualDriverVexaRM::SetARMUnderB(bool v) {
    SetSwitch(FARMUnderB, v, kCmdArmUnderB, 0);
}
void TVirtualDriverVexaRM::SetARMUnderExternal(bool v) {
    SetSwitch(FARMUnderExternal, v, kCmdArmUnderExternal, 0);
}
void TVirtualDriverVexaRM::SetTriggerSourceA(bool v) {
    SetSwitch(FTriggerSourceA, v, kCmdTriggerSourceA, 0);
}
void TVirtualDriverVexaRM::SetTriggerSourceB(bool v) {
    SetSwitch(FTriggerSourceB, v, kCmdTriggerSourceB, 0);
}
void TVirtualDriverVexaRM::SetTriggerLevelA(double v) {
    SetLevel(FTriggerLevelA, v, kCmdTriggerLevelA);
}
void TVirtualDriverVexaRM::SetTriggerLevelB(double v) {
    SetLevel(FTriggerLevelB, v, kCmdTriggerLevelB);
}
void TVirtualDriverVexaRM::SetTriggerUnderA(bool v) {
    SetSwitch(FTriggerUnderA, v, kCmdTriggerUnderA, 0);
}
void TVirtualDriverVexaRM::SetTriggerUnderB(bool v) {
    SetSwitch(FTriggerUnderB, v, kCmdTriggerUnderB, 0);
}
void TVirtualDriverVexaRM::SetTriggerRelation(bool v) {
    SetSwitch(FTriggerRelation, v, kCmdTriggerRelation, 0);
}
void TVirtualDriverVexaRM::SetSourceACDC_A(bool v) {
    SetSwitch(FSourceACDC_A, v, kCmdCouplingA, kRecCouplingA);
}
void TVirtualDriverVexaRM::SetSourceACDC_B(bool v) {
    SetSwitch(FSourceACDC_B, v, kCmdCouplingB, kRecCouplingB);
}
void TVirtualDriverVexaRM::SetGroundA(bool v) {
    SetSwitch(FGroundA, v, kCmdGroundA, kRecGroundA);
}
void TVirtualDriverVexaRM::SetGroundB(bool v) {
    SetSwitch(FGroundB, v, kCmdGroundB, kRecGroundB);
}
void TVirtualDriverVexaRM::SetSourceProbeA(int32_t v) {
    SetProbe(FSourceProbeA, v, kCmdProbeA, kRecProbeA);
}
void TVirtualDriverVexaRM::SetSourceProbeB(int32_t v) {
    SetProbe(FSourceProbeB, v, kCmdProbeB, kRecProbeB);
}
void TVirtualDriverVexaRM::SetVerticalLevelChannelA(uint16_t v) {
    SetVerticalLevel(FVerticalLevelChannelA, FZeroChannelA, v, kCmdPositionA, kRecLevelA);
}
void TVirtualDriverVexaRM::SetVerticalLevelChannelB(uint16_t v) {
    SetVerticalLevel(FVerticalLevelChannelB, FZeroChannelB, v, kCmdPositionB, kRecLevelB);
}
void TVirtualDriverVexaRM::SetDensityChannelA(uint16_t v) {
    SetDensity(FDensityChannelA, v, kChannelA);
}
void TVirtualDriverVexaRM::SetDensityChannelB(uint16_t v) {
    SetDensity(FDensityChannelB, v, kChannelB);
}

void TVirtualDriverVexaRM::SetRecordFree(bool v) {
    if (v == FRecordFree && !FForceSettings) return;
    FRecordFree = v;
    FRecordTriggered = !v;
    SendCommand(kCmdFreeRun, v ? 1 : 0);
}

void TVirtualDriverVexaRM::SetMeasurementStarted(bool v) {
    if (v == FMeasurementStarted) return; // even while settings are forced
    FMeasurementStarted = v;
    AppendWord(kRecMeasurement, v ? 1 : 0);
    if (v) {
        AppendSnapshot();
        FDemo.Restart();
    }
    SendCommand(kCmdStartStop, v ? 1 : 0);
}

int64_t TVirtualDriverVexaRM::SampleLimitFor(uint32_t lengthMs, int64_t rate) {
    // Whole sample periods of the length in milliseconds (at most 2^32 ms x
    // 5,000,000 per second: far inside 64 bits).
    return static_cast<int64_t>(lengthMs) * rate / 1000;
}

void TVirtualDriverVexaRM::SetMeasurementLength(uint32_t v) {
    FMeasurementLength = v;
    FSampleLimit = SampleLimitFor(v, SamplingRate());
}

void TVirtualDriverVexaRM::SetSMPSetting(int32_t v) {
    if (v < 0) v = 0;
    if (v >= kSmpSettingCount) v = kSmpSettingCount - 1;
    if (v == FSMPSetting && !FForceSettings) return;
    const int64_t oldRate = SamplingRate();
    FSMPSetting = v;
    const int64_t newRate = SamplingRate();
    AppendLong(kRecSampleRate, static_cast<uint32_t>(newRate));
    SendCommand(kCmdSamplingRate, RateCodeForSmpSetting(v));
    // Rescaled through 128 bits: a long recording at a high rate must not
    // overflow on the way.
    FSampleCount = static_cast<int64_t>(static_cast<__int128>(FSampleCount) * newRate / oldRate);
    FSampleLimit = SampleLimitFor(FMeasurementLength, newRate);
}

// ---- Blocks ----------------------------------------------------------------

uint8_t TVirtualDriverVexaRM::GenerateDemoBlock(uint16_t *buffer, int32_t &count) {
    TDemoParametersVexaRM p;
    p.SamplesPerSecond = SamplingRate();
    p.PeriodA = FPeriodA;
    p.PeriodB = FPeriodB;
    p.AmplitudeA = FAmplitudeA;
    p.AmplitudeB = FAmplitudeB;
    p.NoiseA = FNoiseA;
    p.NoiseB = FNoiseB;
    p.VerticalLevelA = FVerticalLevelChannelA;
    p.VerticalLevelB = FVerticalLevelChannelB;
    p.DeflectionA = DeflectionFactor(kChannelA);
    p.DeflectionB = DeflectionFactor(kChannelB);
    const uint8_t status = FDemo.GenerateDemoBlock(p, buffer, count);
    // The source drops a backlog it cannot deliver and knows its size.
    FLostPeriods = FDemo.DroppedPeriods();
    FLostSource = kLostCountedByDevice;
    return status;
}

uint8_t TVirtualDriverVexaRM::ReadBlock(uint16_t *buffer, int32_t &count) {
    count = 0;
    FLostPeriods = 0;
    if (!FDeviceInitialized || FDemoMode) return GenerateDemoBlock(buffer, count);
    // No library to read from (released and not reloaded): nothing comes,
    // and the status 0 ends the measurement.
    if (!FDeviceFunction || !FLibrary.Loaded()) return 0;
    // The library leaves the result untouched when it delivers nothing
    // (e.g. not running): the count must then be 0, never a stale one.
    int32_t result = 0;
    const int32_t status = FDeviceFunction(kCmdReadSamples, buffer, 0, nullptr, 0, 0, &result);
    if (result < 0) result = 0;
    if (result > kMaxBlockWords) result = kMaxBlockWords;
    count = result;
    // What the device lost in front of this block (a library that does not
    // know the command leaves both untouched: nothing lost).
    uint8_t lost[8] = {};
    int32_t how = kLostCountedByDevice;
    FDeviceFunction(kCmdLostSamples, nullptr, 0, lost, 0, 0, &how);
    for (int i = 7; i >= 0; --i)
        FLostPeriods = FLostPeriods << 8 | lost[i];
    FLostSource = how == kLostEstimatedFromTime ? kLostEstimatedFromTime : kLostCountedByDevice;
    return static_cast<uint8_t>(status & 0xFF);
}

// ---- Start-up --------------------------------------------------------------

int TVirtualDriverVexaRM::Ask(const std::string &text, int buttons, int fallback,
                              const char *detail) {
    if (!FDialogs) return fallback;
    TDialogQuestion question = PlainQuestion(DialogStyle::Error, text, buttons);
    if (detail) question.Detail = detail;
    return FDialogs->AskQuestion(question);
}

void TVirtualDriverVexaRM::ForgetEntryPoints() {
    FInitializeDevice = nullptr;
    FDeInitializeDevice = nullptr;
    FDeviceFunction = nullptr;
}

void TVirtualDriverVexaRM::UnloadLibrary() {
    if (!FLibrary.Loaded()) return;
    FLibrary.Unload();
    ForgetEntryPoints();
}

void TVirtualDriverVexaRM::EnterDemo() {
    FDeviceInitialized = false;
    FDemoMode = true;
    FDeviceCalibrationOK = false;
}

void TVirtualDriverVexaRM::RequestTerminate() {
    FTerminateApplication = true;
    FDeviceInitialized = false;
    FDemoMode = false;
    FDeviceCalibrationOK = false;
}

void TVirtualDriverVexaRM::ReadVersions() {
    uint8_t bytes[2] = {0, 0};
    CallDeviceFunction(kCmdLibraryVersion, 0, nullptr, bytes);
    FDeviceDriverVersion = std::to_string(bytes[0]) + "." + std::to_string(bytes[1]);
    bytes[0] = bytes[1] = 0;
    CallDeviceFunction(kCmdTransportVersion, 0, nullptr, bytes);
    char text[16];
    std::snprintf(text, sizeof text, "%u.%.2u", unsigned(bytes[0]), unsigned(bytes[1]));
    FUSBDriverVersion = text;
}

void TVirtualDriverVexaRM::ReadSerialNumber() {
    FDeviceSerialNumber = "N/A";
    if (FDemoMode || !FDeviceInitialized || !FDeviceFunction) return;
    int32_t serial = 0;
    CallDeviceFunction(kCmdSerialNumber, 0, &serial);
    if (serial == 0) return;
    // The library's serial number is unsigned; shown as eight digits at least.
    char text[16];
    std::snprintf(text, sizeof text, "%.8u", static_cast<uint32_t>(serial));
    FDeviceSerialNumber = text;
}

void TVirtualDriverVexaRM::RunStartupTable() {
    for (;;) {
        const int32_t r = FInitializeDevice(FDescription);
        switch (r) {
        case kInitOk:
            FDeviceInitialized = true;
            FDemoMode = false;
            FDeviceCalibrationOK = true;
            ReadVersions();
            return;
        case kInitTransportIncomplete:
            Ask(kTextTransportIncomplete, kButtonOk, kButtonOk);
            EnterDemo();
            return;
        case kInitNotReady:
            Ask(kTextDeviceUnusable, kButtonOk, kButtonOk);
            EnterDemo();
            return;
        case kInitTransportMissing:
            Ask(kTextTransportMissing, kButtonOk, kButtonOk);
            EnterDemo();
            return;
        case kInitDeviceError5:
            Ask(kTextBrokenCalibration, kButtonOk, kButtonOk);
            FDeviceInitialized = true;
            FDemoMode = false;
            FDeviceCalibrationOK = false;
            return;
        case kInitDeviceError4:
        case kInitNoDevice: {
            const int answer = Ask(r == kInitDeviceError4 ? kTextInitFailed : kTextNoDevice,
                                   kButtonYes | kButtonNo | kButtonCancel, kButtonNo, kDetailRetry);
            if (answer == kButtonYes) continue; // the same library, called again
            if (answer == kButtonCancel)
                RequestTerminate();
            else
                EnterDemo();
            return;
        }
        default: {
            // A result the library is not known to produce: the device is
            // not usable, so say so and carry on without it.
            char text[128];
            std::snprintf(text, sizeof text, kTextUnknownResult, int(r));
            Ask(text, kButtonOk, kButtonOk);
            EnterDemo();
            return;
        }
        }
    }
}

bool TVirtualDriverVexaRM::ConfirmRetryAfterRepeatedFailures() {
    const int answer = Ask(kTextDeviceKeepsFailing, kButtonYes | kButtonNo | kButtonCancel,
                           kButtonNo, kDetailKeepsFailing);
    if (answer == kButtonYes) return true;
    UnloadLibrary();
    if (answer == kButtonCancel) {
        RequestTerminate();
        if (FTerminateHandler) FTerminateHandler();
    } else {
        EnterDemo();
    }
    FUSBFailed = 0;
    FDeviceSerialNumber = "N/A";
    return false;
}

bool TVirtualDriverVexaRM::InitializeDriver() {
    FSetBackRequested = false;
    FUSBFailed = 0;
    FTerminateApplication = false;
    FDemoMode = false;
    // Nothing is usable until this start-up says so.
    FDeviceInitialized = false;
    FDeviceCalibrationOK = false;
    FSampleCount = 0;
    FSampleLimit = 0;
    ClearRecords();
    ForgetEntryPoints();

    if (!FLibrary.Load(LibraryPath())) {
        if (Ask(kTextLibraryMissing, kButtonYes | kButtonNo, kButtonYes, kDetailLibraryMissing) ==
            kButtonNo)
            RequestTerminate();
        else
            EnterDemo();
    } else {
        FInitializeDevice =
            reinterpret_cast<InitializeDeviceFn>(FLibrary.Symbol("InitializeDevice"));
        FDeInitializeDevice =
            reinterpret_cast<DeInitializeDeviceFn>(FLibrary.Symbol("DeInitializeDevice"));
        FDeviceFunction = reinterpret_cast<DeviceFunctionFn>(FLibrary.Symbol("DeviceFunction"));
        if (!FInitializeDevice || !FDeviceFunction) {
            // Without both the device cannot be started or driven (the
            // start-up needs the failure byte registered first).
            UnloadLibrary();
            Ask(kTextLibraryIncomplete, kButtonOk, kButtonOk);
            EnterDemo();
        } else {
            static_assert(sizeof(std::atomic<uint8_t>) == 1, "the failure byte is one byte");
            CallDeviceFunction(kCmdRegisterFailureFlag, reinterpret_cast<intptr_t>(&FUSBFailed),
                               nullptr);
            RunStartupTable();
        }
    }
    ReadSerialNumber();
    if (FTerminateApplication) {
        if (FTerminateHandler) FTerminateHandler();
        return false;
    }
    return true;
}

} // namespace vexa
