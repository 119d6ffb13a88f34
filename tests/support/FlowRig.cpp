#include "FlowRig.h"

#include "common/ScopeConstsVexaRM.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

namespace vexa::test {

FlowRigCore::FlowRigCore(const std::string &libraryFolder, const char *dirPrefix)
    : Dir(MakeTempDir(dirPrefix)), Ring(std::make_unique<TDataSourceModuleVexaRM>()) {
    Scope.ApplyStoredValues();
    Scope.SetModeEKG(false); // the rolling display unless a test asks otherwise
    Scope.SetDialogs(&Dialogs);
    Driver.SetLibraryFolder(libraryFolder);
    Scope.SetVirtualDriver(&Driver);
}

FlowRigCore::~FlowRigCore() {
    std::error_code ec;
    if (!Dir.empty()) std::filesystem::remove_all(Dir, ec);
}

void FlowRigCore::Attach(IBlockDisplayVexaRM &roll, IBlockDisplayVexaRM &ekg) {
    Ring->SetVirtualScope(&Scope);
    Flow.SetDataSourceInstance(Ring.get());
    Flow.SetRollScreen(&roll);
    Flow.SetEKGScreen(&ekg);
    Flow.SetMainThreadHandover(&Handover);
    Flow.SetVirtualScope(&Scope);
}

void FlowRigCore::Start() {
    Stopped = false;
    Scope.StartApplication();
}

double FlowRigCore::Stop() {
    Stopped = true;
    const auto t0 = std::chrono::steady_clock::now();
    Scope.StopApplication();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

bool FlowRigCore::PumpUntil(const std::function<bool()> &pred, int ms) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        Handover.ServicePending();
        if (pred()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void FlowRigCore::PumpFor(int ms) {
    PumpUntil([] { return false; }, ms);
}

void FlowRigCore::Change(const std::function<void(TVirtualScopeVexaRM &)> &edit) {
    edit(Scope);
    Scope.Notify(kNotifySettingsChanged, kGroupMainWindow);
}

void FlowRigCore::StartMeasurement() {
    Change([](TVirtualScopeVexaRM &s) { s.SetMeasurementStarted(true); });
}

void FlowRigCore::StopMeasurement() {
    Change([](TVirtualScopeVexaRM &s) { s.SetMeasurementStarted(false); });
}

std::string FlowRigCore::SaveTo(const std::string &name) {
    const std::string path = Path(name);
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
