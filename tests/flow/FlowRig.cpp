#include "FlowRig.h"

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

FlowRig::FlowRig(const std::string &libraryFolder)
    : Dir(MakeTempDir("flow")), Ring(std::make_unique<TDataSourceModuleVexaRM>()) {
    Scope.ApplyStoredValues();
    Scope.SetModeEKG(false); // the rolling display unless a test asks otherwise
    Scope.SetDialogs(&Dialogs);
    Driver.SetLibraryFolder(libraryFolder);
    Scope.SetVirtualDriver(&Driver);
    Scope.RegisterListener(13, &Panel);
    Ring->SetVirtualScope(&Scope);
    Flow.SetDataSourceInstance(Ring.get());
    Flow.SetRollScreen(&Roll);
    Flow.SetEKGScreen(&Ekg);
    Flow.SetLinkToDispInactiveCaption(&Caption);
    Flow.SetArmLED(&Arm);
    Flow.SetTriggerLED(&Trigger);
    Flow.SetMainThreadHandover(&Handover);
    Flow.SetVirtualScope(&Scope);
}

FlowRig::~FlowRig() {
    if (!Stopped) Stop();
    std::error_code ec;
    if (!Dir.empty()) std::filesystem::remove_all(Dir, ec);
}

void FlowRig::Start() {
    Scope.StartApplication();
}

void FlowRig::Stop() {
    Stopped = true;
    Scope.StopApplication();
}

bool FlowRig::PumpUntil(const std::function<bool()> &pred, int ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        Handover.ServicePending();
        if (pred()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void FlowRig::PumpFor(int ms) {
    PumpUntil([] { return false; }, ms);
}

void FlowRig::Change(const std::function<void(TVirtualScopeVexaRM &)> &edit) {
    edit(Scope);
    Scope.Notify(kNotifySettingsChanged, 13);
}

void FlowRig::SaveTo(const std::string &name) {
    Scope.OpenRecordFile(Path(name));
    Scope.SetSavingActivated(true);
}

std::vector<uint16_t> ReadWords(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    std::vector<uint16_t> w(bytes.size() / 2);
    for (size_t i = 0; i < w.size(); ++i)
        w[i] = static_cast<uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return w;
}

int64_t FileBytes(const std::string &path) {
    std::error_code ec;
    auto n = std::filesystem::file_size(path, ec);
    return ec ? -1 : static_cast<int64_t>(n);
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
