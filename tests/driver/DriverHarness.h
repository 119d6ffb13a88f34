// Loads the real driver library (a fresh load per harness) and, beside it,
// the transport it is to use, whose control exports the tests call.
#pragma once

#include "common/DeviceRegistersVexaRM.h"
#include "common/ScopeConstsVexaRM.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vexa::test {

class TDriverHarness {
public:
    // transport: file name in the test program's folder that the driver is
    // told to load (VEXA_USB_LIBRARY); the harness loads it too, first, so
    // that both share one instance, and resets it (SimReset/ScriptReset).
    explicit TDriverHarness(const std::string &transport = "libvexausb.so");
    ~TDriverHarness();
    TDriverHarness(const TDriverHarness &) = delete;
    TDriverHarness &operator=(const TDriverHarness &) = delete;

    // Unloads the driver and loads it afresh (the transport stays loaded).
    void ReloadDriver();

    // The three exports.
    int32_t Initialize(uint8_t *description);
    int32_t DeInitialize();
    int32_t Call(int32_t code, intptr_t value = 0, int32_t *result = nullptr,
                 uint16_t *buffer = nullptr, uint8_t *bytes = nullptr);

    // Registers the failure byte and starts the device; returns the result.
    int32_t Start(uint8_t *description = nullptr);
    uint8_t &FailureByte() { return FFailure; }

    // kCmdReadSamples into Block(); returns the status, count the words delivered.
    int32_t Read(int32_t &count);
    std::vector<uint16_t> &Block() { return FBuffer; }

    // A control export of the transport.
    template <typename F> F Control(const char *name) const {
        return reinterpret_cast<F>(Lookup(name));
    }
    bool TransportLoaded() const { return FTransport != nullptr; }

    // The transport's register log as (register, value) pairs.
    std::vector<std::pair<int32_t, int32_t>> RegisterLog() const;
    void ClearRegisterLog() const;

private:
    void *Lookup(const char *name) const;
    void LoadDriver();

    std::string FTransportName;
    void *FTransport = nullptr; // dlopen handle of the transport
    void *FDriver = nullptr;    // dlopen handle of the driver library
    int32_t (*InitFn)(uint8_t *) = nullptr;
    int32_t (*DeInitFn)() = nullptr;
    int32_t (*FunctionFn)(int32_t, uint16_t *, int32_t, uint8_t *, int32_t, intptr_t,
                          int32_t *) = nullptr;
    uint8_t FFailure = 0;
    std::vector<uint16_t> FBuffer;
};

} // namespace vexa::test
