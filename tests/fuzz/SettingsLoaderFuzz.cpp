// Feeds arbitrary bytes to the settings loader as a settings file. Aborts
// when a load breaks the model's invariants or when what it saves
// afterwards does not load back whole and equal.
#include "model/SettingsVexaRM.h"
#include "model/VirtualScopeVexaRM.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

using namespace vexa;

namespace {

class CountingDialogs : public IOperatorDialogs {
public:
    int Ask(DialogStyle, const std::string &, int) override {
        ++Count;
        return kButtonOk;
    }
    int Count = 0;
};

// An in-memory file reachable by name, so the loader runs its real path.
class MemoryFile {
public:
    explicit MemoryFile(const char *tag) : Fd(::memfd_create(tag, 0)) {
        if (Fd < 0) std::abort();
        Name = "/proc/self/fd/" + std::to_string(Fd);
    }
    void Put(const void *data, size_t size) {
        if (::ftruncate(Fd, 0) != 0) std::abort();
        const auto *p = static_cast<const char *>(data);
        size_t done = 0;
        while (done < size) {
            const ssize_t n = ::pwrite(Fd, p + done, size - done, static_cast<off_t>(done));
            if (n <= 0) std::abort();
            done += static_cast<size_t>(n);
        }
    }
    int Fd;
    std::string Name;
};

void Check(bool ok) {
    if (!ok) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static MemoryFile input("settings_in");
    static MemoryFile output("settings_out");
    input.Put(data, size);

    TVirtualScopeVexaRM scope;
    scope.ApplyStoredValues();
    CountingDialogs dialogs;
    scope.SetDialogs(&dialogs);
    TSettingsVexaRM settings;
    settings.SetVirtualScope(&scope);
    settings.SetSettingsFileName(input.Name);
    const bool whole = settings.LoadFromFile();
    Check(dialogs.Count <= 1);
    Check(whole == (dialogs.Count == 0));
    Check(scope.DensityChannelA() >= 1 && scope.DensityChannelA() <= 9);
    Check(scope.DensityChannelB() >= 1 && scope.DensityChannelB() <= 9);
    Check(scope.VerticalLevelChannelA() >= 1 && scope.VerticalLevelChannelA() <= 4095);
    Check(scope.VerticalLevelChannelB() >= 1 && scope.VerticalLevelChannelB() <= 4095);
    const int32_t s = scope.SMPSetting(), d = scope.DSPSetting();
    Check(s >= 0 && s < kSmpSettingCount && d >= 0 && d < kDspSettingCount);
    Check(s >= 3 || d >= 3 || s + d >= 3);

    // What the model holds now must save and load back unchanged.
    std::string saved;
    const std::vector<std::string> lines = settings.FileLines();
    for (const std::string &l : lines)
        saved += l + "\r\n";
    output.Put(saved.data(), saved.size());
    TVirtualScopeVexaRM again;
    again.SetDialogs(&dialogs);
    TSettingsVexaRM reloader;
    reloader.SetVirtualScope(&again);
    reloader.SetSettingsFileName(output.Name);
    dialogs.Count = 0;
    Check(reloader.LoadFromFile());
    Check(dialogs.Count == 0);
    Check(reloader.FileLines() == lines);
    return 0;
}
