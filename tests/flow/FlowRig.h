// A complete data flow for tests: scope model, virtual driver, ring, flow
// manager and main-thread hand-over, with recording stand-ins for the
// displays, the "Display off" caption and the lamps. The test thread is the
// main thread.
#pragma once

#include "flow/DataSourceModuleVexaRM.h"
#include "flow/FlowInterfacesVexaRM.h"
#include "flow/FlowManagerVexaRM.h"
#include "model/MainThreadHandoverVexaRM.h"
#include "model/ScopeListenerVexaRM.h"
#include "tests/support/TestSupport.h"
#include "device/VirtualDriverVexaRM.h"
#include "model/VirtualScopeVexaRM.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vexa::test {

// Keeps every word it is given and counts the calls of the main thread.
class RecordingDisplay : public IBlockDisplayVexaRM {
public:
    void DisplayBlock(const uint16_t *words, int n) override;
    void ResetScreen() override { ++Resets; }
    void ClearScreen() override { ++Clears; }
    void SetShown(bool shown) override { Shown = shown; }
    std::vector<uint16_t> Words() const;
    size_t WordCount() const;
    // Each block waits this long before it returns (a slow display).
    std::atomic<int> DelayMs{0};
    std::atomic<int> Resets{0};
    std::atomic<int> Clears{0};
    std::atomic<bool> Shown{false};

private:
    mutable std::mutex Lock; // guards Taken
    std::vector<uint16_t> Taken;
};

class RecordingCaption : public IShowableVexaRM {
public:
    void SetShown(bool shown) override { Shown = shown; }
    std::atomic<bool> Shown{false};
};

class RecordingLamp : public ILampVexaRM {
public:
    void SetLampColor(uint32_t color) override { Color = color; }
    std::atomic<uint32_t> Color{0xFFFFFFFF};
};

// Counts the notifications a listener of the scope receives.
class CountingListener : public IScopeListenerVexaRM {
public:
    void OnScopeNotification(int32_t kind, const int32_t &) override {
        if (kind >= 0 && kind < 16) ++Count[kind];
    }
    std::atomic<int> Count[16] = {};
};

struct FlowRig {
    // libraryFolder: where the driver library is loaded from; a folder
    // without it runs the demo source.
    explicit FlowRig(const std::string &libraryFolder);
    ~FlowRig();

    // Notifications 6 and 1 through the scope model, as the program start.
    void Start();
    // Stops the measurement, notification 2, notification 3, closes the file.
    void Stop();
    // Services the main-thread hand-over until pred holds or ms pass.
    bool PumpUntil(const std::function<bool()> &pred, int ms);
    void PumpFor(int ms);
    // The operator changes settings and the binder notifies.
    void Change(const std::function<void(TVirtualScopeVexaRM &)> &edit);
    void StartMeasurement() {
        Change([](TVirtualScopeVexaRM &s) { s.SetMeasurementStarted(true); });
    }
    void StopMeasurement() {
        Change([](TVirtualScopeVexaRM &s) { s.SetMeasurementStarted(false); });
    }
    // Saving on into Dir/name (absolute path).
    void SaveTo(const std::string &name);
    std::string Path(const std::string &name) const { return Dir + "/" + name; }

    std::string Dir;
    ScriptedDialogs Dialogs;
    TVirtualScopeVexaRM Scope;
    TVirtualDriverVexaRM Driver;
    std::unique_ptr<TDataSourceModuleVexaRM> Ring;
    TMainThreadHandoverVexaRM Handover;
    TFlowManagerVexaRM Flow;
    RecordingDisplay Roll, Ekg;
    RecordingCaption Caption;
    RecordingLamp Arm, Trigger;
    CountingListener Panel;
    bool Stopped = false;
};

// Whole file as little-endian words.
std::vector<uint16_t> ReadWords(const std::string &path);
int64_t FileBytes(const std::string &path);

// True when tail is the end of whole.
bool EndsWith(const std::vector<uint16_t> &whole, const std::vector<uint16_t> &tail);
// True when the file's last words are a stop record [0, 4, 1, 0] (reads
// only those).
bool EndsWithStopRecord(const std::string &path);

// One setting record of the stream.
struct StreamRecord {
    size_t At;
    uint16_t Type;
    std::vector<uint16_t> Payload;
};
// Splits a word stream into its setting records and the rest (samples and
// markers), in order.
void SplitStream(const std::vector<uint16_t> &words, std::vector<StreamRecord> &records,
                 std::vector<uint16_t> &samples);

} // namespace vexa::test
