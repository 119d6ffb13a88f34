#include "SimControl.h"

#include "TestSupport.h"

#include <dlfcn.h>

namespace vexa::test {

namespace {
template <class F> void Resolve(void *handle, F &fn, const char *name) {
    fn = reinterpret_cast<F>(dlsym(handle, name));
}
} // namespace

SimControl::SimControl() {
    Handle = dlopen((BinDir() + "/libvexausb.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!Handle) return;
    Resolve(Handle, Reset, "SimReset");
    Resolve(Handle, SetCounterPattern, "SimSetCounterPattern");
    Resolve(Handle, SetUnpaced, "SimSetUnpaced");
    Resolve(Handle, LoseConnectionAfterReads, "SimLoseConnectionAfterReads");
    Resolve(Handle, LoseConnectionNow, "SimLoseConnectionNow");
    Resolve(Handle, SetReconnectAfter, "SimSetReconnectAfter");
    Resolve(Handle, SetInitFailures, "SimSetInitFailures");
    Resolve(Handle, InjectMarkers, "SimInjectMarkers");
    Resolve(Handle, SetSignal, "SimSetSignal");
    Resolve(Handle, LostSamples, "SimLostSamples");
    if (!Reset || !SetCounterPattern || !SetUnpaced || !LoseConnectionAfterReads ||
        !LoseConnectionNow || !SetReconnectAfter || !SetInitFailures || !InjectMarkers ||
        !SetSignal || !LostSamples) {
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
