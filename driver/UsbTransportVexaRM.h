// Binding of the USB transport library: loads it beside the driver library,
// resolves its entry points by name and releases it.
#pragma once

#include <cstdint>
#include <string>

namespace vexa {

extern "C" {
typedef void (*VexaUsbCallback)(uint8_t connected);
typedef int32_t (*UsbSetCallBackFunctionFn)(VexaUsbCallback);
typedef int32_t (*UsbVoidFn)(void);
typedef int32_t (*UsbConfigureFpgaFn)(const uint8_t *, int32_t);
typedef int32_t (*UsbIntFn)(int32_t);
typedef int32_t (*UsbIntIntFn)(int32_t, int32_t);
typedef int32_t (*UsbRollFifoReadFn)(int32_t, uint8_t *, int32_t);
typedef int32_t (*UsbBytesFn)(uint8_t *);
typedef int32_t (*UsbBufferFn)(uint8_t *, int32_t);
typedef int32_t (*UsbConstBufferFn)(const uint8_t *, int32_t);
}

// The 15 entry points of the transport, by their exported names.
struct UsbEntryPoints {
    UsbSetCallBackFunctionFn SetCallBackFunction = nullptr;
    UsbVoidFn InitDevice = nullptr;
    UsbVoidFn GetDeviceID = nullptr;
    UsbConfigureFpgaFn ConfigureFPGA = nullptr;
    UsbIntFn ReadFromEEPROM = nullptr;
    UsbIntIntFn SingleWrite = nullptr;
    UsbRollFifoReadFn RollFIFORead = nullptr;
    UsbBytesFn GetDriverVersion = nullptr;
    UsbVoidFn FlushBuffer = nullptr;
    UsbIntFn SingleRead = nullptr;
    UsbIntIntFn SingleWriteWithoutFlush = nullptr;
    UsbBufferFn FIFORead = nullptr;
    UsbConstBufferFn FIFOWrite = nullptr;
    UsbIntIntFn WriteToEEPROM = nullptr;
    UsbVoidFn DeviceReady = nullptr;
};

class TUsbTransportVexaRM {
public:
    enum class BindResult { Bound, LoadFailed, EntryMissing };

    // The file name looked for beside the driver library; a name holding a
    // '/' is used as given. VEXA_USB_LIBRARY overrides it (tests only).
    static std::string LibraryPath();

    TUsbTransportVexaRM() = default;
    ~TUsbTransportVexaRM();
    TUsbTransportVexaRM(const TUsbTransportVexaRM &) = delete;
    TUsbTransportVexaRM &operator=(const TUsbTransportVexaRM &) = delete;

    // Loads the transport and resolves the 15 names. USBInitDevice may be
    // missing (HasInitDevice() tells); any other missing name fails.
    BindResult Bind();
    // Releases the transport; true when a loaded library was released.
    bool Release();
    bool Loaded() const { return FHandle != nullptr; }
    bool HasInitDevice() const { return FFn.InitDevice != nullptr; }

    // The entry points (valid after Bind() returned Bound).
    const UsbEntryPoints &Entries() const { return FFn; }

private:
    void *FHandle = nullptr; // dlopen handle of the transport library
    UsbEntryPoints FFn;
};

} // namespace vexa
