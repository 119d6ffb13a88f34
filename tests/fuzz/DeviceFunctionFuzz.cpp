// Drives the real driver library on a ready simulated device with arbitrary
// command codes and values. Both libraries are loaded with dlopen from the
// fuzz program's folder, exactly as the program loads them. The simulator
// runs unpaced so that reads return at once.
//
// Input: a sequence of 13-byte steps: 4 bytes code, 8 bytes value, 1 byte of
// pointer choices (buffer, bytes, result present or absent). Code 1 only
// ever gets the address of our own failure byte or null: any other address
// would break the caller's side of that command. Two codes the driver
// ignores, 0x4CF0 and 0x49F1, stand for device events instead: the connection
// is lost, or the device is started up again.
//
// Aborts when a read reports more words than the buffer holds or a status
// wider than a byte, when a command on a ready device returns "not ready", or
// when a guard word or byte around the caller's areas changed.
#include "common/ScopeConstsVexaRM.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using InitFn = int32_t (*)(uint8_t *);
using DeInitFn = int32_t (*)();
using FunctionFn = int32_t (*)(int32_t, uint16_t *, int32_t, uint8_t *, int32_t, intptr_t,
                               int32_t *);

struct Libraries {
    InitFn Initialize = nullptr;
    DeInitFn DeInitialize = nullptr;
    FunctionFn Function = nullptr;
    void (*SimReset)() = nullptr;
    void (*SimSetUnpaced)(int32_t) = nullptr;
    void (*SimLoseConnectionNow)() = nullptr;
    void (*SimSetDeviceType)(int32_t) = nullptr;
};

Libraries Lib;

void Check(bool ok, const char *what) {
    if (!ok) {
        std::fprintf(stderr, "fuzz check failed: %s\n", what);
        std::abort();
    }
}

void *Need(void *handle, const char *name) {
    void *p = dlsym(handle, name);
    if (p == nullptr) {
        std::fprintf(stderr, "missing export %s\n", name);
        std::exit(1);
    }
    return p;
}

std::string OwnFolder() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    path[n] = '\0';
    std::string s(path);
    return s.substr(0, s.rfind('/'));
}

constexpr uint16_t kCanaryWord = 0xA5C3;
constexpr size_t kGuardWords = 64;
constexpr uint8_t kFreshFailure = 0;

// The caller's areas, with guard words on both sides.
struct CallerAreas {
    std::vector<uint16_t> Words = std::vector<uint16_t>(vexa::kMaxBlockWords + 2 * kGuardWords);
    uint8_t Bytes[64];
    int32_t Result[3];
    uint8_t Failure = kFreshFailure;
    uint8_t Description[vexa::kDeviceDescriptionSize];

    uint16_t *Buffer() { return Words.data() + kGuardWords; }
    void Guard() {
        for (size_t i = 0; i < Words.size(); ++i)
            Words[i] = kCanaryWord;
        std::memset(Bytes, 0xEE, sizeof Bytes);
        Result[0] = Result[2] = 0x5EEDF00D;
        Result[1] = -7777;
    }
    void CheckGuards() {
        for (size_t i = 0; i < kGuardWords; ++i) {
            Check(Words[i] == kCanaryWord, "word before the buffer changed");
            Check(Words[kGuardWords + vexa::kMaxBlockWords + i] == kCanaryWord,
                  "word after the buffer changed");
        }
        // Codes 2 and 3 write a version pair, code 36 a 64-bit count,
        // nothing past it.
        for (size_t i = 8; i < sizeof Bytes; ++i)
            Check(Bytes[i] == 0xEE, "bytes past the ones a command writes changed");
        Check(Result[0] == 0x5EEDF00D && Result[2] == 0x5EEDF00D, "result neighbours changed");
    }
};

CallerAreas *Areas = nullptr;

bool Start() {
    Lib.DeInitialize();
    Lib.SimReset();
    Lib.SimSetUnpaced(1);
    Areas->Failure = kFreshFailure;
    Lib.Function(vexa::kCmdRegisterFailureFlag, nullptr, 0, nullptr, 0,
                 reinterpret_cast<intptr_t>(&Areas->Failure), nullptr);
    return Lib.Initialize(Areas->Description) == vexa::kInitOk;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    const std::string dir = OwnFolder();
    setenv("VEXA_SIM_UNPACED", "1", 1);
    // The simulator stays loaded for the whole run: the driver finds the
    // same copy when it loads the transport by name from its folder.
    void *sim = dlopen((dir + "/libvexausb.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    void *drv = dlopen((dir + "/libvexarmdrv.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    if (sim == nullptr || drv == nullptr) {
        std::fprintf(stderr, "cannot load the libraries from %s: %s\n", dir.c_str(), dlerror());
        std::exit(1);
    }
    Lib.Initialize = reinterpret_cast<InitFn>(Need(drv, "InitializeDevice"));
    Lib.DeInitialize = reinterpret_cast<DeInitFn>(Need(drv, "DeInitializeDevice"));
    Lib.Function = reinterpret_cast<FunctionFn>(Need(drv, "DeviceFunction"));
    Lib.SimReset = reinterpret_cast<void (*)()>(Need(sim, "SimReset"));
    Lib.SimSetUnpaced = reinterpret_cast<void (*)(int32_t)>(Need(sim, "SimSetUnpaced"));
    Lib.SimLoseConnectionNow = reinterpret_cast<void (*)()>(Need(sim, "SimLoseConnectionNow"));
    Lib.SimSetDeviceType = reinterpret_cast<void (*)(int32_t)>(Need(sim, "SimSetDeviceType"));
    Areas = new CallerAreas;
    if (!Start()) {
        std::fprintf(stderr, "the simulated device did not start\n");
        std::exit(1);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    constexpr size_t kStep = 13;
    constexpr int kMaxReads = 6;
    Check(Start(), "start-up on a fresh simulated device");
    bool ready = true;
    int reads = 0;
    for (size_t at = 0; at + kStep <= size; at += kStep) {
        int32_t code;
        int64_t value;
        std::memcpy(&code, data + at, 4);
        std::memcpy(&value, data + at + 4, 8);
        const uint8_t choice = data[at + 12];
        const int32_t command = code & 0xFF;

        // Device events, chosen by codes the driver ignores.
        if (command == 0xF0 && (code >> 8) == 0x4C) { // lose the connection
            Lib.SimLoseConnectionNow();
            continue;
        }
        if (command == 0xF1 && (code >> 8) == 0x49) { // start up again
            if (choice & 0x10) Lib.SimSetDeviceType(static_cast<int32_t>(value % 8));
            ready = Lib.Initialize(Areas->Description) == vexa::kInitOk;
            continue;
        }

        Areas->Guard();
        uint16_t *buffer = (choice & 1) ? Areas->Buffer() : nullptr;
        uint8_t *bytes = (choice & 2) ? Areas->Bytes : nullptr;
        int32_t *result = (choice & 4) ? &Areas->Result[1] : nullptr;
        intptr_t v = static_cast<intptr_t>(value);
        if (command == vexa::kCmdRegisterFailureFlag)
            v = (choice & 8) ? reinterpret_cast<intptr_t>(&Areas->Failure) : 0;
        if (command == vexa::kCmdReadSamples) {
            if (reads >= kMaxReads) continue;
            ++reads;
        }
        const int32_t returned = Lib.Function(code, buffer, static_cast<int32_t>(value >> 32),
                                              bytes, static_cast<int32_t>(value), v, result);
        if (command == vexa::kCmdReadSamples) {
            Check(returned >= 0 && returned <= 0xFF, "status of a read is one byte");
            if (result != nullptr && buffer != nullptr && Areas->Result[1] != -7777) {
                const int32_t delivered = Areas->Result[1];
                Check(delivered >= 0 && delivered <= vexa::kMaxBlockWords,
                      "a read delivers at most the buffer's words");
            }
        } else if (ready && command != vexa::kCmdRegisterFailureFlag) {
            Check(returned != vexa::kDeviceFunctionNotReady, "not ready on a ready device");
        }
        Areas->CheckGuards();
    }
    return 0;
}
