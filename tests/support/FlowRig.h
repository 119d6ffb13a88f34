// The whole data flow as the program assembles it, for the flow, fault,
// endurance and tool tests: scope model, virtual driver, ring, flow manager
// and main-thread hand-over, with display stand-ins of the test's choice.
// The test thread plays the main thread.
#pragma once

#include "device/VirtualDriverVexaRM.h"
#include "flow/DataSourceModuleVexaRM.h"
#include "flow/FlowInterfacesVexaRM.h"
#include "flow/FlowManagerVexaRM.h"
#include "model/MainThreadHandoverVexaRM.h"
#include "model/VirtualScopeVexaRM.h"
#include "tests/support/TestSupport.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vexa::test {

// What every rig shares. A rig type (TFlowRig) adds its displays and hands
// them to Attach, which joins the flow to the scope model last, as the
// program does once every component is there.
class FlowRigCore {
public:
    FlowRigCore(const FlowRigCore &) = delete;
    FlowRigCore &operator=(const FlowRigCore &) = delete;

    // The program start: notifications 6 and 1 through the scope model.
    void Start();
    // What closing the program does to the flow: the measurement stopped,
    // notifications 2 and 3, the file closed. Returns the seconds it took.
    double Stop();
    // Services the main-thread hand-over until pred holds or ms pass.
    bool PumpUntil(const std::function<bool()> &pred, int ms);
    void PumpFor(int ms);
    // The operator changes settings and the binder notifies.
    void Change(const std::function<void(TVirtualScopeVexaRM &)> &edit);
    void StartMeasurement();
    void StopMeasurement();
    // Saving on into a file of the rig's folder; returns its path.
    std::string SaveTo(const std::string &name);
    std::string Path(const std::string &name) const { return Dir + "/" + name; }

    std::string Dir;
    ScriptedDialogs Dialogs;
    TVirtualScopeVexaRM Scope;
    TVirtualDriverVexaRM Driver;
    std::unique_ptr<TDataSourceModuleVexaRM> Ring;
    TMainThreadHandoverVexaRM Handover;
    TFlowManagerVexaRM Flow;
    bool Stopped = false;

protected:
    // libraryFolder: where the driver library is loaded from; a folder
    // without it runs the demo source. dirPrefix names the rig's folder.
    FlowRigCore(const std::string &libraryFolder, const char *dirPrefix);
    // Removes the rig's folder; the rig type has stopped the flow before.
    ~FlowRigCore();
    void Attach(IBlockDisplayVexaRM &roll, IBlockDisplayVexaRM &ekg);
};

template <class Display> class TFlowRig : public FlowRigCore {
public:
    explicit TFlowRig(const std::string &libraryFolder, const char *dirPrefix = "flow")
        : FlowRigCore(libraryFolder, dirPrefix) {}
    // The flow stops before the displays it draws on go.
    ~TFlowRig() {
        if (!Stopped) Stop();
    }

    Display Roll, Ekg;

protected:
    void AttachDisplays() { Attach(Roll, Ekg); }
};

// Whole file as little-endian words.
std::vector<uint16_t> ReadWords(const std::string &path);
// The file's size, -1 when it is not there.
int64_t FileBytes(const std::string &path);

} // namespace vexa::test
