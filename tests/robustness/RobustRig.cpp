#include "RobustRig.h"

#include "common/ScopeConstsVexaRM.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

namespace vexa::test {

namespace {

constexpr uint64_t kFnvPrime = 1099511628211ull;

} // namespace

void CountingDisplay::DisplayBlock(const uint16_t *words, int n) {
    uint64_t h = FFingerprint.load(std::memory_order_relaxed);
    for (int i = 0; i < n; ++i)
        h = (h ^ words[i]) * kFnvPrime;
    FFingerprint.store(h, std::memory_order_relaxed);
    FWords.fetch_add(static_cast<uint64_t>(n), std::memory_order_relaxed);
}

uint64_t FingerprintOf(const std::vector<uint16_t> &words) {
    uint64_t h = 1469598103934665603ull;
    for (uint16_t w : words)
        h = (h ^ w) * kFnvPrime;
    return h;
}

RobustRig::RobustRig()
    : Dir(MakeTempDir("robust")), Ring(std::make_unique<TDataSourceModuleVexaRM>()) {
    Scope.ApplyStoredValues();
    Scope.SetModeEKG(false);
    Scope.SetDisplayActive(true);
    Scope.SetDialogs(&Dialogs);
    Driver.SetDialogs(&Dialogs);
    Driver.SetLibraryFolder(BinDir());
    Scope.SetVirtualDriver(&Driver);
    Ring->SetVirtualScope(&Scope);
    Flow.SetDataSourceInstance(Ring.get());
    Flow.SetRollScreen(&Roll);
    Flow.SetEKGScreen(&Ekg);
    Flow.SetMainThreadHandover(&Handover);
    Flow.SetVirtualScope(&Scope);
}

RobustRig::~RobustRig() {
    if (!Stopped) Stop();
    std::error_code ec;
    std::filesystem::remove_all(Dir, ec);
}

void RobustRig::Start() {
    Stopped = false;
    Scope.StartApplication();
}

double RobustRig::Stop() {
    Stopped = true;
    const auto t0 = std::chrono::steady_clock::now();
    Scope.StopApplication();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

bool RobustRig::PumpUntil(const std::function<bool()> &pred, int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        Handover.ServicePending();
        if (pred()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void RobustRig::PumpFor(int ms) {
    PumpUntil([] { return false; }, ms);
}

void RobustRig::Change(const std::function<void(TVirtualScopeVexaRM &)> &edit) {
    edit(Scope);
    Scope.Notify(kNotifySettingsChanged, kGroupMainWindow);
}

void RobustRig::StartMeasurement() {
    Change([](TVirtualScopeVexaRM &s) { s.SetMeasurementStarted(true); });
}

void RobustRig::StopMeasurement() {
    Change([](TVirtualScopeVexaRM &s) { s.SetMeasurementStarted(false); });
}

std::string RobustRig::SaveTo(const std::string &name) {
    const std::string path = Dir + "/" + name;
    Scope.OpenRecordFile(path);
    Scope.SetSavingActivated(true);
    return path;
}

std::vector<uint16_t> ReadWords(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    std::vector<uint16_t> words(bytes.size() / 2);
    for (size_t i = 0; i < words.size(); ++i)
        words[i] = static_cast<uint16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return words;
}

int64_t FileBytes(const std::string &path) {
    std::error_code ec;
    const auto n = std::filesystem::file_size(path, ec);
    return ec ? -1 : static_cast<int64_t>(n);
}

} // namespace vexa::test
