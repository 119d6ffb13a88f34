// A scripted stand-in for the transport, for the cases the simulated device
// cannot show: fixed EEPROM contents, crafted FIFO blocks, missing entry
// points (built in variants that leave one name out), and the benchmark's
// read that only copies a prepared block.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <mutex>
#include <utility>
#include <vector>

namespace {

constexpr int32_t kBlockWords = 32768;

struct ScriptState {
    std::mutex Lock; // guards every field below; the callback runs without it
    void (*Callback)(uint8_t) = nullptr;
    int32_t DeviceType = 0;
    int32_t InitResult = 0;
    uint8_t Eeprom[512] = {};
    int32_t LoseAfterEepromReads = -1;
    int32_t EepromReads = 0;
    std::vector<std::pair<int32_t, int32_t>> Log;
    int32_t FpgaCalls = 0;
    std::vector<uint8_t> Fpga;
    std::vector<uint16_t> Standing = std::vector<uint16_t>(kBlockWords, 0);
    std::deque<std::vector<uint16_t>> Queue;
    int32_t Reads = 0;
};

ScriptState &State() {
    static ScriptState state;
    return state;
}

std::vector<uint16_t> BlockOf(const uint16_t *words, int32_t n) {
    std::vector<uint16_t> block(kBlockWords, 0);
    if (words != nullptr && n > 0)
        std::copy(words, words + std::min(n, kBlockWords), block.begin());
    return block;
}

} // namespace

#define SCRIPT_EXPORT extern "C" __attribute__((visibility("default")))

// ---- Transport entry points -------------------------------------------------

#ifndef OMIT_USBSetCallBackFunction
SCRIPT_EXPORT int32_t USBSetCallBackFunction(void (*callback)(uint8_t)) {
    std::lock_guard<std::mutex> g(State().Lock);
    State().Callback = callback;
    return 0;
}
#endif
#ifndef OMIT_USBInitDevice
SCRIPT_EXPORT int32_t USBInitDevice(void) {
    std::lock_guard<std::mutex> g(State().Lock);
    return State().InitResult;
}
#endif
SCRIPT_EXPORT int32_t USBGetDeviceID(void) {
    std::lock_guard<std::mutex> g(State().Lock);
    return State().DeviceType;
}
SCRIPT_EXPORT int32_t USBConfigureFPGA(const uint8_t *data, int32_t length) {
    std::lock_guard<std::mutex> g(State().Lock);
    ++State().FpgaCalls;
    State().Fpga.assign(data, data + length);
    return 0;
}
SCRIPT_EXPORT int32_t USBReadFromEEPROM(int32_t address) {
    void (*lose)(uint8_t) = nullptr;
    int32_t byte = 0;
    {
        std::lock_guard<std::mutex> g(State().Lock);
        ScriptState &s = State();
        byte = (address >= 0 && address < 512) ? s.Eeprom[address] : 0xFF;
        ++s.EepromReads;
        if (s.LoseAfterEepromReads >= 0 && s.EepromReads == s.LoseAfterEepromReads)
            lose = s.Callback;
    }
    if (lose != nullptr) lose(0);
    return byte | 0x5A00; // only the low 8 bits carry the byte
}
SCRIPT_EXPORT int32_t USBSingleWrite(int32_t reg, int32_t value) {
    std::lock_guard<std::mutex> g(State().Lock);
    State().Log.emplace_back(reg, value);
    return 0;
}
#ifndef OMIT_USBRollFIFORead
SCRIPT_EXPORT int32_t USBRollFIFORead(int32_t, uint8_t *buffer, int32_t length) {
    std::lock_guard<std::mutex> g(State().Lock);
    ScriptState &s = State();
    ++s.Reads;
    const size_t bytes = std::min<size_t>(static_cast<size_t>(length), kBlockWords * 2);
    if (!s.Queue.empty()) {
        std::memcpy(buffer, s.Queue.front().data(), bytes);
        s.Queue.pop_front();
    } else {
        std::memcpy(buffer, s.Standing.data(), bytes);
    }
    return 0;
}
#endif
SCRIPT_EXPORT int32_t GetDriverVersion(uint8_t *bytes) {
    bytes[0] = 7;
    bytes[1] = 9;
    return 0;
}
SCRIPT_EXPORT int32_t USBFlushBuffer(void) {
    return 0;
}
SCRIPT_EXPORT int32_t USBSingleRead(int32_t) {
    return 0;
}
SCRIPT_EXPORT int32_t USBSingleWriteWithoutFlush(int32_t, int32_t) {
    return 0;
}
SCRIPT_EXPORT int32_t USBFIFORead(uint8_t *, int32_t) {
    return 0;
}
SCRIPT_EXPORT int32_t USBFIFOWrite(const uint8_t *, int32_t) {
    return 0;
}
SCRIPT_EXPORT int32_t USBWriteToEEPROM(int32_t address, int32_t value) {
    std::lock_guard<std::mutex> g(State().Lock);
    if (address < 0 || address >= 512) return 1;
    State().Eeprom[address] = static_cast<uint8_t>(value);
    return 0;
}
#ifndef OMIT_DeviceReady
SCRIPT_EXPORT int32_t DeviceReady(void) {
    return 1;
}
#endif

// ---- Script controls --------------------------------------------------------

SCRIPT_EXPORT void ScriptReset(void) {
    std::lock_guard<std::mutex> g(State().Lock);
    ScriptState &s = State();
    s.DeviceType = 0;
    s.InitResult = 0;
    std::memset(s.Eeprom, 0, sizeof s.Eeprom);
    s.LoseAfterEepromReads = -1;
    s.EepromReads = 0;
    s.Log.clear();
    s.FpgaCalls = 0;
    s.Fpga.clear();
    s.Standing.assign(kBlockWords, 0);
    s.Queue.clear();
    s.Reads = 0;
}
SCRIPT_EXPORT void ScriptSetDeviceType(int32_t type) {
    std::lock_guard<std::mutex> g(State().Lock);
    State().DeviceType = type;
}
SCRIPT_EXPORT void ScriptSetInitResult(int32_t result) {
    std::lock_guard<std::mutex> g(State().Lock);
    State().InitResult = result;
}
// The 256-byte calibration record at EEPROM addresses 256..511.
SCRIPT_EXPORT void ScriptSetRecord(const uint8_t *record) {
    std::lock_guard<std::mutex> g(State().Lock);
    std::memcpy(State().Eeprom + 256, record, 256);
}
// The callback reports a lost device right after the n-th EEPROM read.
SCRIPT_EXPORT void ScriptLoseAfterEepromReads(int32_t n) {
    std::lock_guard<std::mutex> g(State().Lock);
    State().LoseAfterEepromReads = n;
}
// Reads copy this block whenever no queued block is waiting.
SCRIPT_EXPORT void ScriptSetStandingBlock(const uint16_t *words, int32_t n) {
    std::lock_guard<std::mutex> g(State().Lock);
    State().Standing = BlockOf(words, n);
}
// One read delivers these n words followed by empty slots.
SCRIPT_EXPORT void ScriptQueueBlock(const uint16_t *words, int32_t n) {
    std::lock_guard<std::mutex> g(State().Lock);
    State().Queue.push_back(BlockOf(words, n));
}
SCRIPT_EXPORT int32_t ScriptRegisterLog(int32_t *registers, int32_t *values, int32_t capacity) {
    std::lock_guard<std::mutex> g(State().Lock);
    const auto &log = State().Log;
    const int32_t n = static_cast<int32_t>(log.size());
    for (int32_t i = 0; i < std::min(n, capacity); ++i) {
        registers[i] = log[static_cast<size_t>(i)].first;
        values[i] = log[static_cast<size_t>(i)].second;
    }
    return n;
}
SCRIPT_EXPORT void ScriptClearLog(void) {
    std::lock_guard<std::mutex> g(State().Lock);
    State().Log.clear();
}
SCRIPT_EXPORT int32_t ScriptFpgaCalls(void) {
    std::lock_guard<std::mutex> g(State().Lock);
    return State().FpgaCalls;
}
// Copies the last hand-over buffer; returns its length.
SCRIPT_EXPORT int32_t ScriptFpgaCopy(uint8_t *out, int32_t capacity) {
    std::lock_guard<std::mutex> g(State().Lock);
    const auto &f = State().Fpga;
    std::memcpy(out, f.data(), std::min(f.size(), static_cast<size_t>(capacity)));
    return static_cast<int32_t>(f.size());
}
SCRIPT_EXPORT int32_t ScriptEepromReads(void) {
    std::lock_guard<std::mutex> g(State().Lock);
    return State().EepromReads;
}
SCRIPT_EXPORT int32_t ScriptReads(void) {
    std::lock_guard<std::mutex> g(State().Lock);
    return State().Reads;
}
// Calls the registered callback as the transport would.
SCRIPT_EXPORT void ScriptReportConnection(uint8_t connected) {
    void (*cb)(uint8_t) = nullptr;
    {
        std::lock_guard<std::mutex> g(State().Lock);
        cb = State().Callback;
    }
    if (cb != nullptr) cb(connected);
}
