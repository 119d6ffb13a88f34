#include "SimDeviceVexaRM.h"

#include "common/DeviceRegistersVexaRM.h"
#include "common/ScopeConstsVexaRM.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace vexa {

namespace {

uint32_t Le32(const uint8_t *p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

bool EnvInt(const char *name, long long &out) {
    const char *text = std::getenv(name);
    if (text == nullptr || *text == '\0') return false;
    char *end = nullptr;
    const long long v = std::strtoll(text, &end, 10);
    if (end == text) return false;
    out = v;
    return true;
}

int32_t Clamp32(long long v, int32_t lo, int32_t hi) {
    return static_cast<int32_t>(std::clamp<long long>(v, lo, hi));
}

} // namespace

TSimDeviceVexaRM::TSimDeviceVexaRM() {
    std::lock_guard<std::mutex> guard(FLock);
    ResetLocked();
}

TSimDeviceVexaRM::~TSimDeviceVexaRM() {
    const char *path = std::getenv("VEXA_SIM_REPORT");
    if (path == nullptr || *path == '\0') return;
    std::lock_guard<std::mutex> guard(FLock);
    if (std::FILE *f = std::fopen(path, "w")) {
        std::fprintf(f, "lost_samples=%lld\n", static_cast<long long>(FLost));
        std::fclose(f);
    }
}

void TSimDeviceVexaRM::Reset() {
    std::lock_guard<std::mutex> guard(FLock);
    ResetLocked();
}

void TSimDeviceVexaRM::ResetLocked() {
    FDeviceType = 1;
    FEepromContent = kEepromValid;
    FInitFailuresLeft = 0;
    FReconnectAfter = 0;
    FLoseAfterReads = -1;
    FLoseAfterMs = -1;
    FLoseRepeat = false;
    FRepeatReads = -1;
    FRepeatMs = -1;
    FCounterPattern = false;
    FUnpaced = false;
    FTransferMicros = 1638;
    FFpgaReject = false;
    FFifoCapacity = kDeviceFifoWords;
    FLossCounter = true;
    FManualClock = false;
    FSignals[0] = SignalSettings{SignalShape::Sine, 0.25, 2.0, 0.0, 0.0};
    FSignals[1] = SignalSettings{SignalShape::Triangle, 0.15, 0.5, 0.05, 0.005};
    FIsConnected = false;
    FReadsSinceConnect = 0;
    FFpgaStatus = kFpgaNone;
    std::fill(std::begin(FRegisters), std::end(FRegisters), 0);
    FLog.clear();
    FEntry[0] = FEntry[1] = 6;
    FAc[0] = FAc[1] = false;
    FRunning = false;
    FDueBase = 0;
    FNextIndex = 0;
    FLost = 0;
    FLostInFront = 0;
    FPendingMarkers = 0;
    ApplyEnvironmentLocked();
    RebuildEepromLocked();
    ReconfigureLocked();
}

void TSimDeviceVexaRM::ApplyEnvironmentLocked() {
    long long v = 0;
    if (EnvInt("VEXA_SIM_DEVICE_TYPE", v)) FDeviceType = Clamp32(v, -1000, 1000);
    if (const char *e = std::getenv("VEXA_SIM_EEPROM")) {
        const std::string mode = e;
        if (mode == "badsum") FEepromContent = kEepromBadChecksum;
        if (mode == "zero") FEepromContent = kEepromZero;
    }
    if (EnvInt("VEXA_SIM_INIT_FAILURES", v)) FInitFailuresLeft = Clamp32(v, -1, INT32_MAX);
    if (EnvInt("VEXA_SIM_RECONNECT_AFTER", v)) FReconnectAfter = Clamp32(v, -1, INT32_MAX);
    if (EnvInt("VEXA_SIM_LOSE_AFTER_READS", v)) FLoseAfterReads = Clamp32(v, -1, INT32_MAX);
    if (EnvInt("VEXA_SIM_LOSE_AFTER_MS", v)) FLoseAfterMs = Clamp32(v, -1, INT32_MAX);
    if (EnvInt("VEXA_SIM_LOSE_REPEAT", v)) FLoseRepeat = v != 0;
    FRepeatReads = FLoseAfterReads;
    FRepeatMs = FLoseAfterMs;
    if (EnvInt("VEXA_SIM_COUNTER", v)) FCounterPattern = v != 0;
    if (EnvInt("VEXA_SIM_UNPACED", v)) FUnpaced = v != 0;
    if (EnvInt("VEXA_SIM_TRANSFER_US", v)) FTransferMicros = Clamp32(v, 0, 1000000);
    if (EnvInt("VEXA_SIM_FPGA_REJECT", v)) FFpgaReject = v != 0;
    if (EnvInt("VEXA_SIM_LOSS_COUNTER", v)) FLossCounter = v != 0;
    if (EnvInt("VEXA_SIM_FIFO_WORDS", v))
        FFifoCapacity = static_cast<uint64_t>(std::max(v, 32768LL));
    if (const char *e = std::getenv("VEXA_SIM_SIGNAL_A")) ParseSignalSettings(e, FSignals[0]);
    if (const char *e = std::getenv("VEXA_SIM_SIGNAL_B")) ParseSignalSettings(e, FSignals[1]);
}

void TSimDeviceVexaRM::RebuildEepromLocked() {
    std::fill(std::begin(FEeprom), std::end(FEeprom), uint8_t{0xFF});
    uint8_t *record = FEeprom + kCalRecordAddress;
    long long serial = TSimCalibrationVexaRM::kDefaultSerial;
    EnvInt("VEXA_SIM_SERIAL", serial);
    TSimCalibrationVexaRM::BuildDefaultRecord(record, static_cast<uint32_t>(serial));
    if (FEepromContent == kEepromBadChecksum) record[159] ^= 0x5A;
    if (FEepromContent == kEepromZero) std::fill(record, record + kCalRecordSize, uint8_t{0});
    FCalibration.Load(record);
}

// ---- Connection -----------------------------------------------------------

void TSimDeviceVexaRM::SetCallback(Callback cb) {
    std::lock_guard<std::mutex> guard(FLock);
    FNotify = cb;
}

void TSimDeviceVexaRM::PowerUpLocked() {
    FIsConnected = true;
    FConnectedAt = Clock::now();
    FReadsSinceConnect = 0;
    if (FLoseRepeat) {
        FLoseAfterReads = FRepeatReads;
        FLoseAfterMs = FRepeatMs;
    }
    FFpgaStatus = kFpgaNone;
    std::fill(std::begin(FRegisters), std::end(FRegisters), 0);
    FEntry[0] = FEntry[1] = 6;
    FAc[0] = FAc[1] = false;
    FRunning = false;
    FPendingMarkers = 0;
    ReconfigureLocked();
}

void TSimDeviceVexaRM::LoseLocked() {
    if (!FIsConnected) return;
    FIsConnected = false;
    FRunning = false;
    FInitFailuresLeft = FReconnectAfter;
    if (FNotify != nullptr) FNotify(0);
}

void TSimDeviceVexaRM::CheckTimedLossLocked() {
    if (!FIsConnected || FLoseAfterMs < 0) return;
    if (Clock::now() - FConnectedAt >= std::chrono::milliseconds(FLoseAfterMs)) {
        FLoseAfterMs = -1; // one loss per request
        LoseLocked();
    }
}

int32_t TSimDeviceVexaRM::InitDevice() {
    std::lock_guard<std::mutex> guard(FLock);
    if (FInitFailuresLeft != 0) {
        if (FInitFailuresLeft > 0) --FInitFailuresLeft;
        return 1;
    }
    PowerUpLocked();
    if (FNotify != nullptr) FNotify(1);
    return 0;
}

int32_t TSimDeviceVexaRM::Connected() {
    std::lock_guard<std::mutex> guard(FLock);
    CheckTimedLossLocked();
    return FIsConnected ? 1 : 0;
}

int32_t TSimDeviceVexaRM::DeviceID() {
    std::lock_guard<std::mutex> guard(FLock);
    return FDeviceType;
}

// ---- FPGA and EEPROM --------------------------------------------------------

int32_t TSimDeviceVexaRM::ConfigureFpga(const uint8_t *data, int32_t length) {
    std::lock_guard<std::mutex> guard(FLock);
    CheckTimedLossLocked();
    if (!FIsConnected) return 1;
    bool ok = !FFpgaReject && data != nullptr && FDeviceType >= 0 && FDeviceType <= 5;
    if (ok) {
        const int family = FDeviceType & 1;
        const int32_t image = static_cast<int32_t>(family ? kLargeImageLength : kSmallImageLength);
        const int32_t handOver =
            static_cast<int32_t>(family ? kLargeHandOverLength : kSmallHandOverLength);
        const uint8_t *p = data + 1;
        ok = length == handOver && std::memcmp(p, kFpgaMagic, 4) == 0 && p[4] == family &&
             Le32(p + 5) == static_cast<uint32_t>(image) &&
             Crc32(p, static_cast<size_t>(image - 4)) == Le32(p + image - 4);
    }
    FFpgaStatus = ok ? kFpgaLoaded : kFpgaRejected;
    return ok ? 0 : 1;
}

int32_t TSimDeviceVexaRM::ReadEeprom(int32_t address) {
    std::lock_guard<std::mutex> guard(FLock);
    CheckTimedLossLocked();
    if (!FIsConnected) return 0;
    if (address < 0 || address >= kEepromSize) return 0xFF;
    return FEeprom[address];
}

int32_t TSimDeviceVexaRM::WriteEeprom(int32_t address, int32_t value) {
    std::lock_guard<std::mutex> guard(FLock);
    if (address < 0 || address >= kEepromSize) return 1;
    FEeprom[address] = static_cast<uint8_t>(value & 0xFF);
    if (address >= kCalRecordAddress) {
        FCalibration.Load(FEeprom + kCalRecordAddress);
        ReconfigureLocked();
    }
    return 0;
}

// ---- Registers --------------------------------------------------------------

double TSimDeviceVexaRM::SampleRateLocked() const {
    const int32_t code = FRegisters[kRegRun] & kRateCodeMask;
    const int32_t index = kSmpSettingCount - 1 - std::clamp(code, 0, kSmpSettingCount - 1);
    return kSamplingRates[index];
}

TSimDeviceVexaRM::Clock::time_point TSimDeviceVexaRM::NowLocked() const {
    return FManualClock ? FManualNow : Clock::now();
}

uint64_t TSimDeviceVexaRM::DueLocked(Clock::time_point now) const {
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(now - FRunStart).count();
    if (ns <= 0) return FDueBase;
    const uint64_t rate = static_cast<uint64_t>(SampleRateLocked());
    const uint64_t secs = static_cast<uint64_t>(ns) / 1000000000u;
    const uint64_t rest = static_cast<uint64_t>(ns) % 1000000000u;
    return FDueBase + secs * rate + rest * rate / 1000000000u;
}

int32_t TSimDeviceVexaRM::WriteRegister(int32_t reg, int32_t value) {
    std::lock_guard<std::mutex> guard(FLock);
    CheckTimedLossLocked();
    if (FLog.size() < kLogLimit) FLog.emplace_back(reg, value);
    if (!FIsConnected || reg < 0 || reg >= kRegisterCount) return 1;
    if (reg == kRegRun) {
        const bool run = (value & kRunBit) != 0;
        const auto now = NowLocked();
        if (FRunning && run) {
            FDueBase = DueLocked(now); // a new rate counts from now
            FRunStart = now;
        } else if (!FRunning && run) {
            FRunStart = now;
            FDueBase = 0;
            FNextIndex = 0;
            FGenerators[0].ResetPhase();
            FGenerators[1].ResetPhase();
        }
        FRunning = run;
    }
    FRegisters[reg] = value;
    if (reg == kRegGainA || reg == kRegGainB) {
        const int ch = reg == kRegGainA ? 0 : 1;
        const int e = FCalibration.EntryForGain(ch, static_cast<uint16_t>(value & 0xFFFF));
        if (e >= 0) FEntry[ch] = e;
    }
    if (reg == kRegRun || reg == kRegGainA || reg == kRegPositionA || reg == kRegGainB ||
        reg == kRegPositionB || reg == kRegControl)
        ReconfigureLocked();
    return 0;
}

int32_t TSimDeviceVexaRM::ReadRegister(int32_t reg) {
    std::lock_guard<std::mutex> guard(FLock);
    if (reg < 0 || reg >= kRegisterCount) return 0;
    // The status registers; a device without the loss counter reads 0 there.
    switch (reg) {
    case kRegDeviceFeatures:
        return FLossCounter ? kFeatureCountsLostSamples : 0;
    case kRegLostLow: {
        if (!FLossCounter) return 0;
        uint32_t low = static_cast<uint32_t>(FLostInFront) & kLostLowBits;
        if ((FLostInFront >> 31) != 0) low |= kLostHighFollows;
        return static_cast<int32_t>(low);
    }
    case kRegLostHigh:
        return FLossCounter ? static_cast<int32_t>(static_cast<uint32_t>(FLostInFront >> 31)) : 0;
    default:
        return FRegisters[reg];
    }
}

void TSimDeviceVexaRM::ReconfigureLocked() {
    // kRegControl carries the sum of both channels' control words: what is
    // left after the two range bit patterns counts the channels set to AC.
    const int32_t acCount = (FRegisters[kRegControl] & kControlSumMask) -
                            TSimCalibrationVexaRM::ControlBits(FEntry[0]) -
                            TSimCalibrationVexaRM::ControlBits(FEntry[1]);
    if (acCount == 0) {
        FAc[0] = FAc[1] = false;
    } else if (acCount == 2) {
        FAc[0] = FAc[1] = true;
    } else if (acCount == 1 && FAc[0] == FAc[1]) {
        // One channel changed and the sum cannot tell which: channel A.
        FAc[0] = !FAc[0];
    }
    const double rate = SampleRateLocked();
    for (int ch = 0; ch < 2; ++ch) {
        const double mv = TSimCalibrationVexaRM::RangeMilliVolts(FEntry[ch]);
        const double codesPerVolt = 1000.0 * 255.0 / (8.0 * mv);
        const int32_t zero = FCalibration.ZeroLevel(ch, FRegisters[kRegPosition[ch]], FEntry[ch]);
        FGenerators[ch].Configure(FSignals[ch], rate, codesPerVolt, zero, FAc[ch]);
    }
}

// ---- FIFO -------------------------------------------------------------------

void TSimDeviceVexaRM::FillLocked(uint16_t *words, int32_t count) {
    if (FCounterPattern) {
        uint32_t a = 1 + static_cast<uint32_t>(FNextIndex % 255);
        uint32_t b = 1 + static_cast<uint32_t>((FNextIndex / 255) % 255);
        for (int32_t i = 0; i < count; ++i) {
            words[i] = static_cast<uint16_t>(b << 8 | a);
            if (++a > 255) {
                a = 1;
                if (++b > 255) b = 1;
            }
        }
    } else {
        for (int32_t i = 0; i < count; ++i) {
            const uint16_t a = FGenerators[0].Next();
            words[i] = static_cast<uint16_t>(FGenerators[1].Next() << 8 | a);
        }
    }
    FNextIndex += static_cast<uint64_t>(count);
}

int32_t TSimDeviceVexaRM::RollFifoRead(uint8_t *buffer, int32_t length) {
    if (buffer == nullptr || length <= 0) return 1;
    std::memset(buffer, 0, static_cast<size_t>(length));
    int32_t pause = 0;
    {
        std::lock_guard<std::mutex> guard(FLock);
        pause = FUnpaced ? 0 : FTransferMicros;
    }
    // The transfer takes its time on the bus, without holding the lock.
    if (pause > 0) std::this_thread::sleep_for(std::chrono::microseconds(pause));

    std::lock_guard<std::mutex> guard(FLock);
    CheckTimedLossLocked();
    FLostInFront = 0;
    if (FIsConnected && FLoseAfterReads == 0) {
        FLoseAfterReads = -1; // lost before this read delivers anything
        LoseLocked();
    }
    if (!FIsConnected) return 1;
    const int32_t words = length / 2;
    if (FFpgaStatus == kFpgaLoaded && FRunning && words > 0) {
        std::vector<uint16_t> &staging = FStaging;
        staging.assign(static_cast<size_t>(words), 0);
        const int32_t markers = std::min(FPendingMarkers, words);
        std::fill(staging.begin(), staging.begin() + markers, kWordMarker1);
        FPendingMarkers -= markers;
        const uint64_t room = static_cast<uint64_t>(words - markers);
        const uint64_t due = FUnpaced ? FNextIndex + room : DueLocked(NowLocked());
        uint64_t available = due > FNextIndex ? due - FNextIndex : 0;
        if (available > FFifoCapacity) {
            // The FIFO overflowed: the oldest samples are gone, so the gap
            // lies right in front of this block.
            const uint64_t skip = available - FFifoCapacity;
            FGenerators[0].Advance(skip);
            FGenerators[1].Advance(skip);
            FNextIndex += skip;
            FLost += static_cast<int64_t>(skip);
            FLostInFront = skip;
            available = FFifoCapacity;
        }
        const int32_t n = static_cast<int32_t>(std::min(available, room));
        FillLocked(staging.data() + markers, n);
        std::memcpy(buffer, staging.data(), static_cast<size_t>(words) * 2);
    }
    ++FReadsSinceConnect;
    if (FLoseAfterReads > 0 && FReadsSinceConnect >= FLoseAfterReads) {
        FLoseAfterReads = -1; // one loss per request
        LoseLocked();
    }
    return 0;
}

// ---- Controls ---------------------------------------------------------------

void TSimDeviceVexaRM::SetDeviceType(int32_t type) {
    std::lock_guard<std::mutex> guard(FLock);
    FDeviceType = type;
}

void TSimDeviceVexaRM::SetEepromMode(int32_t mode) {
    std::lock_guard<std::mutex> guard(FLock);
    FEepromContent = mode;
    RebuildEepromLocked();
    ReconfigureLocked();
}

void TSimDeviceVexaRM::SetInitFailures(int32_t n) {
    std::lock_guard<std::mutex> guard(FLock);
    FInitFailuresLeft = n;
}

void TSimDeviceVexaRM::SetReconnectAfter(int32_t m) {
    std::lock_guard<std::mutex> guard(FLock);
    FReconnectAfter = m;
}

void TSimDeviceVexaRM::SetLoseAfterReads(int32_t n) {
    std::lock_guard<std::mutex> guard(FLock);
    FLoseAfterReads = n;
    FRepeatReads = n;
    FReadsSinceConnect = 0;
}

void TSimDeviceVexaRM::SetLoseAfterMs(int32_t ms) {
    std::lock_guard<std::mutex> guard(FLock);
    FLoseAfterMs = ms;
    FRepeatMs = ms;
    FConnectedAt = Clock::now();
}

void TSimDeviceVexaRM::SetLoseRepeat(bool on) {
    std::lock_guard<std::mutex> guard(FLock);
    FLoseRepeat = on;
}

void TSimDeviceVexaRM::LoseConnectionNow() {
    std::lock_guard<std::mutex> guard(FLock);
    LoseLocked();
}

void TSimDeviceVexaRM::SetSignal(int channel, const SignalSettings &signal) {
    std::lock_guard<std::mutex> guard(FLock);
    if (channel < 0 || channel > 1) return;
    FSignals[channel] = signal;
    ReconfigureLocked();
}

void TSimDeviceVexaRM::SetCounterPattern(bool on) {
    std::lock_guard<std::mutex> guard(FLock);
    FCounterPattern = on;
}

void TSimDeviceVexaRM::SetUnpaced(bool on) {
    std::lock_guard<std::mutex> guard(FLock);
    if (FUnpaced && !on && FRunning) {
        FDueBase = FNextIndex; // real time resumes from the samples delivered
        FRunStart = NowLocked();
    }
    FUnpaced = on;
}

void TSimDeviceVexaRM::SetLossCounter(bool on) {
    std::lock_guard<std::mutex> guard(FLock);
    FLossCounter = on;
}

void TSimDeviceVexaRM::SetManualClock(bool on) {
    std::lock_guard<std::mutex> guard(FLock);
    if (on == FManualClock) return;
    // The samples due so far stay due; the new clock counts on from here.
    const Clock::time_point now = NowLocked();
    if (FRunning) {
        FDueBase = DueLocked(now);
        FRunStart = on ? FManualNow : Clock::now();
    }
    FManualClock = on;
}

void TSimDeviceVexaRM::AdvanceClock(int64_t micros) {
    std::lock_guard<std::mutex> guard(FLock);
    if (micros > 0) FManualNow += std::chrono::microseconds(micros);
}

void TSimDeviceVexaRM::SetTransferMicros(int32_t us) {
    std::lock_guard<std::mutex> guard(FLock);
    FTransferMicros = std::clamp(us, 0, 1000000);
}

void TSimDeviceVexaRM::SetFpgaReject(bool on) {
    std::lock_guard<std::mutex> guard(FLock);
    FFpgaReject = on;
}

void TSimDeviceVexaRM::InjectMarkers(int32_t count) {
    std::lock_guard<std::mutex> guard(FLock);
    if (count > 0) FPendingMarkers += count;
}

int32_t TSimDeviceVexaRM::Fpga() {
    std::lock_guard<std::mutex> guard(FLock);
    return FFpgaStatus;
}

int32_t TSimDeviceVexaRM::RegisterLog(int32_t *registers, int32_t *values, int32_t capacity) {
    std::lock_guard<std::mutex> guard(FLock);
    const int32_t n = static_cast<int32_t>(FLog.size());
    for (int32_t i = 0; i < std::min(n, capacity); ++i) {
        if (registers != nullptr) registers[i] = FLog[static_cast<size_t>(i)].first;
        if (values != nullptr) values[i] = FLog[static_cast<size_t>(i)].second;
    }
    return n;
}

void TSimDeviceVexaRM::ClearRegisterLog() {
    std::lock_guard<std::mutex> guard(FLock);
    FLog.clear();
}

int64_t TSimDeviceVexaRM::LostSamples() {
    std::lock_guard<std::mutex> guard(FLock);
    return FLost;
}

int32_t TSimDeviceVexaRM::ZeroLevel(int channel) {
    std::lock_guard<std::mutex> guard(FLock);
    if (channel < 0 || channel > 1) return 0;
    return FCalibration.ZeroLevel(channel, FRegisters[kRegPosition[channel]], FEntry[channel]);
}

int32_t TSimDeviceVexaRM::RangeMilliVolts(int channel) {
    std::lock_guard<std::mutex> guard(FLock);
    if (channel < 0 || channel > 1) return 0;
    return TSimCalibrationVexaRM::RangeMilliVolts(FEntry[channel]);
}

int32_t TSimDeviceVexaRM::AcCoupled(int channel) {
    std::lock_guard<std::mutex> guard(FLock);
    if (channel < 0 || channel > 1) return 0;
    return FAc[channel] ? 1 : 0;
}

} // namespace vexa
