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
    Handle = dlopen(LibraryPath().c_str(), RTLD_NOW | RTLD_LOCAL);
    if (Handle == nullptr) return BindResult::LoadFailed;
    bool all = true;
    all &= Resolve(Handle, "USBSetCallBackFunction", Fn.SetCallBackFunction);
    Resolve(Handle, "USBInitDevice", Fn.InitDevice); // optional
    all &= Resolve(Handle, "USBGetDeviceID", Fn.GetDeviceID);
    all &= Resolve(Handle, "USBConfigureFPGA", Fn.ConfigureFPGA);
    all &= Resolve(Handle, "USBReadFromEEPROM", Fn.ReadFromEEPROM);
    all &= Resolve(Handle, "USBSingleWrite", Fn.SingleWrite);
    all &= Resolve(Handle, "USBRollFIFORead", Fn.RollFIFORead);
    all &= Resolve(Handle, "GetDriverVersion", Fn.GetDriverVersion);
    all &= Resolve(Handle, "USBFlushBuffer", Fn.FlushBuffer);
    all &= Resolve(Handle, "USBSingleRead", Fn.SingleRead);
    all &= Resolve(Handle, "USBSingleWriteWithoutFlush", Fn.SingleWriteWithoutFlush);
    all &= Resolve(Handle, "USBFIFORead", Fn.FIFORead);
    all &= Resolve(Handle, "USBFIFOWrite", Fn.FIFOWrite);
    all &= Resolve(Handle, "USBWriteToEEPROM", Fn.WriteToEEPROM);
    all &= Resolve(Handle, "DeviceReady", Fn.DeviceReady);
    return all ? BindResult::Bound : BindResult::EntryMissing;
}

bool TUsbTransportVexaRM::Release() {
    if (Handle == nullptr) return false;
    bool released = dlclose(Handle) == 0;
    Handle = nullptr;
    Fn = UsbEntryPoints{};
    return released;
}

} // namespace vexa
