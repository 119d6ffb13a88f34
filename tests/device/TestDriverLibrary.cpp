// A small stand-in for the driver library that answers InitializeDevice with
// scripted results, including the ones the real library never returns.
// Controlled through the environment, read at each call:
//   VEXA_TEST_DRIVER_RESULTS  comma-separated InitializeDevice results, used
//                             in order within one load; the last one repeats
//   VEXA_TEST_DRIVER_SERIAL   result of code 35; without it, the number of
//                             InitializeDevice calls made in this load
//   VEXA_TEST_DRIVER_RAISE    when set, InitializeDevice raises the
//                             registered failure byte
//   VEXA_TEST_DRIVER_LOG      file that receives one line "code value" per
//                             DeviceFunction call and "init" per
//                             InitializeDevice call
// Versions: code 2 gives 3.7, code 3 gives 2.5. InitializeDevice writes the
// device type 3 into the description. Built three times: complete, without
// InitializeDevice (VEXA_TEST_DRIVER_NO_INIT) and without DeviceFunction
// (VEXA_TEST_DRIVER_NO_FUNCTION).
#include "common/ScopeConstsVexaRM.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int32_t gInitCalls = 0;          // InitializeDevice calls in this load
uint8_t *gFailureByte = nullptr; // registered by code 1

// Plain C only: C++ library templates would give the library unique
// symbols, and such a library is never really unloaded by dlclose.
void Log(const char *line) {
    const char *path = std::getenv("VEXA_TEST_DRIVER_LOG");
    if (!path || !*path) return;
    if (FILE *f = std::fopen(path, "a")) {
        std::fprintf(f, "%s\n", line);
        std::fclose(f);
    }
}

#ifndef VEXA_TEST_DRIVER_NO_INIT
int32_t ScriptedResult(int32_t call) {
    const char *script = std::getenv("VEXA_TEST_DRIVER_RESULTS");
    if (!script || !*script) return 0;
    int32_t result = 0;
    const char *p = script;
    for (int32_t i = 0; i <= call && *p; ++i) {
        char *end = nullptr;
        result = static_cast<int32_t>(std::strtol(p, &end, 10));
        p = (*end == ',') ? end + 1 : end;
    }
    return result;
}
#endif

} // namespace

extern "C" {

#ifndef VEXA_TEST_DRIVER_NO_INIT
__attribute__((visibility("default"))) int32_t InitializeDevice(uint8_t *description) {
    Log("init");
    const int32_t result = ScriptedResult(gInitCalls++);
    if (description) description[vexa::kDeviceDescriptionTypeOffset] = 3;
    if (std::getenv("VEXA_TEST_DRIVER_RAISE") && gFailureByte) *gFailureByte = 1;
    return result;
}
#endif

__attribute__((visibility("default"))) int32_t DeInitializeDevice(void) {
    return 1;
}

#ifndef VEXA_TEST_DRIVER_NO_FUNCTION
__attribute__((visibility("default"))) int32_t DeviceFunction(int32_t code, uint16_t *, int32_t,
                                                              uint8_t *bytes, int32_t,
                                                              intptr_t value, int32_t *result) {
    char line[64];
    std::snprintf(line, sizeof line, "%d %ld", int(code),
                  code == vexa::kCmdRegisterFailureFlag ? long(value != 0) : long(value));
    Log(line);
    switch (code) {
    case vexa::kCmdRegisterFailureFlag:
        gFailureByte = reinterpret_cast<uint8_t *>(value);
        return 0;
    case vexa::kCmdLibraryVersion:
        bytes[0] = 3;
        bytes[1] = 7;
        return 0;
    case vexa::kCmdTransportVersion:
        bytes[0] = 2;
        bytes[1] = 5;
        return 0;
    case vexa::kCmdRangeA:
    case vexa::kCmdRangeB:
        *result = 1000 + static_cast<int32_t>(value);
        return 0;
    case vexa::kCmdPositionA:
    case vexa::kCmdPositionB:
        *result = 2 * static_cast<int32_t>(value);
        return 0;
    case vexa::kCmdSerialNumber: {
        const char *serial = std::getenv("VEXA_TEST_DRIVER_SERIAL");
        *result = serial ? static_cast<int32_t>(std::strtol(serial, nullptr, 10)) : gInitCalls;
        return 0;
    }
    default:
        return 0;
    }
}
#endif
}
