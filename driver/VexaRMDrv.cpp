#include "VexaRMDrv.h"

#include "FpgaImageVexaRM.h"
#include "common/DeviceRegistersVexaRM.h"
#include "common/ScopeConstsVexaRM.h"
#include "UnitVexaAlphaRM.h"
#include "UnitVexaBetaRM.h"

#include <algorithm>
#include <atomic>
#include <vector>

namespace vexa {

namespace {

// Address of the application's failure byte (code 1). Written by the thread
// in the library, read by the transport's callback on any thread.
std::atomic<uint8_t *> FailureByte{nullptr};

inline bool Flag(intptr_t value) {
    return (value & 0xFF) != 0;
}

inline uint8_t WithBit(uint8_t flags, int bit, bool on) {
    return static_cast<uint8_t>(on ? (flags | (1u << bit)) : (flags & ~(1u << bit)));
}

} // namespace

TVexaRMDrv::~TVexaRMDrv() {
    DeInitializeDevice();
}

void TVexaRMDrv::ConnectionCallback(uint8_t connected) {
    uint8_t *byte = FailureByte.load(std::memory_order_acquire);
    if (byte != nullptr)
        __atomic_store_n(byte, static_cast<uint8_t>(connected ^ 1u), __ATOMIC_RELEASE);
}

bool TVexaRMDrv::FailureRaised() const {
    const uint8_t *byte = FailureByte.load(std::memory_order_acquire);
    return byte != nullptr && __atomic_load_n(byte, __ATOMIC_ACQUIRE) != 0;
}

void TVexaRMDrv::WriteRegister(int32_t reg, int32_t value) {
    Transport.Entries().SingleWrite(reg, value);
}

void TVexaRMDrv::WriteControlWords(int32_t extra) {
    WriteRegister(kRegControl, ControlWord[A] + extra + ControlWord[B]);
}

int32_t TVexaRMDrv::InitializeDevice(uint8_t *description) {
    DeInitializeDevice();
    switch (Transport.Bind()) {
    case TUsbTransportVexaRM::BindResult::LoadFailed:
        return kInitTransportMissing;
    case TUsbTransportVexaRM::BindResult::EntryMissing:
        return kInitTransportIncomplete;
    case TUsbTransportVexaRM::BindResult::Bound:
        break;
    }
    const UsbEntryPoints &usb = Transport.Entries();
    if (Transport.HasInitDevice()) {
        usb.SetCallBackFunction(&TVexaRMDrv::ConnectionCallback);
        CallbackRegistered = true;
        if (usb.InitDevice() != 0) return kInitNoDevice;
        DeviceType = usb.GetDeviceID();
        const bool configured = ConfigureFpga();
        ReadCalibrationRecord();
        Description.Build(DeviceType, Calibration);
        if (description != nullptr) Description.WriteTo(description);
        Loss.SetDeviceCounts((usb.SingleRead(kRegDeviceFeatures) & kFeatureCountsLostSamples) != 0);
        ResetAcquisitionState();
        // A device of an unknown type, or one that refused its image, delivers
        // nothing: it cannot be used, whatever its calibration says.
        if (!configured) Ready = false;
    }
    return Ready ? kInitOk : kInitNotReady;
}

int32_t TVexaRMDrv::DeInitializeDevice() {
    if (!Transport.Loaded()) return 0;
    // The transport may outlive this library (another user holds it): it
    // must not call back into code that is about to go away.
    if (CallbackRegistered && Transport.Entries().SetCallBackFunction != nullptr)
        Transport.Entries().SetCallBackFunction(nullptr);
    CallbackRegistered = false;
    return Transport.Release() ? 1 : 0;
}

bool TVexaRMDrv::ConfigureFpga() {
    const uint8_t *stored = nullptr;
    size_t imageLength = 0;
    size_t handOver = 0;
    if (DeviceType == 0 || DeviceType == 2 || DeviceType == 4) {
        stored = TUnitVexaAlphaRM::StoredImage();
        imageLength = TUnitVexaAlphaRM::ImageLength();
        handOver = TUnitVexaAlphaRM::HandOverLength();
    } else if (DeviceType == 1 || DeviceType == 3 || DeviceType == 5) {
        stored = TUnitVexaBetaRM::StoredImage();
        imageLength = TUnitVexaBetaRM::ImageLength();
        handOver = TUnitVexaBetaRM::HandOverLength();
    } else {
        // An unknown device type has no image: configuring an FPGA with a
        // buffer that holds none could only harm it, so nothing is sent.
        return false;
    }
    std::vector<uint8_t> buffer(handOver, 0);
    for (size_t i = 0; i < imageLength; ++i)
        buffer[1 + i] = static_cast<uint8_t>(stored[i] ^ kFpgaKey);
    // The transport answers 0 when the device took the image.
    return Transport.Entries().ConfigureFPGA(buffer.data(), static_cast<int32_t>(handOver)) == 0;
}

void TVexaRMDrv::ReadCalibrationRecord() {
    uint8_t record[kCalRecordSize];
    for (int i = 0; i < kCalRecordSize; ++i) {
        record[i] =
            static_cast<uint8_t>(Transport.Entries().ReadFromEEPROM(kCalRecordAddress + i) & 0xFF);
        if (FailureRaised()) return;
    }
    if (Calibration.Decode(record)) Ready = true;
}

void TVexaRMDrv::ResetAcquisitionState() {
    ExternalArmShadow = kExtArmStartUp;
    RunRateShadow = 0;
    Pipeline.SetStage(TReadPipelineVexaRM::FirstStage::Compact);
    Pipeline.SetFirstRead(true);
    Ground[A] = Ground[B] = false;
    TriggerLevel[A] = TriggerLevel[B] = 0;
    TriggerThreshold[A] = TriggerThreshold[B] = 0;
    ArmThreshold[A] = ArmThreshold[B] = 0;
    Pipeline.SetFreeRun(true);
    Pipeline.SetLastStatus(kStatusWaitingBoth);
    SyncPipeline();
    Loss.Stop();
    LastLost = 0;
}

int64_t TVexaRMDrv::ShadowRate() const {
    // Rate codes run from 15 (the slowest rate, index 0) down to 0.
    const int32_t code = std::clamp(RunRateShadow & kRateCodeMask, 0, kSmpSettingCount - 1);
    return kSamplingRates[kSmpSettingCount - 1 - code];
}

uint64_t TVexaRMDrv::ReadDeviceLoss() {
    const UsbEntryPoints &usb = Transport.Entries();
    const uint32_t low = static_cast<uint32_t>(usb.SingleRead(kRegLostLow));
    uint64_t lost = low & kLostLowBits;
    if ((low & kLostHighFollows) != 0)
        lost |= static_cast<uint64_t>(static_cast<uint32_t>(usb.SingleRead(kRegLostHigh))) << 31;
    return lost;
}

uint8_t TVexaRMDrv::ReadSamples(uint16_t *buffer, int32_t &count) {
    // Before the trigger nothing is delivered, so a gap there is no gap in
    // the stream.
    const bool waiting = Pipeline.Stage() == TReadPipelineVexaRM::FirstStage::TriggerSearch ||
                         (Pipeline.Stage() == TReadPipelineVexaRM::FirstStage::ArmFilter &&
                          !Pipeline.FreeRun() && !Pipeline.Triggered());
    const auto before = TLossCounterVexaRM::Clock::now();
    Transport.Entries().RollFIFORead(1, reinterpret_cast<uint8_t *>(buffer), kFifoBlockBytes);
    const auto after = TLossCounterVexaRM::Clock::now();
    uint64_t lost = 0;
    if (Loss.DeviceCounts()) {
        lost = ReadDeviceLoss();
        LastLostSource = kLostCountedByDevice;
    } else {
        constexpr int32_t n = TReadPipelineVexaRM::kBlockWords;
        lost = Loss.Estimate(TReadPipelineVexaRM::CountSamples(buffer, n), buffer[n - 1] == 0,
                             before, after);
        LastLostSource = kLostEstimatedFromTime;
    }
    LastLost = waiting ? 0 : lost;
    count = 0;
    return Pipeline.Process(buffer, count);
}

int32_t TVexaRMDrv::ProbeFactor(Channel ch) const {
    return ProbeFactorFor(Probe[ch]);
}

void TVexaRMDrv::ApplyRange(Channel ch, int32_t range) {
    Range[ch] = range;
    ControlWord[ch] &= static_cast<uint16_t>(~kControlRangeMask);
    const RangeEntry &e = Description.Entry(Description.EntryIndexFor(range));
    ControlWord[ch] |= ch == A ? e.ControlBitsA : e.ControlBitsB;
    uint16_t gain;
    if (!Calibration.Valid())
        gain = ch == A ? e.GainA3 : e.GainB3;
    else if (Probe[ch] == 1)
        gain = ch == A ? e.GainA1 : e.GainB1;
    else
        gain = ch == A ? e.GainA2 : e.GainB2;
    WriteControlWords(0);
    if (FailureRaised()) return;
    WriteRegister(kRegGain[ch], gain);
}

double TVexaRMDrv::PositionToLevel(Channel ch) const {
    return Calibration.PositionToLevel(ch, Position[ch], Description.EntryIndexFor(Range[ch]));
}

int32_t TVexaRMDrv::LevelToPosition(Channel ch) const {
    return Calibration.LevelToPosition(ch, ZeroLevel[ch], Description.EntryIndexFor(Range[ch]));
}

void TVexaRMDrv::UpdateThresholds() {
    for (Channel ch : {A, B}) {
        // The product wraps like the 32-bit arithmetic it stands for.
        const int32_t product = static_cast<int32_t>(static_cast<uint32_t>(ProbeFactor(ch)) *
                                                     static_cast<uint32_t>(Range[ch]) * 8u);
        const double s = product / 255.0;
        if (s != 0.0) {
            const double zero = PositionToLevel(ch);
            TriggerThreshold[ch] = RoundToInt32((zero * s + TriggerLevel[ch]) / s);
            ArmThreshold[ch] = RoundToInt32((zero * s + ArmLevel[ch]) / s);
        } else {
            TriggerThreshold[ch] = 0;
            ArmThreshold[ch] = 0;
        }
    }
    SyncPipeline();
}

void TVexaRMDrv::SyncPipeline() {
    Pipeline.SetTrigger(TriggerFlags, TriggerThreshold[A], TriggerThreshold[B], TriggerRelation);
    Pipeline.SetArm(ArmFlags, ArmThreshold[A], ArmThreshold[B]);
    Pipeline.SetGround(Ground[A], Ground[B], ZeroLevel[A], ZeroLevel[B]);
}

void TVexaRMDrv::StartStop(bool start) {
    if (start) {
        Pipeline.SetTriggerStates(1, 1);
        Pipeline.SetTriggered(false);
        if (ArmFlags & 0x03)
            Pipeline.SetStage(TReadPipelineVexaRM::FirstStage::ArmFilter);
        else if (Pipeline.FreeRun())
            Pipeline.SetStage(TReadPipelineVexaRM::FirstStage::Compact);
        else
            Pipeline.SetStage(TReadPipelineVexaRM::FirstStage::TriggerSearch);
        RunRateShadow = (RunRateShadow & kRateCodeMask) + kRunBit;
        WriteControlWords(0);
        WriteRegister(kRegRun, RunRateShadow);
        Loss.Start(ShadowRate(), TLossCounterVexaRM::Clock::now());
        Running = true;
    } else {
        RunRateShadow &= kRateCodeMask;
        WriteRegister(kRegRun, RunRateShadow);
        WriteControlWords(kControlStop);
        Pipeline.SetFirstRead(true);
        Loss.Stop();
        Running = false;
    }
    LastLost = 0;
}

int32_t TVexaRMDrv::DeviceFunction(int32_t code, uint16_t *buffer, uint8_t *bytes, intptr_t value,
                                   int32_t *result) {
    const int32_t command = code & 0xFF;
    if (command == kCmdRegisterFailureFlag) {
        FailureByte.store(reinterpret_cast<uint8_t *>(value), std::memory_order_release);
        return 0;
    }
    if (!Ready) return kDeviceFunctionNotReady;
    const int32_t v = static_cast<int32_t>(value);
    const bool on = Flag(value);
    const UsbEntryPoints &usb = Transport.Entries();
    switch (command) {
    case kCmdLibraryVersion:
        if (bytes != nullptr) {
            bytes[0] = 1;
            bytes[1] = 1;
        }
        return 0;
    case kCmdTransportVersion:
        if (bytes != nullptr) usb.GetDriverVersion(bytes);
        return 0;
    case kCmdProbeA:
    case kCmdProbeB: {
        const Channel ch = command == kCmdProbeA ? A : B;
        Probe[ch] = static_cast<uint8_t>(v & 0xFF);
        ApplyRange(ch, Range[ch]);
        UpdateThresholds();
        return 0;
    }
    case kCmdCouplingA:
    case kCmdCouplingB: {
        const Channel ch = command == kCmdCouplingA ? A : B;
        if (on)
            ControlWord[ch] &= static_cast<uint16_t>(~kControlAcBit);
        else
            ControlWord[ch] |= kControlAcBit;
        WriteControlWords(0);
        return 0; // also when the failure byte is raised: nothing follows
    }
    case kCmdGroundA:
    case kCmdGroundB:
        Ground[command == kCmdGroundA ? A : B] = on;
        SyncPipeline();
        return 0;
    case kCmdRangeA:
    case kCmdRangeB: {
        const Channel ch = command == kCmdRangeA ? A : B;
        ApplyRange(ch, v);
        if (result != nullptr) *result = static_cast<uint16_t>(LevelToPosition(ch));
        UpdateThresholds();
        return 0;
    }
    case kCmdPositionA:
    case kCmdPositionB: {
        const Channel ch = command == kCmdPositionA ? A : B;
        Position[ch] = v;
        ZeroLevel[ch] = RoundToInt32(PositionToLevel(ch));
        WriteRegister(kRegPosition[ch], v);
        SyncPipeline();
        if (FailureRaised()) return 0;
        if (result != nullptr) *result = ZeroLevel[ch];
        UpdateThresholds();
        return 0;
    }
    case kCmdReadSamples: {
        LastLost = 0;
        if (!Running || buffer == nullptr) return 0;
        int32_t count = 0;
        const uint8_t status = ReadSamples(buffer, count);
        if (result != nullptr) *result = count;
        return status;
    }
    case kCmdSamplingRate:
        RunRateShadow = v | (RunRateShadow & kRunBit);
        WriteRegister(kRegRun, RunRateShadow);
        Loss.ChangeRate(ShadowRate(), TLossCounterVexaRM::Clock::now());
        return 0;
    case kCmdTriggerSourceA:
    case kCmdTriggerSourceB:
        TriggerFlags = WithBit(TriggerFlags, command == kCmdTriggerSourceA ? 0 : 1, on);
        UpdateThresholds();
        return 0;
    case kCmdTriggerLevelA:
    case kCmdTriggerLevelB:
        TriggerLevel[command == kCmdTriggerLevelA ? A : B] = v;
        UpdateThresholds();
        return 0;
    case kCmdTriggerUnderA:
    case kCmdTriggerUnderB:
        TriggerFlags = WithBit(TriggerFlags, command == kCmdTriggerUnderA ? 2 : 3, on);
        SyncPipeline();
        return 0;
    case kCmdArmSourceA:
    case kCmdArmSourceB:
        ArmFlags = WithBit(ArmFlags, command == kCmdArmSourceA ? 0 : 1, on);
        UpdateThresholds();
        return 0;
    case kCmdArmSourceExternal:
        ArmFlags = WithBit(ArmFlags, 4, on);
        ExternalArmShadow = (ExternalArmShadow & kExtArmUnderMask) + (on ? kExtArmSourceBit : 0);
        WriteRegister(kRegExternalArm, ExternalArmShadow);
        return 0;
    case kCmdArmLevelA:
    case kCmdArmLevelB:
        ArmLevel[command == kCmdArmLevelA ? A : B] = v;
        UpdateThresholds();
        return 0;
    case kCmdArmUnderA:
    case kCmdArmUnderB:
        ArmFlags = WithBit(ArmFlags, command == kCmdArmUnderA ? 2 : 3, on);
        SyncPipeline();
        return 0;
    case kCmdArmUnderExternal:
        ArmFlags = WithBit(ArmFlags, 5, on);
        ExternalArmShadow = (ExternalArmShadow & kExtArmSourceMask) + (on ? kExtArmUnderBit : 0);
        WriteRegister(kRegExternalArm, ExternalArmShadow);
        return 0;
    case kCmdStartStop:
        StartStop(on);
        return 0;
    case kCmdFreeRun:
        Pipeline.SetFreeRun(on);
        return 0;
    case kCmdTriggerRelation:
        TriggerRelation = on;
        SyncPipeline();
        return 0;
    case kCmdSerialNumber:
        if (result != nullptr)
            *result = Calibration.Valid() ? static_cast<int32_t>(Calibration.SerialNumber()) : 0;
        return 0;
    case kCmdLostSamples:
        for (int i = 0; bytes != nullptr && i < 8; ++i)
            bytes[i] = static_cast<uint8_t>(LastLost >> (8 * i));
        if (result != nullptr) *result = LastLostSource;
        return 0;
    default:
        return 0; // codes 0, 18, 23 and 37..255 do nothing
    }
}

} // namespace vexa

// ---- The three exports -------------------------------------------------

namespace {
// The one device of this loaded copy of the library; its destructor
// releases the transport when the library is unloaded.
vexa::TVexaRMDrv Device;
} // namespace

#define VEXA_EXPORT extern "C" __attribute__((visibility("default")))

VEXA_EXPORT int32_t InitializeDevice(uint8_t *description) {
    return Device.InitializeDevice(description);
}

VEXA_EXPORT int32_t DeInitializeDevice(void) {
    return Device.DeInitializeDevice();
}

VEXA_EXPORT int32_t DeviceFunction(int32_t code, uint16_t *buffer, int32_t reserved1,
                                   uint8_t *bytes, int32_t reserved2, intptr_t value,
                                   int32_t *result) {
    (void)reserved1;
    (void)reserved2;
    return Device.DeviceFunction(code, buffer, bytes, value, result);
}
