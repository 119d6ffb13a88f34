// The driver library's one device: library-wide state, start-up, command
// dispatch and register programming. The exported C functions forward to
// the single instance held by VexaRMDrv.cpp.
#pragma once

#include "CalibrationVexaRM.h"
#include "DeviceDescriptionVexaRM.h"
#include "LossCounterVexaRM.h"
#include "ReadPipelineVexaRM.h"
#include "common/ScopeConstsVexaRM.h"
#include "UsbTransportVexaRM.h"

#include <cstdint>

namespace vexa {

class TVexaRMDrv {
public:
    TVexaRMDrv() = default;
    ~TVexaRMDrv();
    TVexaRMDrv(const TVexaRMDrv &) = delete;
    TVexaRMDrv &operator=(const TVexaRMDrv &) = delete;

    int32_t InitializeDevice(uint8_t *description);
    int32_t DeInitializeDevice();
    int32_t DeviceFunction(int32_t code, uint16_t *buffer, uint8_t *bytes, intptr_t value,
                           int32_t *result);

    // The transport's connection callback: stores the inverted byte into
    // the registered failure byte. Safe on any thread.
    static void ConnectionCallback(uint8_t connected);

private:
    enum Channel { A = 0, B = 1 };

    bool FailureRaised() const;
    void WriteRegister(int32_t reg, int32_t value);
    void WriteControlWords(int32_t extra);
    // False when the device has no image for its type or refused it.
    bool ConfigureFpga();
    void ReadCalibrationRecord();
    void ResetAcquisitionState();

    void ApplyRange(Channel ch, int32_t range);
    double PositionToLevel(Channel ch) const;
    int32_t LevelToPosition(Channel ch) const;
    void UpdateThresholds();
    void SyncPipeline();
    void StartStop(bool start);
    int32_t ProbeFactor(Channel ch) const;
    // Samples per second of the rate code in the run register's shadow.
    int64_t ShadowRate() const;
    // Code 14: one FIFO read through the pipeline, with the loss in front
    // of it.
    uint8_t ReadSamples(uint16_t *buffer, int32_t &count);
    // The device's count of the samples lost in front of the last block.
    uint64_t ReadDeviceLoss();

    TUsbTransportVexaRM Transport;
    bool CallbackRegistered = false;
    TCalibrationVexaRM Calibration;
    TDeviceDescriptionVexaRM Description;
    TReadPipelineVexaRM Pipeline;
    TLossCounterVexaRM Loss;
    // Sample periods lost in front of the block of the last code-14 read,
    // and how they were counted (code 36).
    uint64_t LastLost = 0;
    uint16_t LastLostSource = kLostCountedByDevice;

    bool Ready = false;
    int32_t DeviceType = 0;
    int32_t Range[2] = {0, 0};
    uint8_t Probe[2] = {0, 0};
    int32_t Position[2] = {0, 0};
    int32_t ZeroLevel[2] = {0, 0};
    uint16_t ControlWord[2] = {0, 0};
    int32_t RunRateShadow = 0;
    int32_t ExternalArmShadow = 0;
    uint8_t TriggerFlags = 0;
    uint8_t ArmFlags = 0;
    int32_t TriggerLevel[2] = {0, 0};
    int32_t ArmLevel[2] = {0, 0};
    int32_t TriggerThreshold[2] = {0, 0};
    int32_t ArmThreshold[2] = {0, 0};
    bool TriggerRelation = false;
    bool Ground[2] = {false, false};
    bool Running = false;
};

} // namespace vexa
