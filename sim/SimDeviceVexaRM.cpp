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
    std::lock_guard<std::mutex> guard(Lock);
    ResetLocked();
}

TSimDeviceVexaRM::~TSimDeviceVexaRM() {
    const char *path = std::getenv("VEXA_SIM_REPORT");
    if (path == nullptr || *path == '\0') return;
    std::lock_guard<std::mutex> guard(Lock);
    if (std::FILE *f = std::fopen(path, "w")) {
        std::fprintf(f, "lost_samples=%lld\n", static_cast<long long>(Lost));
        std::fclose(f);
    }
}

void TSimDeviceVexaRM::Reset() {
    std::lock_guard<std::mutex> guard(Lock);
    ResetLocked();
}

void TSimDeviceVexaRM::ResetLocked() {
    DeviceType = 1;
    EepromContent = kEepromValid;
    InitFailuresLeft = 0;
    ReconnectAfter = 0;
    LoseAfterReads = -1;
    LoseAfterMs = -1;
    LoseRepeat = false;
    RepeatReads = -1;
    RepeatMs = -1;
    CounterPattern = false;
    Unpaced = false;
    TransferMicros = 1638;
    FpgaReject = false;
    FifoCapacity = kDeviceFifoWords;
    LossCounter = true;
    ManualClock = false;
    Signals[0] = SignalSettings{SignalShape::Sine, 0.25, 2.0, 0.0, 0.0};
    Signals[1] = SignalSettings{SignalShape::Triangle, 0.15, 0.5, 0.05, 0.005};
    IsConnected = false;
    ReadsSinceConnect = 0;
    FpgaStatus = kFpgaNone;
    std::fill(std::begin(Registers), std::end(Registers), 0);
    Log.clear();
    Entry[0] = Entry[1] = 6;
    Ac[0] = Ac[1] = false;
    Running = false;
    DueBase = 0;
    NextIndex = 0;
    Lost = 0;
    LostInFront = 0;
    PendingMarkers = 0;
    ApplyEnvironmentLocked();
    RebuildEepromLocked();
    ReconfigureLocked();
}

void TSimDeviceVexaRM::ApplyEnvironmentLocked() {
    long long v = 0;
    if (EnvInt("VEXA_SIM_DEVICE_TYPE", v)) DeviceType = Clamp32(v, -1000, 1000);
    if (const char *e = std::getenv("VEXA_SIM_EEPROM")) {
        const std::string mode = e;
        if (mode == "badsum") EepromContent = kEepromBadChecksum;
        if (mode == "zero") EepromContent = kEepromZero;
    }
    if (EnvInt("VEXA_SIM_INIT_FAILURES", v)) InitFailuresLeft = Clamp32(v, -1, INT32_MAX);
    if (EnvInt("VEXA_SIM_RECONNECT_AFTER", v)) ReconnectAfter = Clamp32(v, -1, INT32_MAX);
    if (EnvInt("VEXA_SIM_LOSE_AFTER_READS", v)) LoseAfterReads = Clamp32(v, -1, INT32_MAX);
    if (EnvInt("VEXA_SIM_LOSE_AFTER_MS", v)) LoseAfterMs = Clamp32(v, -1, INT32_MAX);
    if (EnvInt("VEXA_SIM_LOSE_REPEAT", v)) LoseRepeat = v != 0;
    RepeatReads = LoseAfterReads;
    RepeatMs = LoseAfterMs;
    if (EnvInt("VEXA_SIM_COUNTER", v)) CounterPattern = v != 0;
    if (EnvInt("VEXA_SIM_UNPACED", v)) Unpaced = v != 0;
    if (EnvInt("VEXA_SIM_TRANSFER_US", v)) TransferMicros = Clamp32(v, 0, 1000000);
    if (EnvInt("VEXA_SIM_FPGA_REJECT", v)) FpgaReject = v != 0;
    if (EnvInt("VEXA_SIM_LOSS_COUNTER", v)) LossCounter = v != 0;
    if (EnvInt("VEXA_SIM_FIFO_WORDS", v))
        FifoCapacity = static_cast<uint64_t>(std::max(v, 32768LL));
    if (const char *e = std::getenv("VEXA_SIM_SIGNAL_A")) ParseSignalSettings(e, Signals[0]);
    if (const char *e = std::getenv("VEXA_SIM_SIGNAL_B")) ParseSignalSettings(e, Signals[1]);
}

void TSimDeviceVexaRM::RebuildEepromLocked() {
    std::fill(std::begin(Eeprom), std::end(Eeprom), uint8_t{0xFF});
    uint8_t *record = Eeprom + kCalRecordAddress;
    long long serial = TSimCalibrationVexaRM::kDefaultSerial;
    EnvInt("VEXA_SIM_SERIAL", serial);
    TSimCalibrationVexaRM::BuildDefaultRecord(record, static_cast<uint32_t>(serial));
    if (EepromContent == kEepromBadChecksum) record[159] ^= 0x5A;
    if (EepromContent == kEepromZero) std::fill(record, record + kCalRecordSize, uint8_t{0});
    Calibration.Load(record);
}

// ---- Connection -----------------------------------------------------------

void TSimDeviceVexaRM::SetCallback(Callback cb) {
    std::lock_guard<std::mutex> guard(Lock);
    Notify = cb;
}

void TSimDeviceVexaRM::PowerUpLocked() {
    IsConnected = true;
    ConnectedAt = Clock::now();
    ReadsSinceConnect = 0;
    if (LoseRepeat) {
        LoseAfterReads = RepeatReads;
        LoseAfterMs = RepeatMs;
    }
    FpgaStatus = kFpgaNone;
    std::fill(std::begin(Registers), std::end(Registers), 0);
    Entry[0] = Entry[1] = 6;
    Ac[0] = Ac[1] = false;
    Running = false;
    PendingMarkers = 0;
    ReconfigureLocked();
}

void TSimDeviceVexaRM::LoseLocked() {
    if (!IsConnected) return;
    IsConnected = false;
    Running = false;
    InitFailuresLeft = ReconnectAfter;
    if (Notify != nullptr) Notify(0);
}

void TSimDeviceVexaRM::CheckTimedLossLocked() {
    if (!IsConnected || LoseAfterMs < 0) return;
    if (Clock::now() - ConnectedAt >= std::chrono::milliseconds(LoseAfterMs)) {
        LoseAfterMs = -1; // one loss per request
        LoseLocked();
    }
}

int32_t TSimDeviceVexaRM::InitDevice() {
    std::lock_guard<std::mutex> guard(Lock);
    if (InitFailuresLeft != 0) {
        if (InitFailuresLeft > 0) --InitFailuresLeft;
        return 1;
    }
    PowerUpLocked();
    if (Notify != nullptr) Notify(1);
    return 0;
}

int32_t TSimDeviceVexaRM::Connected() {
    std::lock_guard<std::mutex> guard(Lock);
    CheckTimedLossLocked();
    return IsConnected ? 1 : 0;
}

int32_t TSimDeviceVexaRM::DeviceID() {
    std::lock_guard<std::mutex> guard(Lock);
    return DeviceType;
}

// ---- FPGA and EEPROM --------------------------------------------------------

int32_t TSimDeviceVexaRM::ConfigureFpga(const uint8_t *data, int32_t length) {
    std::lock_guard<std::mutex> guard(Lock);
    CheckTimedLossLocked();
    if (!IsConnected) return 1;
    bool ok = !FpgaReject && data != nullptr && DeviceType >= 0 && DeviceType <= 5;
    if (ok) {
        const int family = DeviceType & 1;
        const int32_t image = static_cast<int32_t>(family ? kLargeImageLength : kSmallImageLength);
        const int32_t handOver =
            static_cast<int32_t>(family ? kLargeHandOverLength : kSmallHandOverLength);
        const uint8_t *p = data + 1;
        ok = length == handOver && std::memcmp(p, kFpgaMagic, 4) == 0 && p[4] == family &&
             Le32(p + 5) == static_cast<uint32_t>(image) &&
             Crc32(p, static_cast<size_t>(image - 4)) == Le32(p + image - 4);
    }
    FpgaStatus = ok ? kFpgaLoaded : kFpgaRejected;
    return ok ? 0 : 1;
}

int32_t TSimDeviceVexaRM::ReadEeprom(int32_t address) {
    std::lock_guard<std::mutex> guard(Lock);
    CheckTimedLossLocked();
    if (!IsConnected) return 0;
    if (address < 0 || address >= kEepromSize) return 0xFF;
    return Eeprom[address];
}

int32_t TSimDeviceVexaRM::WriteEeprom(int32_t address, int32_t value) {
    std::lock_guard<std::mutex> guard(Lock);
    if (address < 0 || address >= kEepromSize) return 1;
    Eeprom[address] = static_cast<uint8_t>(value & 0xFF);
    if (address >= kCalRecordAddress) {
        Calibration.Load(Eeprom + kCalRecordAddress);
        ReconfigureLocked();
    }
    return 0;
}

// ---- Registers --------------------------------------------------------------

double TSimDeviceVexaRM::SampleRateLocked() const {
    const int32_t code = Registers[kRegRun] & kRateCodeMask;
    const int32_t index = kSmpSettingCount - 1 - std::clamp(code, 0, kSmpSettingCount - 1);
    return kSamplingRates[index];
}

TSimDeviceVexaRM::Clock::time_point TSimDeviceVexaRM::NowLocked() const {
    return ManualClock ? ManualNow : Clock::now();
}

uint64_t TSimDeviceVexaRM::DueLocked(Clock::time_point now) const {
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(now - RunStart).count();
    if (ns <= 0) return DueBase;
    const uint64_t rate = static_cast<uint64_t>(SampleRateLocked());
    const uint64_t secs = static_cast<uint64_t>(ns) / 1000000000u;
    const uint64_t rest = static_cast<uint64_t>(ns) % 1000000000u;
    return DueBase + secs * rate + rest * rate / 1000000000u;
}

int32_t TSimDeviceVexaRM::WriteRegister(int32_t reg, int32_t value) {
    std::lock_guard<std::mutex> guard(Lock);
    CheckTimedLossLocked();
    if (Log.size() < kLogLimit) Log.emplace_back(reg, value);
    if (!IsConnected || reg < 0 || reg >= kRegisterCount) return 1;
    if (reg == kRegRun) {
        const bool run = (value & kRunBit) != 0;
        const auto now = NowLocked();
        if (Running && run) {
            DueBase = DueLocked(now); // a new rate counts from now
            RunStart = now;
        } else if (!Running && run) {
            RunStart = now;
            DueBase = 0;
            NextIndex = 0;
            Generators[0].ResetPhase();
            Generators[1].ResetPhase();
        }
        Running = run;
    }
    Registers[reg] = value;
    if (reg == kRegGainA || reg == kRegGainB) {
        const int ch = reg == kRegGainA ? 0 : 1;
        const int e = Calibration.EntryForGain(ch, static_cast<uint16_t>(value & 0xFFFF));
        if (e >= 0) Entry[ch] = e;
    }
    if (reg == kRegRun || reg == kRegGainA || reg == kRegPositionA || reg == kRegGainB ||
        reg == kRegPositionB || reg == kRegControl)
        ReconfigureLocked();
    return 0;
}

int32_t TSimDeviceVexaRM::ReadRegister(int32_t reg) {
    std::lock_guard<std::mutex> guard(Lock);
    if (reg < 0 || reg >= kRegisterCount) return 0;
    // The status registers; a device without the loss counter reads 0 there.
    switch (reg) {
    case kRegDeviceFeatures:
        return LossCounter ? kFeatureCountsLostSamples : 0;
    case kRegLostLow: {
        if (!LossCounter) return 0;
        uint32_t low = static_cast<uint32_t>(LostInFront) & kLostLowBits;
        if ((LostInFront >> 31) != 0) low |= kLostHighFollows;
        return static_cast<int32_t>(low);
    }
    case kRegLostHigh:
        return LossCounter ? static_cast<int32_t>(static_cast<uint32_t>(LostInFront >> 31)) : 0;
    default:
        return Registers[reg];
    }
}

void TSimDeviceVexaRM::ReconfigureLocked() {
    // Register 15 carries the sum of both channels' control words: what is
    // left after the two range bit patterns counts the channels set to AC.
    const int32_t acCount = (Registers[kRegControl] & kControlSumMask) -
                            TSimCalibrationVexaRM::ControlBits(Entry[0]) -
                            TSimCalibrationVexaRM::ControlBits(Entry[1]);
    if (acCount == 0) {
        Ac[0] = Ac[1] = false;
    } else if (acCount == 2) {
        Ac[0] = Ac[1] = true;
    } else if (acCount == 1 && Ac[0] == Ac[1]) {
        // One channel changed and the sum cannot tell which: channel A.
        Ac[0] = !Ac[0];
    }
    const double rate = SampleRateLocked();
    for (int ch = 0; ch < 2; ++ch) {
        const double mv = TSimCalibrationVexaRM::RangeMilliVolts(Entry[ch]);
        const double codesPerVolt = 1000.0 * 255.0 / (8.0 * mv);
        const int32_t zero = Calibration.ZeroLevel(ch, Registers[kRegPosition[ch]], Entry[ch]);
        Generators[ch].Configure(Signals[ch], rate, codesPerVolt, zero, Ac[ch]);
    }
}

// ---- FIFO -------------------------------------------------------------------

void TSimDeviceVexaRM::FillLocked(uint16_t *words, int32_t count) {
    if (CounterPattern) {
        uint32_t a = 1 + static_cast<uint32_t>(NextIndex % 255);
        uint32_t b = 1 + static_cast<uint32_t>((NextIndex / 255) % 255);
        for (int32_t i = 0; i < count; ++i) {
            words[i] = static_cast<uint16_t>(b << 8 | a);
            if (++a > 255) {
                a = 1;
                if (++b > 255) b = 1;
            }
        }
    } else {
        for (int32_t i = 0; i < count; ++i) {
            const uint16_t a = Generators[0].Next();
            words[i] = static_cast<uint16_t>(Generators[1].Next() << 8 | a);
        }
    }
    NextIndex += static_cast<uint64_t>(count);
}

int32_t TSimDeviceVexaRM::RollFifoRead(uint8_t *buffer, int32_t length) {
    if (buffer == nullptr || length <= 0) return 1;
    std::memset(buffer, 0, static_cast<size_t>(length));
    int32_t pause = 0;
    {
        std::lock_guard<std::mutex> guard(Lock);
        pause = Unpaced ? 0 : TransferMicros;
    }
    // The transfer takes its time on the bus, without holding the lock.
    if (pause > 0) std::this_thread::sleep_for(std::chrono::microseconds(pause));

    std::lock_guard<std::mutex> guard(Lock);
    CheckTimedLossLocked();
    LostInFront = 0;
    if (IsConnected && LoseAfterReads == 0) {
        LoseAfterReads = -1; // lost before this read delivers anything
        LoseLocked();
    }
    if (!IsConnected) return 1;
    const int32_t words = length / 2;
    if (FpgaStatus == kFpgaLoaded && Running && words > 0) {
        std::vector<uint16_t> &staging = Staging;
        staging.assign(static_cast<size_t>(words), 0);
        const int32_t markers = std::min(PendingMarkers, words);
        std::fill(staging.begin(), staging.begin() + markers, kWordMarker1);
        PendingMarkers -= markers;
        const uint64_t room = static_cast<uint64_t>(words - markers);
        const uint64_t due = Unpaced ? NextIndex + room : DueLocked(NowLocked());
        uint64_t available = due > NextIndex ? due - NextIndex : 0;
        if (available > FifoCapacity) {
            // The FIFO overflowed: the oldest samples are gone, so the gap
            // lies right in front of this block.
            const uint64_t skip = available - FifoCapacity;
            Generators[0].Advance(skip);
            Generators[1].Advance(skip);
            NextIndex += skip;
            Lost += static_cast<int64_t>(skip);
            LostInFront = skip;
            available = FifoCapacity;
        }
        const int32_t n = static_cast<int32_t>(std::min(available, room));
        FillLocked(staging.data() + markers, n);
        std::memcpy(buffer, staging.data(), static_cast<size_t>(words) * 2);
    }
    ++ReadsSinceConnect;
    if (LoseAfterReads > 0 && ReadsSinceConnect >= LoseAfterReads) {
        LoseAfterReads = -1; // one loss per request
        LoseLocked();
    }
    return 0;
}

// ---- Controls ---------------------------------------------------------------

void TSimDeviceVexaRM::SetDeviceType(int32_t type) {
    std::lock_guard<std::mutex> guard(Lock);
    DeviceType = type;
}

void TSimDeviceVexaRM::SetEepromMode(int32_t mode) {
    std::lock_guard<std::mutex> guard(Lock);
    EepromContent = mode;
    RebuildEepromLocked();
    ReconfigureLocked();
}

void TSimDeviceVexaRM::SetInitFailures(int32_t n) {
    std::lock_guard<std::mutex> guard(Lock);
    InitFailuresLeft = n;
}

void TSimDeviceVexaRM::SetReconnectAfter(int32_t m) {
    std::lock_guard<std::mutex> guard(Lock);
    ReconnectAfter = m;
}

void TSimDeviceVexaRM::SetLoseAfterReads(int32_t n) {
    std::lock_guard<std::mutex> guard(Lock);
    LoseAfterReads = n;
    RepeatReads = n;
    ReadsSinceConnect = 0;
}

void TSimDeviceVexaRM::SetLoseAfterMs(int32_t ms) {
    std::lock_guard<std::mutex> guard(Lock);
    LoseAfterMs = ms;
    RepeatMs = ms;
    ConnectedAt = Clock::now();
}

void TSimDeviceVexaRM::SetLoseRepeat(bool on) {
    std::lock_guard<std::mutex> guard(Lock);
    LoseRepeat = on;
}

void TSimDeviceVexaRM::LoseConnectionNow() {
    std::lock_guard<std::mutex> guard(Lock);
    LoseLocked();
}

void TSimDeviceVexaRM::SetSignal(int channel, const SignalSettings &signal) {
    std::lock_guard<std::mutex> guard(Lock);
    if (channel < 0 || channel > 1) return;
    Signals[channel] = signal;
    ReconfigureLocked();
}

void TSimDeviceVexaRM::SetCounterPattern(bool on) {
    std::lock_guard<std::mutex> guard(Lock);
    CounterPattern = on;
}

void TSimDeviceVexaRM::SetUnpaced(bool on) {
    std::lock_guard<std::mutex> guard(Lock);
    if (Unpaced && !on && Running) {
        DueBase = NextIndex; // real time resumes from the samples delivered
        RunStart = NowLocked();
    }
    Unpaced = on;
}

void TSimDeviceVexaRM::SetLossCounter(bool on) {
    std::lock_guard<std::mutex> guard(Lock);
    LossCounter = on;
}

void TSimDeviceVexaRM::SetManualClock(bool on) {
    std::lock_guard<std::mutex> guard(Lock);
    if (on == ManualClock) return;
    // The samples due so far stay due; the new clock counts on from here.
    const Clock::time_point now = NowLocked();
    if (Running) {
        DueBase = DueLocked(now);
        RunStart = on ? ManualNow : Clock::now();
    }
    ManualClock = on;
}

void TSimDeviceVexaRM::AdvanceClock(int64_t micros) {
    std::lock_guard<std::mutex> guard(Lock);
    if (micros > 0) ManualNow += std::chrono::microseconds(micros);
}

void TSimDeviceVexaRM::SetTransferMicros(int32_t us) {
    std::lock_guard<std::mutex> guard(Lock);
    TransferMicros = std::clamp(us, 0, 1000000);
}

void TSimDeviceVexaRM::SetFpgaReject(bool on) {
    std::lock_guard<std::mutex> guard(Lock);
    FpgaReject = on;
}

void TSimDeviceVexaRM::InjectMarkers(int32_t count) {
    std::lock_guard<std::mutex> guard(Lock);
    if (count > 0) PendingMarkers += count;
}

int32_t TSimDeviceVexaRM::Fpga() {
    std::lock_guard<std::mutex> guard(Lock);
    return FpgaStatus;
}

int32_t TSimDeviceVexaRM::RegisterLog(int32_t *registers, int32_t *values, int32_t capacity) {
    std::lock_guard<std::mutex> guard(Lock);
    const int32_t n = static_cast<int32_t>(Log.size());
    for (int32_t i = 0; i < std::min(n, capacity); ++i) {
        if (registers != nullptr) registers[i] = Log[static_cast<size_t>(i)].first;
        if (values != nullptr) values[i] = Log[static_cast<size_t>(i)].second;
    }
    return n;
}

void TSimDeviceVexaRM::ClearRegisterLog() {
    std::lock_guard<std::mutex> guard(Lock);
    Log.clear();
}

int64_t TSimDeviceVexaRM::LostSamples() {
    std::lock_guard<std::mutex> guard(Lock);
    return Lost;
}

int32_t TSimDeviceVexaRM::ZeroLevel(int channel) {
    std::lock_guard<std::mutex> guard(Lock);
    if (channel < 0 || channel > 1) return 0;
    return Calibration.ZeroLevel(channel, Registers[kRegPosition[channel]], Entry[channel]);
}

int32_t TSimDeviceVexaRM::RangeMilliVolts(int channel) {
    std::lock_guard<std::mutex> guard(Lock);
    if (channel < 0 || channel > 1) return 0;
    return TSimCalibrationVexaRM::RangeMilliVolts(Entry[channel]);
}

int32_t TSimDeviceVexaRM::AcCoupled(int channel) {
    std::lock_guard<std::mutex> guard(Lock);
    if (channel < 0 || channel > 1) return 0;
    return Ac[channel] ? 1 : 0;
}

} // namespace vexa
