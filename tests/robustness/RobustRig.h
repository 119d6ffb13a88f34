// A whole data flow on the real driver library and the simulated device, for
// the fault and endurance tests: scope model, virtual driver, ring, flow
// manager and main-thread hand-over, with a display stand-in that counts and
// fingerprints every word the processing thread hands on. The test thread
// plays the main thread.
#pragma once

#include "tests/support/CounterStream.h"
#include "tests/support/SimControl.h"
#include "flow/DataSourceModuleVexaRM.h"
#include "flow/FlowInterfacesVexaRM.h"
#include "flow/FlowManagerVexaRM.h"
#include "model/MainThreadHandoverVexaRM.h"
#include "tests/support/TestSupport.h"
#include "device/VirtualDriverVexaRM.h"
#include "model/VirtualScopeVexaRM.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vexa::test {

// Counts the words it is given and folds them into a fingerprint that the
// record file must reproduce.
class CountingDisplay : public IBlockDisplayVexaRM {
public:
    void DisplayBlock(const uint16_t *words, int n) override;
    void ResetScreen() override {}
    void ClearScreen() override {}
    void SetShown(bool) override {}
    uint64_t Words() const { return FWords.load(); }
    uint64_t Fingerprint() const { return FFingerprint.load(); }

private:
    // Written by the processing thread only, read after it stopped.
    std::atomic<uint64_t> FWords{0};
    std::atomic<uint64_t> FFingerprint{1469598103934665603ull};
};

// The fingerprint CountingDisplay computes, over a whole word sequence.
uint64_t FingerprintOf(const std::vector<uint16_t> &words);

struct RobustRig {
    RobustRig();
    ~RobustRig();

    // Notifications 6 and 1 through the scope model, as the program start.
    void Start();
    // What closing the program does to the flow: stop, notification 2 and 3,
    // file closed. Returns the seconds it took.
    double Stop();
    bool PumpUntil(const std::function<bool()> &pred, int ms);
    void PumpFor(int ms);
    void Change(const std::function<void(TVirtualScopeVexaRM &)> &edit);
    void StartMeasurement();
    void StopMeasurement();
    // Saving on into a file of the rig's folder; returns its path.
    std::string SaveTo(const std::string &name);

    std::string Dir;
    ScriptedDialogs Dialogs;
    TVirtualScopeVexaRM Scope;
    TVirtualDriverVexaRM Driver;
    std::unique_ptr<TDataSourceModuleVexaRM> Ring;
    TMainThreadHandoverVexaRM Handover;
    TFlowManagerVexaRM Flow;
    CountingDisplay Roll, Ekg;
    bool Stopped = true;
};

std::vector<uint16_t> ReadWords(const std::string &path);
int64_t FileBytes(const std::string &path);

} // namespace vexa::test
