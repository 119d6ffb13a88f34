// The exported functions of libvexausb.so: the transport's 15 entry points
// and the simulator's controls, all forwarding to the one device.
#include "SimDeviceVexaRM.h"

#include <cstdint>

namespace {
vexa::TSimDeviceVexaRM Device;
} // namespace

#define VEXA_EXPORT extern "C" __attribute__((visibility("default")))

// ---- Transport entry points -------------------------------------------------

VEXA_EXPORT int32_t USBSetCallBackFunction(void (*callback)(uint8_t)) {
    Device.SetCallback(callback);
    return 0;
}
VEXA_EXPORT int32_t USBInitDevice(void) {
    return Device.InitDevice();
}
VEXA_EXPORT int32_t USBGetDeviceID(void) {
    return Device.DeviceID();
}
VEXA_EXPORT int32_t USBConfigureFPGA(const uint8_t *data, int32_t length) {
    return Device.ConfigureFpga(data, length);
}
VEXA_EXPORT int32_t USBReadFromEEPROM(int32_t address) {
    return Device.ReadEeprom(address);
}
VEXA_EXPORT int32_t USBSingleWrite(int32_t reg, int32_t value) {
    return Device.WriteRegister(reg, value);
}
VEXA_EXPORT int32_t USBRollFIFORead(int32_t pipe, uint8_t *buffer, int32_t length) {
    (void)pipe;
    return Device.RollFifoRead(buffer, length);
}
VEXA_EXPORT int32_t GetDriverVersion(uint8_t *bytes) {
    if (bytes == nullptr) return 1;
    bytes[0] = 1;
    bytes[1] = 3;
    return 0;
}
VEXA_EXPORT int32_t USBFlushBuffer(void) {
    return 0;
}
VEXA_EXPORT int32_t USBSingleRead(int32_t reg) {
    return Device.ReadRegister(reg);
}
VEXA_EXPORT int32_t USBSingleWriteWithoutFlush(int32_t reg, int32_t value) {
    return Device.WriteRegister(reg, value);
}
VEXA_EXPORT int32_t USBFIFORead(uint8_t *buffer, int32_t length) {
    for (int32_t i = 0; buffer != nullptr && i < length; ++i)
        buffer[i] = 0;
    return 0;
}
VEXA_EXPORT int32_t USBFIFOWrite(const uint8_t *buffer, int32_t length) {
    (void)buffer;
    (void)length;
    return 0;
}
VEXA_EXPORT int32_t USBWriteToEEPROM(int32_t address, int32_t value) {
    return Device.WriteEeprom(address, value);
}
VEXA_EXPORT int32_t DeviceReady(void) {
    return Device.Connected();
}

// ---- Simulator controls (see sim/README.md) ---------------------------------

VEXA_EXPORT void SimReset(void) {
    Device.Reset();
}
VEXA_EXPORT void SimSetDeviceType(int32_t type) {
    Device.SetDeviceType(type);
}
VEXA_EXPORT void SimSetEepromMode(int32_t mode) {
    Device.SetEepromMode(mode);
}
VEXA_EXPORT void SimSetInitFailures(int32_t count) {
    Device.SetInitFailures(count);
}
VEXA_EXPORT void SimSetReconnectAfter(int32_t failedInits) {
    Device.SetReconnectAfter(failedInits);
}
VEXA_EXPORT void SimLoseConnectionAfterReads(int32_t reads) {
    Device.SetLoseAfterReads(reads);
}
VEXA_EXPORT void SimLoseConnectionAfterMs(int32_t ms) {
    Device.SetLoseAfterMs(ms);
}
VEXA_EXPORT void SimSetLoseRepeat(int32_t on) {
    Device.SetLoseRepeat(on != 0);
}
VEXA_EXPORT void SimLoseConnectionNow(void) {
    Device.LoseConnectionNow();
}
VEXA_EXPORT int32_t SimSetSignal(int32_t channel, int32_t shape, double amplitude, double frequency,
                                 double offset, double noise) {
    if (shape < 0 || shape > 4) return 1;
    vexa::SignalSettings s;
    s.Shape = static_cast<vexa::SignalShape>(shape);
    s.Amplitude = amplitude;
    s.Frequency = frequency;
    s.Offset = offset;
    s.Noise = noise;
    Device.SetSignal(channel, s);
    return 0;
}
VEXA_EXPORT void SimSetCounterPattern(int32_t on) {
    Device.SetCounterPattern(on != 0);
}
VEXA_EXPORT void SimSetUnpaced(int32_t on) {
    Device.SetUnpaced(on != 0);
}
VEXA_EXPORT void SimSetTransferMicros(int32_t micros) {
    Device.SetTransferMicros(micros);
}
VEXA_EXPORT void SimSetFpgaReject(int32_t on) {
    Device.SetFpgaReject(on != 0);
}
VEXA_EXPORT int32_t SimFpgaState(void) {
    return Device.Fpga();
}
VEXA_EXPORT void SimInjectMarkers(int32_t count) {
    Device.InjectMarkers(count);
}
VEXA_EXPORT int32_t SimRegisterLog(int32_t *registers, int32_t *values, int32_t capacity) {
    return Device.RegisterLog(registers, values, capacity);
}
VEXA_EXPORT void SimClearRegisterLog(void) {
    Device.ClearRegisterLog();
}
VEXA_EXPORT void SimSetLossCounter(int32_t on) {
    Device.SetLossCounter(on != 0);
}
VEXA_EXPORT void SimSetManualClock(int32_t on) {
    Device.SetManualClock(on != 0);
}
VEXA_EXPORT void SimAdvanceClock(int64_t micros) {
    Device.AdvanceClock(micros);
}
VEXA_EXPORT int64_t SimLostSamples(void) {
    return Device.LostSamples();
}
VEXA_EXPORT int32_t SimZeroLevel(int32_t channel) {
    return Device.ZeroLevel(channel);
}
VEXA_EXPORT int32_t SimRangeMilliVolts(int32_t channel) {
    return Device.RangeMilliVolts(channel);
}
VEXA_EXPORT int32_t SimAcCoupled(int32_t channel) {
    return Device.AcCoupled(channel);
}
