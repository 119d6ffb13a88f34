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

// Address of the application's failure byte (kCmdRegisterFailureFlag). Written by the thread
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
    FTransport.Entries().SingleWrite(reg, value);
}

void TVexaRMDrv::WriteControlWords(int32_t extra) {
    WriteRegister(kRegControl, FControlWord[A] + extra + FControlWord[B]);
}

int32_t TVexaRMDrv::InitializeDevice(uint8_t *description) {
    DeInitializeDevice();
    switch (FTransport.Bind()) {
    case TUsbTransportVexaRM::BindResult::LoadFailed:
        return kInitTransportMissing;
    case TUsbTransportVexaRM::BindResult::EntryMissing:
        return kInitTransportIncomplete;
    case TUsbTransportVexaRM::BindResult::Bound:
        break;
    }
    const UsbEntryPoints &usb = FTransport.Entries();
    if (FTransport.HasInitDevice()) {
        usb.SetCallBackFunction(&TVexaRMDrv::ConnectionCallback);
        FCallbackRegistered = true;
        if (usb.InitDevice() != 0) return kInitNoDevice;
        FDeviceType = usb.GetDeviceID();
        const bool configured = ConfigureFpga();
        ReadCalibrationRecord();
        FDescription.Build(FDeviceType, FCalibration);
        if (description != nullptr) FDescription.WriteTo(description);
        FLoss.SetDeviceCounts((usb.SingleRead(kRegDeviceFeatures) & kFeatureCountsLostSamples) !=
                              0);
        ResetAcquisitionState();
        // A device of an unknown type, or one that refused its image, delivers
        // nothing: it cannot be used, whatever its calibration says.
        if (!configured) FReady = false;
    }
    return FReady ? kInitOk : kInitNotReady;
}

int32_t TVexaRMDrv::DeInitializeDevice() {
    if (!FTransport.Loaded()) return 0;
    // The transport may outlive this library (another user holds it): it
    // must not call back into code that is about to go away.
    if (FCallbackRegistered && FTransport.Entries().SetCallBackFunction != nullptr)
        FTransport.Entries().SetCallBackFunction(nullptr);
    FCallbackRegistered = false;
    return FTransport.Release() ? 1 : 0;
}

bool TVexaRMDrv::ConfigureFpga() {
    const uint8_t *stored = nullptr;
    size_t imageLength = 0;
    size_t handOver = 0;
    if (FDeviceType == 0 || FDeviceType == 2 || FDeviceType == 4) {
        stored = TUnitVexaAlphaRM::StoredImage();
        imageLength = TUnitVexaAlphaRM::ImageLength();
        handOver = TUnitVexaAlphaRM::HandOverLength();
    } else if (FDeviceType == 1 || FDeviceType == 3 || FDeviceType == 5) {
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
    return FTransport.Entries().ConfigureFPGA(buffer.data(), static_cast<int32_t>(handOver)) == 0;
}

void TVexaRMDrv::ReadCalibrationRecord() {
    uint8_t record[kCalRecordSize];
    for (int i = 0; i < kCalRecordSize; ++i) {
        record[i] =
            static_cast<uint8_t>(FTransport.Entries().ReadFromEEPROM(kCalRecordAddress + i) & 0xFF);
        if (FailureRaised()) return;
    }
    if (FCalibration.Decode(record)) FReady = true;
}

void TVexaRMDrv::ResetAcquisitionState() {
    FExternalArmShadow = kExtArmStartUp;
    FRunRateShadow = 0;
    FPipeline.SetStage(TReadPipelineVexaRM::FirstStage::Compact);
    FPipeline.SetFirstRead(true);
    FGround[A] = FGround[B] = false;
    FTriggerLevel[A] = FTriggerLevel[B] = 0;
    FTriggerThreshold[A] = FTriggerThreshold[B] = 0;
    FArmThreshold[A] = FArmThreshold[B] = 0;
    FPipeline.SetFreeRun(true);
    FPipeline.SetLastStatus(kStatusWaitingBoth);
    SyncPipeline();
    FLoss.Stop();
    FLastLost = 0;
}

int64_t TVexaRMDrv::ShadowRate() const {
    // Rate codes run from 15 (the slowest rate, index 0) down to 0.
    const int32_t code = std::clamp(FRunRateShadow & kRateCodeMask, 0, kSmpSettingCount - 1);
    return kSamplingRates[kSmpSettingCount - 1 - code];
}

uint64_t TVexaRMDrv::ReadDeviceLoss() {
    const UsbEntryPoints &usb = FTransport.Entries();
    const uint32_t low = static_cast<uint32_t>(usb.SingleRead(kRegLostLow));
    uint64_t lost = low & kLostLowBits;
    if ((low & kLostHighFollows) != 0)
        lost |= static_cast<uint64_t>(static_cast<uint32_t>(usb.SingleRead(kRegLostHigh))) << 31;
    return lost;
}

uint8_t TVexaRMDrv::ReadSamples(uint16_t *buffer, int32_t &count) {
    // Before the trigger nothing is delivered, so a gap there is no gap in
    // the stream.
    const bool waiting = FPipeline.Stage() == TReadPipelineVexaRM::FirstStage::TriggerSearch ||
                         (FPipeline.Stage() == TReadPipelineVexaRM::FirstStage::ArmFilter &&
                          !FPipeline.FreeRun() && !FPipeline.Triggered());
    const auto before = TLossCounterVexaRM::Clock::now();
    FTransport.Entries().RollFIFORead(1, reinterpret_cast<uint8_t *>(buffer), kFifoBlockBytes);
    const auto after = TLossCounterVexaRM::Clock::now();
    uint64_t lost = 0;
    if (FLoss.DeviceCounts()) {
        lost = ReadDeviceLoss();
        FLastLostSource = kLostCountedByDevice;
    } else {
        constexpr int32_t n = TReadPipelineVexaRM::kBlockWords;
        lost = FLoss.Estimate(TReadPipelineVexaRM::CountSamples(buffer, n), buffer[n - 1] == 0,
                              before, after);
        FLastLostSource = kLostEstimatedFromTime;
    }
    FLastLost = waiting ? 0 : lost;
    count = 0;
    return FPipeline.Process(buffer, count);
}

int32_t TVexaRMDrv::ProbeFactor(Channel ch) const {
    return ProbeFactorFor(FProbe[ch]);
}

void TVexaRMDrv::ApplyRange(Channel ch, int32_t range) {
    FRange[ch] = range;
    FControlWord[ch] &= static_cast<uint16_t>(~kControlRangeMask);
    const RangeEntry &e = FDescription.Entry(FDescription.EntryIndexFor(range));
    FControlWord[ch] |= ch == A ? e.ControlBitsA : e.ControlBitsB;
    uint16_t gain;
    if (!FCalibration.Valid())
        gain = ch == A ? e.GainA3 : e.GainB3;
    else if (FProbe[ch] == 1)
        gain = ch == A ? e.GainA1 : e.GainB1;
    else
        gain = ch == A ? e.GainA2 : e.GainB2;
    WriteControlWords(0);
    if (FailureRaised()) return;
    WriteRegister(kRegGain[ch], gain);
}

double TVexaRMDrv::PositionToLevel(Channel ch) const {
    return FCalibration.PositionToLevel(ch, FPosition[ch], FDescription.EntryIndexFor(FRange[ch]));
}

int32_t TVexaRMDrv::LevelToPosition(Channel ch) const {
    return FCalibration.LevelToPosition(ch, FZeroLevel[ch], FDescription.EntryIndexFor(FRange[ch]));
}

void TVexaRMDrv::UpdateThresholds() {
    for (Channel ch : {A, B}) {
        // The product wraps like the 32-bit arithmetic it stands for.
        const int32_t product = static_cast<int32_t>(static_cast<uint32_t>(ProbeFactor(ch)) *
                                                     static_cast<uint32_t>(FRange[ch]) * 8u);
        const double s = product / 255.0;
        if (s != 0.0) {
            const double zero = PositionToLevel(ch);
            FTriggerThreshold[ch] = RoundToInt32((zero * s + FTriggerLevel[ch]) / s);
            FArmThreshold[ch] = RoundToInt32((zero * s + FArmLevel[ch]) / s);
        } else {
            FTriggerThreshold[ch] = 0;
            FArmThreshold[ch] = 0;
        }
    }
    SyncPipeline();
}

void TVexaRMDrv::SyncPipeline() {
    FPipeline.SetTrigger(FTriggerFlags, FTriggerThreshold[A], FTriggerThreshold[B],
                         FTriggerRelation);
    FPipeline.SetArm(FArmFlags, FArmThreshold[A], FArmThreshold[B]);
    FPipeline.SetGround(FGround[A], FGround[B], FZeroLevel[A], FZeroLevel[B]);
}

void TVexaRMDrv::StartStop(bool start) {
    if (start) {
        FPipeline.SetTriggerStates(1, 1);
        FPipeline.SetTriggered(false);
        if (FArmFlags & 0x03)
            FPipeline.SetStage(TReadPipelineVexaRM::FirstStage::ArmFilter);
        else if (FPipeline.FreeRun())
            FPipeline.SetStage(TReadPipelineVexaRM::FirstStage::Compact);
        else
            FPipeline.SetStage(TReadPipelineVexaRM::FirstStage::TriggerSearch);
        FRunRateShadow = (FRunRateShadow & kRateCodeMask) + kRunBit;
        WriteControlWords(0);
        WriteRegister(kRegRun, FRunRateShadow);
        FLoss.Start(ShadowRate(), TLossCounterVexaRM::Clock::now());
        FRunning = true;
    } else {
        FRunRateShadow &= kRateCodeMask;
        WriteRegister(kRegRun, FRunRateShadow);
        WriteControlWords(kControlStop);
        FPipeline.SetFirstRead(true);
        FLoss.Stop();
        FRunning = false;
    }
    FLastLost = 0;
}

int32_t TVexaRMDrv::DeviceFunction(int32_t code, uint16_t *buffer, uint8_t *bytes, intptr_t value,
                                   int32_t *result) {
    const int32_t command = code & 0xFF;
    if (command == kCmdRegisterFailureFlag) {
        FailureByte.store(reinterpret_cast<uint8_t *>(value), std::memory_order_release);
        return 0;
    }
    if (!FReady) return kDeviceFunctionNotReady;
    const int32_t v = static_cast<int32_t>(value);
    const bool on = Flag(value);
    const UsbEntryPoints &usb = FTransport.Entries();
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
        FProbe[ch] = static_cast<uint8_t>(v & 0xFF);
        ApplyRange(ch, FRange[ch]);
        UpdateThresholds();
        return 0;
    }
    case kCmdCouplingA:
    case kCmdCouplingB: {
        const Channel ch = command == kCmdCouplingA ? A : B;
        if (on)
            FControlWord[ch] &= static_cast<uint16_t>(~kControlAcBit);
        else
            FControlWord[ch] |= kControlAcBit;
        WriteControlWords(0);
        return 0; // also when the failure byte is raised: nothing follows
    }
    case kCmdGroundA:
    case kCmdGroundB:
        FGround[command == kCmdGroundA ? A : B] = on;
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
        FPosition[ch] = v;
        FZeroLevel[ch] = RoundToInt32(PositionToLevel(ch));
        WriteRegister(kRegPosition[ch], v);
        SyncPipeline();
        if (FailureRaised()) return 0;
        if (result != nullptr) *result = FZeroLevel[ch];
        UpdateThresholds();
        return 0;
    }
    case kCmdReadSamples: {
        FLastLost = 0;
        if (!FRunning || buffer == nullptr) return 0;
        int32_t count = 0;
        const uint8_t status = ReadSamples(buffer, count);
        if (result != nullptr) *result = count;
        return status;
    }
    case kCmdSamplingRate:
        FRunRateShadow = v | (FRunRateShadow & kRunBit);
        WriteRegister(kRegRun, FRunRateShadow);
        FLoss.ChangeRate(ShadowRate(), TLossCounterVexaRM::Clock::now());
        return 0;
    case kCmdTriggerSourceA:
    case kCmdTriggerSourceB:
        FTriggerFlags = WithBit(FTriggerFlags, command == kCmdTriggerSourceA ? 0 : 1, on);
        UpdateThresholds();
        return 0;
    case kCmdTriggerLevelA:
    case kCmdTriggerLevelB:
        FTriggerLevel[command == kCmdTriggerLevelA ? A : B] = v;
        UpdateThresholds();
        return 0;
    case kCmdTriggerUnderA:
    case kCmdTriggerUnderB:
        FTriggerFlags = WithBit(FTriggerFlags, command == kCmdTriggerUnderA ? 2 : 3, on);
        SyncPipeline();
        return 0;
    case kCmdArmSourceA:
    case kCmdArmSourceB:
        FArmFlags = WithBit(FArmFlags, command == kCmdArmSourceA ? 0 : 1, on);
        UpdateThresholds();
        return 0;
    case kCmdArmSourceExternal:
        FArmFlags = WithBit(FArmFlags, 4, on);
        FExternalArmShadow = (FExternalArmShadow & kExtArmUnderMask) + (on ? kExtArmSourceBit : 0);
        WriteRegister(kRegExternalArm, FExternalArmShadow);
        return 0;
    case kCmdArmLevelA:
    case kCmdArmLevelB:
        FArmLevel[command == kCmdArmLevelA ? A : B] = v;
        UpdateThresholds();
        return 0;
    case kCmdArmUnderA:
    case kCmdArmUnderB:
        FArmFlags = WithBit(FArmFlags, command == kCmdArmUnderA ? 2 : 3, on);
        SyncPipeline();
        return 0;
    case kCmdArmUnderExternal:
        FArmFlags = WithBit(FArmFlags, 5, on);
        FExternalArmShadow = (FExternalArmShadow & kExtArmSourceMask) + (on ? kExtArmUnderBit : 0);
        WriteRegister(kRegExternalArm, FExternalArmShadow);
        return 0;
    case kCmdStartStop:
        StartStop(on);
        return 0;
    case kCmdFreeRun:
        FPipeline.SetFreeRun(on);
        return 0;
    case kCmdTriggerRelation:
        FTriggerRelation = on;
        SyncPipeline();
        return 0;
    case kCmdSerialNumber:
        if (result != nullptr)
            *result = FCalibration.Valid() ? static_cast<int32_t>(FCalibration.SerialNumber()) : 0;
        return 0;
    case kCmdLostSamples:
        for (int i = 0; bytes != nullptr && i < 8; ++i)
            bytes[i] = static_cast<uint8_t>(FLastLost >> (8 * i));
        if (result != nullptr) *result = FLastLostSource;
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
