#include "DriverHarness.h"

#include "tests/support/TestSupport.h"

#include <cstdlib>
#include <dlfcn.h>
#include <stdexcept>

namespace vexa::test {

TDriverHarness::TDriverHarness(const std::string &transport)
    : FTransportName(transport), FBuffer(65536, 0xEEEE) {
    setenv("VEXA_USB_LIBRARY", transport.c_str(), 1);
    FTransport = dlopen((BinDir() + "/" + transport).c_str(), RTLD_NOW | RTLD_LOCAL);
    if (auto reset = Control<void (*)()>("SimReset")) reset();
    if (auto reset = Control<void (*)()>("ScriptReset")) reset();
    LoadDriver();
}

TDriverHarness::~TDriverHarness() {
    if (FDriver != nullptr) dlclose(FDriver);
    if (FTransport != nullptr) dlclose(FTransport);
    unsetenv("VEXA_USB_LIBRARY");
}

void TDriverHarness::LoadDriver() {
    const std::string path = BinDir() + "/libvexarmdrv.so";
    FDriver = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (FDriver == nullptr) throw std::runtime_error("cannot load " + path);
    InitFn = reinterpret_cast<decltype(InitFn)>(dlsym(FDriver, "InitializeDevice"));
    DeInitFn = reinterpret_cast<decltype(DeInitFn)>(dlsym(FDriver, "DeInitializeDevice"));
    FunctionFn = reinterpret_cast<decltype(FunctionFn)>(dlsym(FDriver, "DeviceFunction"));
    if (!InitFn || !DeInitFn || !FunctionFn) throw std::runtime_error("driver export missing");
}

void TDriverHarness::ReloadDriver() {
    dlclose(FDriver);
    FDriver = nullptr;
    LoadDriver();
}

int32_t TDriverHarness::Initialize(uint8_t *description) {
    return InitFn(description);
}

int32_t TDriverHarness::DeInitialize() {
    return DeInitFn();
}

int32_t TDriverHarness::Call(int32_t code, intptr_t value, int32_t *result, uint16_t *buffer,
                             uint8_t *bytes) {
    return FunctionFn(code, buffer, 0, bytes, 0, value, result);
}

int32_t TDriverHarness::Start(uint8_t *description) {
    Call(kCmdRegisterFailureFlag, reinterpret_cast<intptr_t>(&FFailure));
    return Initialize(description);
}

int32_t TDriverHarness::Read(int32_t &count) {
    return Call(kCmdReadSamples, 0, &count, FBuffer.data());
}

void *TDriverHarness::Lookup(const char *name) const {
    return FTransport != nullptr ? dlsym(FTransport, name) : nullptr;
}

std::vector<std::pair<int32_t, int32_t>> TDriverHarness::RegisterLog() const {
    auto log = Control<int32_t (*)(int32_t *, int32_t *, int32_t)>("SimRegisterLog");
    if (log == nullptr)
        log = Control<int32_t (*)(int32_t *, int32_t *, int32_t)>("ScriptRegisterLog");
    const int32_t n = log(nullptr, nullptr, 0);
    std::vector<int32_t> regs(static_cast<size_t>(n)), values(static_cast<size_t>(n));
    log(regs.data(), values.data(), n);
    std::vector<std::pair<int32_t, int32_t>> out;
    for (int32_t i = 0; i < n; ++i)
        out.emplace_back(regs[static_cast<size_t>(i)], values[static_cast<size_t>(i)]);
    return out;
}

void TDriverHarness::ClearRegisterLog() const {
    if (auto clear = Control<void (*)()>("SimClearRegisterLog")) clear();
    if (auto clear = Control<void (*)()>("ScriptClearLog")) clear();
}

} // namespace vexa::test
