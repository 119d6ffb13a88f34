// The flow tests' rig: the whole data flow (tests/support/FlowRig.h) with
// recording stand-ins for the displays, the "Display off" caption and the
// lamps.
#pragma once

#include "flow/FlowInterfacesVexaRM.h"
#include "model/ScopeListenerVexaRM.h"
#include "tests/support/FlowRig.h"

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

// The flow with displays that keep every word, the caption, the lamps and
// a listener that counts the notifications of the main window's group.
class FlowRig : public TFlowRig<RecordingDisplay> {
public:
    explicit FlowRig(const std::string &libraryFolder);
    // The flow stops (and notifies the panel, the caption and the lamps)
    // before these members go.
    ~FlowRig() {
        if (!Stopped) Stop();
    }

    RecordingCaption Caption;
    RecordingLamp Arm, Trigger;
    CountingListener Panel;
};

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
