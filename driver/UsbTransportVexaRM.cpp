#include "UsbTransportVexaRM.h"

#include <cstdlib>
#include <dlfcn.h>

namespace vexa {

namespace {

constexpr const char *kDefaultTransportName = "libvexausb.so";

// An address inside this library, so that dladdr finds its file.
void AnchorInThisLibrary() {}

template <typename F> bool Resolve(void *handle, const char *name, F &out) {
    out = reinterpret_cast<F>(dlsym(handle, name));
    return out != nullptr;
}

} // namespace

TUsbTransportVexaRM::~TUsbTransportVexaRM() {
    Release();
}

std::string TUsbTransportVexaRM::LibraryPath() {
    std::string name = kDefaultTransportName;
    const char *over = std::getenv("VEXA_USB_LIBRARY");
    if (over != nullptr && over[0] != '\0') name = over;
    if (name.find('/') != std::string::npos) return name;
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&AnchorInThisLibrary), &info) != 0 &&
        info.dli_fname != nullptr) {
        std::string self = info.dli_fname;
        auto slash = self.rfind('/');
        if (slash != std::string::npos) return self.substr(0, slash + 1) + name;
    }
    return "./" + name;
}

TUsbTransportVexaRM::BindResult TUsbTransportVexaRM::Bind() {
    Release();
    FHandle = dlopen(LibraryPath().c_str(), RTLD_NOW | RTLD_LOCAL);
    if (FHandle == nullptr) return BindResult::LoadFailed;
    bool all = true;
    all &= Resolve(FHandle, "USBSetCallBackFunction", FFn.SetCallBackFunction);
    Resolve(FHandle, "USBInitDevice", FFn.InitDevice); // optional
    all &= Resolve(FHandle, "USBGetDeviceID", FFn.GetDeviceID);
    all &= Resolve(FHandle, "USBConfigureFPGA", FFn.ConfigureFPGA);
    all &= Resolve(FHandle, "USBReadFromEEPROM", FFn.ReadFromEEPROM);
    all &= Resolve(FHandle, "USBSingleWrite", FFn.SingleWrite);
    all &= Resolve(FHandle, "USBRollFIFORead", FFn.RollFIFORead);
    all &= Resolve(FHandle, "GetDriverVersion", FFn.GetDriverVersion);
    all &= Resolve(FHandle, "USBFlushBuffer", FFn.FlushBuffer);
    all &= Resolve(FHandle, "USBSingleRead", FFn.SingleRead);
    all &= Resolve(FHandle, "USBSingleWriteWithoutFlush", FFn.SingleWriteWithoutFlush);
    all &= Resolve(FHandle, "USBFIFORead", FFn.FIFORead);
    all &= Resolve(FHandle, "USBFIFOWrite", FFn.FIFOWrite);
    all &= Resolve(FHandle, "USBWriteToEEPROM", FFn.WriteToEEPROM);
    all &= Resolve(FHandle, "DeviceReady", FFn.DeviceReady);
    return all ? BindResult::Bound : BindResult::EntryMissing;
}

bool TUsbTransportVexaRM::Release() {
    if (FHandle == nullptr) return false;
    bool released = dlclose(FHandle) == 0;
    FHandle = nullptr;
    FFn = UsbEntryPoints{};
    return released;
}

} // namespace vexa
