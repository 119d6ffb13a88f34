// The simulated oscilloscope behind the transport: connection, FPGA,
// EEPROM, registers and the roll FIFO, with faults on request.
//
// FLock: every member below is guarded by FLock, which each public function
// takes for its whole run (except the pacing sleep of a FIFO read, which is
// taken without it). The connection callback is called with FLock held, so
// once SetCallback(nullptr) has returned no callback is in flight.
#pragma once

#include "common/DeviceRegistersVexaRM.h"
#include "common/ScopeConstsVexaRM.h"
#include "SignalGeneratorVexaRM.h"
#include "SimCalibrationVexaRM.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <utility>
#include <vector>

namespace vexa {

class TSimDeviceVexaRM {
public:
    using Callback = void (*)(uint8_t connected);
    using Clock = std::chrono::steady_clock;

    enum EepromMode : int32_t { kEepromValid = 0, kEepromBadChecksum = 1, kEepromZero = 2 };
    enum FpgaState : int32_t { kFpgaNone = 0, kFpgaLoaded = 1, kFpgaRejected = 2 };
    static constexpr size_t kLogLimit = 1 << 20;

    TSimDeviceVexaRM();
    // With VEXA_SIM_REPORT naming a file, writes the device's counters there
    // when the process ends (for checks from outside the process).
    ~TSimDeviceVexaRM();

    // Back to the defaults, then the VEXA_SIM_... environment variables.
    void Reset();

    // ---- The transport's entry points ----------------------------------
    void SetCallback(Callback cb);
    int32_t InitDevice();
    int32_t DeviceID();
    int32_t ConfigureFpga(const uint8_t *data, int32_t length);
    int32_t ReadEeprom(int32_t address);
    int32_t WriteEeprom(int32_t address, int32_t value);
    int32_t WriteRegister(int32_t reg, int32_t value);
    int32_t ReadRegister(int32_t reg);
    int32_t RollFifoRead(uint8_t *buffer, int32_t length);
    int32_t Connected();

    // ---- Test and demo controls ----------------------------------------
    void SetDeviceType(int32_t type);
    void SetEepromMode(int32_t mode);
    void SetInitFailures(int32_t n);
    void SetReconnectAfter(int32_t m);
    void SetLoseAfterReads(int32_t n);
    void SetLoseAfterMs(int32_t ms);
    // The requested loss (after reads or milliseconds) comes again after
    // every successful USBInitDevice: a device that fails after each start.
    void SetLoseRepeat(bool on);
    void LoseConnectionNow();
    void SetSignal(int channel, const SignalSettings &signal);
    void SetCounterPattern(bool on);
    void SetUnpaced(bool on);
    void SetTransferMicros(int32_t us);
    void SetFpgaReject(bool on);
    void InjectMarkers(int32_t count);
    // The device counts the samples its full FIFO lost (kRegLostLow/kRegLostHigh).
    void SetLossCounter(bool on);
    // A clock the test moves (AdvanceClock) instead of real time, for the
    // samples that fall due; the transfer pause stays real.
    void SetManualClock(bool on);
    void AdvanceClock(int64_t micros);
    int32_t Fpga();
    int32_t RegisterLog(int32_t *registers, int32_t *values, int32_t capacity);
    void ClearRegisterLog();
    int64_t LostSamples();
    int32_t ZeroLevel(int channel);
    int32_t RangeMilliVolts(int channel);
    int32_t AcCoupled(int channel);

private:
    void ResetLocked();
    void ApplyEnvironmentLocked();
    void RebuildEepromLocked();
    void PowerUpLocked();
    void LoseLocked();
    void CheckTimedLossLocked();
    void ReconfigureLocked();
    Clock::time_point NowLocked() const;
    uint64_t DueLocked(Clock::time_point now) const;
    void FillLocked(uint16_t *words, int32_t count);
    double SampleRateLocked() const;

    std::mutex FLock; // guards every member below (see the header comment)

    // Configuration.
    int32_t FDeviceType = 1;
    int32_t FEepromContent = kEepromValid;
    int32_t FInitFailuresLeft = 0; // -1: the device never appears
    int32_t FReconnectAfter = 0;
    int32_t FLoseAfterReads = -1;
    int32_t FLoseAfterMs = -1;
    bool FLoseRepeat = false;
    int32_t FRepeatReads = -1; // the request that comes again at each start
    int32_t FRepeatMs = -1;
    bool FCounterPattern = false;
    bool FUnpaced = false;
    int32_t FTransferMicros = 1638; // 65,536 bytes at about 40 MB/s
    bool FFpgaReject = false;
    uint64_t FFifoCapacity = kDeviceFifoWords;
    bool FLossCounter = true;
    bool FManualClock = false;
    Clock::time_point FManualNow; // the test's clock while FManualClock
    SignalSettings FSignals[2];

    // Connection.
    Callback FNotify = nullptr;
    bool FIsConnected = false;
    Clock::time_point FConnectedAt;
    int64_t FReadsSinceConnect = 0;

    // Device.
    int32_t FFpgaStatus = kFpgaNone;
    static constexpr int32_t kEepromSize = kCalRecordAddress + kCalRecordSize;
    uint8_t FEeprom[kEepromSize] = {};
    TSimCalibrationVexaRM FCalibration;
    int32_t FRegisters[kRegisterCount] = {};
    std::vector<std::pair<int32_t, int32_t>> FLog;
    int FEntry[2] = {6, 6};
    bool FAc[2] = {false, false};
    TSignalGeneratorVexaRM FGenerators[2];

    // FIFO.
    bool FRunning = false;
    Clock::time_point FRunStart;
    uint64_t FDueBase = 0;   // samples due before FRunStart
    uint64_t FNextIndex = 0; // sequence number of the next sample delivered
    int64_t FLost = 0;
    uint64_t FLostInFront = 0; // lost in front of the block of the last read
    int32_t FPendingMarkers = 0;
    std::vector<uint16_t> FStaging; // one block being assembled
};

} // namespace vexa
