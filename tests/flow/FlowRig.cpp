#include "FlowRig.h"

#include "common/ScopeConstsVexaRM.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

namespace vexa::test {

void RecordingDisplay::DisplayBlock(const uint16_t *words, int n) {
    {
        std::lock_guard<std::mutex> g(Lock);
        Taken.insert(Taken.end(), words, words + n);
    }
    if (int d = DelayMs.load()) std::this_thread::sleep_for(std::chrono::milliseconds(d));
}

std::vector<uint16_t> RecordingDisplay::Words() const {
    std::lock_guard<std::mutex> g(Lock);
    return Taken;
}

size_t RecordingDisplay::WordCount() const {
    std::lock_guard<std::mutex> g(Lock);
    return Taken.size();
}

FlowRig::FlowRig(const std::string &libraryFolder) : TFlowRig(libraryFolder, "flow") {
    // The panel hears the notifications before the ring and the flow.
    Scope.RegisterListener(kGroupMainWindow, &Panel);
    Flow.SetLinkToDispInactiveCaption(&Caption);
    Flow.SetArmLED(&Arm);
    Flow.SetTriggerLED(&Trigger);
    AttachDisplays();
}

bool EndsWith(const std::vector<uint16_t> &whole, const std::vector<uint16_t> &tail) {
    return tail.size() <= whole.size() &&
           std::equal(tail.begin(), tail.end(), whole.end() - tail.size());
}

bool EndsWithStopRecord(const std::string &path) {
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in || in.tellg() < 8) return false;
    in.seekg(-8, std::ios::end);
    uint8_t b[8] = {};
    in.read(reinterpret_cast<char *>(b), 8);
    return in && b[0] == 0 && b[1] == 0 && b[2] == 4 && b[3] == 0 && b[4] == 1 && b[5] == 0 &&
           b[6] == 0 && b[7] == 0;
}

void SplitStream(const std::vector<uint16_t> &words, std::vector<StreamRecord> &records,
                 std::vector<uint16_t> &samples) {
    size_t i = 0;
    while (i < words.size()) {
        if (words[i] != 0) {
            samples.push_back(words[i++]);
            continue;
        }
        if (i + 1 >= words.size() || words[i + 1] == 0) { // introducer of length 0
            ++i;
            continue;
        }
        size_t len = words[i + 1];
        StreamRecord r{i, i + 2 < words.size() ? words[i + 2] : uint16_t(0), {}};
        for (size_t k = i + 3; k < i + len && k < words.size(); ++k)
            r.Payload.push_back(words[k]);
        records.push_back(r);
        i += len;
    }
}

} // namespace vexa::test
