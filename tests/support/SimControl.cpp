#include "SimControl.h"

#include "TestSupport.h"

#include <dlfcn.h>

namespace vexa::test {

namespace {
template <class F> bool Resolve(void *handle, F &fn, const char *name) {
    fn = reinterpret_cast<F>(dlsym(handle, name));
    return fn != nullptr;
}
} // namespace

SimControl::SimControl() {
    Handle = dlopen((BinDir() + "/libvexausb.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!Handle) return;
    bool all = true;
    all &= Resolve(Handle, Reset, "SimReset");
    all &= Resolve(Handle, SetCounterPattern, "SimSetCounterPattern");
    all &= Resolve(Handle, SetUnpaced, "SimSetUnpaced");
    all &= Resolve(Handle, LoseConnectionAfterReads, "SimLoseConnectionAfterReads");
    all &= Resolve(Handle, LoseConnectionAfterMs, "SimLoseConnectionAfterMs");
    all &= Resolve(Handle, LoseConnectionNow, "SimLoseConnectionNow");
    all &= Resolve(Handle, SetReconnectAfter, "SimSetReconnectAfter");
    all &= Resolve(Handle, SetInitFailures, "SimSetInitFailures");
    all &= Resolve(Handle, SetLoseRepeat, "SimSetLoseRepeat");
    all &= Resolve(Handle, InjectMarkers, "SimInjectMarkers");
    all &= Resolve(Handle, SetSignal, "SimSetSignal");
    all &= Resolve(Handle, SetDeviceType, "SimSetDeviceType");
    all &= Resolve(Handle, SetFpgaReject, "SimSetFpgaReject");
    all &= Resolve(Handle, SetManualClock, "SimSetManualClock");
    all &= Resolve(Handle, AdvanceClock, "SimAdvanceClock");
    all &= Resolve(Handle, LostSamples, "SimLostSamples");
    all &= Resolve(Handle, ZeroLevel, "SimZeroLevel");
    if (!all) {
        dlclose(Handle);
        Handle = nullptr;
        return;
    }
    Reset();
}

SimControl::~SimControl() {
    if (Handle) {
        Reset();
        dlclose(Handle);
    }
}

} // namespace vexa::test
