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
    // kCmdReadSamples: one FIFO read through the pipeline, with the loss in front
    // of it.
    uint8_t ReadSamples(uint16_t *buffer, int32_t &count);
    // The device's count of the samples lost in front of the last block.
    uint64_t ReadDeviceLoss();

    TUsbTransportVexaRM FTransport;
    bool FCallbackRegistered = false;
    TCalibrationVexaRM FCalibration;
    TDeviceDescriptionVexaRM FDescription;
    TReadPipelineVexaRM FPipeline;
    TLossCounterVexaRM FLoss;
    // Sample periods lost in front of the block of the last kCmdReadSamples
    // read, and how they were counted (kCmdLostSamples).
    uint64_t FLastLost = 0;
    uint16_t FLastLostSource = kLostCountedByDevice;

    bool FReady = false;
    int32_t FDeviceType = 0;
    int32_t FRange[2] = {0, 0};
    uint8_t FProbe[2] = {0, 0};
    int32_t FPosition[2] = {0, 0};
    int32_t FZeroLevel[2] = {0, 0};
    uint16_t FControlWord[2] = {0, 0};
    int32_t FRunRateShadow = 0;
    int32_t FExternalArmShadow = 0;
    uint8_t FTriggerFlags = 0;
    uint8_t FArmFlags = 0;
    int32_t FTriggerLevel[2] = {0, 0};
    int32_t FArmLevel[2] = {0, 0};
    int32_t FTriggerThreshold[2] = {0, 0};
    int32_t FArmThreshold[2] = {0, 0};
    bool FTriggerRelation = false;
    bool FGround[2] = {false, false};
    bool FRunning = false;
};

} // namespace vexa
