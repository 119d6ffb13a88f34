#include "VirtualScopeVexaRM.h"

#include "common/DisplayColorsVexaRM.h"
#include "ResourceStringsVexaRM.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace vexa {

namespace {

// The answer of a message box that nobody can see.
int DefaultAnswer(int buttons) {
    if (buttons & kButtonCancel) return kButtonCancel;
    if (buttons & kButtonNo) return kButtonNo;
    return kButtonOk;
}

uint16_t ClampDensity(int32_t v) {
    if (v > kDensityMax) return kDensityMax;
    if (v < kDensityMin) return kDensityMin;
    return static_cast<uint16_t>(v);
}

// Deletes a file if it exists; a missing file is not an error.
void RemoveIfPresent(const std::string &name) {
    if (!name.empty()) ::unlink(name.c_str());
}

// The absolute path of name with its folder resolved (links, ".", ".."),
// the last part kept as written; empty when the folder does not exist.
std::string ResolvedPath(const std::string &name) {
    const size_t slash = name.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : name.substr(0, slash));
    const std::string last = slash == std::string::npos ? name : name.substr(slash + 1);
    char *real = ::realpath(folder.c_str(), nullptr);
    if (!real) return std::string();
    std::string path(real);
    std::free(real);
    if (path.empty() || path.back() != '/') path.push_back('/');
    return path + last;
}

// True when a and b lead to one file.
bool SameFile(const std::string &a, const std::string &b) {
    struct stat sa, sb;
    const bool aExists = ::stat(a.c_str(), &sa) == 0;
    const bool bExists = ::stat(b.c_str(), &sb) == 0;
    if (aExists || bExists)
        return aExists && bExists && sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    const std::string pa = ResolvedPath(a);
    return !pa.empty() && pa == ResolvedPath(b);
}

} // namespace

TVirtualScopeVexaRM::TVirtualScopeVexaRM() = default;

TVirtualScopeVexaRM::~TVirtualScopeVexaRM() = default;

void TVirtualScopeVexaRM::ApplyStoredValues() {
    SetSavingActivated(false);
    SetFileSize(0);
    SetDensityChannelA(7);
    SetDensityChannelB(7);
    SetMaxChannelA(100);
    SetMaxChannelB(100);
    SetVerticalLevelChannelA(1474);
    SetVerticalLevelChannelB(1556);
    SetScaledLevelChannelA(35);
    SetScaledLevelChannelB(37);
    SetColorChannelA(kDefaultColorChannelA);
    SetColorChannelB(kDefaultColorChannelB);
    SetColorGrid(kDefaultColorGrid);
    SetBackgroundColor(kDefaultBackgroundColor);
    SetModeLine(true);
    SetModeBF(false);
    SetModeEKG(true);
    SetDisplayActive(true);
    SetMakeMaximum(true);
    SetMakeMinimum(true);
    SetMakeAvg(false);
    SetSingleMode(false);
    SetClearScreenRequested(false);
    SetGrid(true);
    SetGridBrightness(72);
    SetMainScreenMaximized(false);
    SetMainWindowHeight(0);
    SetMainWindowWidth(0);
    SetTriggerSourceA(false);
    SetTriggerSourceB(false);
    SetTriggerLevelA(200);
    SetTriggerLevelB(2000);
    SetTriggerUnderA(false);
    SetTriggerUnderB(false);
    SetTriggerLEDStatus(0);
    SetDataAcquisitionStatus(0);
    SetTriggerRelation(false);
    SetARMSourceA(false);
    SetARMSourceB(false);
    SetARMSourceExternal(false);
    SetARMLevelA(0);
    SetARMLevelB(0);
    SetARMUnderA(false);
    SetARMUnderB(false);
    SetARMUnderExternal(false);
    SetARMLEDStatus(0);
    SetSourceACDC_A(true);
    SetSourceACDC_B(true);
    SetSourceProbeA(1);
    SetSourceProbeB(1);
    SetGroundA(false);
    SetGroundB(false);
    SetRecordTriggered(false);
    SetRecordFree(true);
    SetMeasurementStarted(false);
    SetMeasurementLength(5000);
    SetMeasurementDefined(false);
    SetSMPSetting(10);
    SetDSPSetting(3);
    SetStatusChannelA(true);
    SetStatusChannelB(true);
    SetZeroChannelA(0);
    SetZeroChannelB(0);
    SetShowComixHelp(true);
    SetBoostThread(true);
    SetPeriodA(1000);
    SetPeriodB(2000);
    SetAmplitudeA(3000);
    SetAmplitudeB(2000);
    SetNoiseA(0);
    SetNoiseB(0);
    SetActualVoltage(0);
    SetSettingsToFile(true);
    SetCachedDataStatus(0);
    SetApplicationInitialized(false);
}

int TVirtualScopeVexaRM::AskOperator(DialogStyle style, const std::string &text, int buttons) {
    IOperatorDialogs *dialogs = FDialogs.load();
    if (!dialogs) return DefaultAnswer(buttons);
    return dialogs->Ask(style, text, buttons);
}

int TVirtualScopeVexaRM::AskOperator(const TDialogQuestion &question) {
    IOperatorDialogs *dialogs = FDialogs.load();
    if (!dialogs) return DefaultAnswer(question.Buttons);
    return dialogs->AskQuestion(question);
}

// ---- Record file -------------------------------------------------------------

void TVirtualScopeVexaRM::SetActualOutputStream(std::unique_ptr<TRecordStreamVexaRM> stream) {
    std::lock_guard<std::mutex> g(FFileSizeLock);
    FOutputStream = std::move(stream);
}

void TVirtualScopeVexaRM::SetSavingActivated(bool v) {
    FSavingActivated.store(v);
    OpenRecordFile(GetRecordFileName());
}

void TVirtualScopeVexaRM::StoreFileSizeLocked(double v) {
    FFileSize.store(v);
    if (IValueReadout *label = FFileSizeLabel.load()) label->SetValue(v);
}

void TVirtualScopeVexaRM::SetFileSize(double v) {
    std::lock_guard<std::mutex> g(FFileSizeLock);
    StoreFileSizeLocked(v);
}

std::string TVirtualScopeVexaRM::GetRecordFileName() const {
    std::lock_guard<std::mutex> g(FFileSizeLock);
    return FFileName;
}

std::string TVirtualScopeVexaRM::IndexFileName(const std::string &recordFileName) {
    if (recordFileName.size() <= 3) return "ind";
    return recordFileName.substr(0, recordFileName.size() - 3) + "ind";
}

bool TVirtualScopeVexaRM::IsOwnFile(const std::string &name) const {
    if (name.empty()) return false;
    for (const std::string &own : FOwnFiles)
        if (SameFile(name, own)) return true;
    return false;
}

void TVirtualScopeVexaRM::OpenRecordFile(const std::string &name) {
    bool failed = false;
    {
        std::lock_guard<std::mutex> g(FFileSizeLock);
        FOutputStream.reset();
        StoreFileSizeLocked(0);
        FFileName = name;
        if (!FApplicationInitialized.load() || !FSavingActivated.load()) return;
        if (IsOwnFile(name)) {
            // Samples in a settings file would be lost at the next save.
            failed = true;
        } else if (auto stream = TRecordStreamVexaRM::OpenForAppending(name)) {
            const int64_t size = stream->Size();
            StoreFileSizeLocked(size > 0 ? static_cast<double>(size) : 0.0);
            FOutputStream = std::move(stream);
            // The viewer's index no longer matches a file that grows. A
            // record file that itself ends in "ind" is never its own index.
            const std::string index = IndexFileName(name);
            if (index != name) RemoveIfPresent(index);
        } else if (auto created = TRecordStreamVexaRM::CreateNew(name)) {
            FOutputStream = std::move(created);
        } else {
            failed = true;
        }
    }
    if (failed) {
        FSavingActivated.store(false);
        AskOperator(DialogStyle::Error, TResourceStringsVexaRM::CannotCreateFile(name), kButtonOk);
    }
}

void TVirtualScopeVexaRM::ClearRecordFile() {
    std::string name;
    bool failed = false;
    {
        std::lock_guard<std::mutex> g(FFileSizeLock);
        FOutputStream.reset();
        StoreFileSizeLocked(0);
        name = FFileName;
        if (IsOwnFile(name)) {
            failed = true;
        } else if (auto stream = TRecordStreamVexaRM::CreateTruncated(name)) {
            FOutputStream = std::move(stream);
            // An index of the old contents would describe data that is gone.
            const std::string index = IndexFileName(name);
            if (index != name) RemoveIfPresent(index);
        } else {
            failed = true;
        }
    }
    if (failed) {
        FSavingActivated.store(false);
        AskOperator(DialogStyle::Error, TResourceStringsVexaRM::CannotCreateFile(name), kButtonOk);
    }
}

bool TVirtualScopeVexaRM::AppendRecordWords(const uint16_t *words, int n) {
    if (n <= 0 || words == nullptr) return true;
    std::lock_guard<std::mutex> g(FFileSizeLock);
    if (!FSavingActivated.load() || !FOutputStream) return true;
    const size_t bytes = static_cast<size_t>(n) * 2;
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    std::vector<uint8_t> le(bytes);
    for (int i = 0; i < n; ++i) {
        le[2 * i] = static_cast<uint8_t>(words[i] & 0xFF);
        le[2 * i + 1] = static_cast<uint8_t>(words[i] >> 8);
    }
    const bool ok = FOutputStream->Write(le.data(), bytes);
#else
    const bool ok = FOutputStream->Write(words, bytes);
#endif
    if (!ok) {
        FOutputStream.reset();
        return false;
    }
    StoreFileSizeLocked(FFileSize.load() + static_cast<double>(bytes));
    return true;
}

// ---- Channels ----------------------------------------------------------------

void TVirtualScopeVexaRM::SetDensity(Channel ch, int32_t v) {
    std::lock_guard<std::mutex> g(FSettingsLock);
    FDensity[ch].store(ClampDensity(v));
}

void TVirtualScopeVexaRM::SetVerticalLevel(Channel ch, int32_t v) {
    if (v < 1 || v > kPositionMax) return;
    std::lock_guard<std::mutex> g(FSettingsLock);
    FVerticalLevel[ch].store(static_cast<uint16_t>(v));
}

void TVirtualScopeVexaRM::SetSourceProbe(Channel ch, int32_t v) {
    std::lock_guard<std::mutex> g(FSettingsLock);
    FSourceProbe[ch].store(v);
}

int32_t TVirtualScopeVexaRM::ScaledLevel(Channel ch) const {
    return static_cast<int32_t>(int64_t(FVerticalLevel[ch].load()) * FMaxChannel[ch].load() / 4096);
}

void TVirtualScopeVexaRM::ApplyDerivedLevel(std::atomic<uint16_t> &level, int32_t scaled,
                                            int32_t max) {
    if (max <= 0 || scaled < 0 || scaled > max) return;
    const int64_t v = int64_t(scaled) * kPositionMax / max;
    // The position slide's pixels map onto the settings lock's levels; the
    // lock keeps a transfer from seeing half of a change.
    std::lock_guard<std::mutex> g(FSettingsLock);
    level.store(static_cast<uint16_t>(v));
}

void TVirtualScopeVexaRM::SetScaledLevel(Channel ch, int32_t v) {
    ApplyDerivedLevel(FVerticalLevel[ch], v, FMaxChannel[ch].load());
}

#define VEXA_LOCKED_SETTER(Name, Type)                                                             \
    void TVirtualScopeVexaRM::Set##Name(Type v) {                                                  \
        std::lock_guard<std::mutex> g(FSettingsLock);                                              \
        F##Name.store(v);                                                                          \
    }

VEXA_LOCKED_SETTER(SourceACDC_A, bool)
VEXA_LOCKED_SETTER(SourceACDC_B, bool)
VEXA_LOCKED_SETTER(GroundA, bool)
VEXA_LOCKED_SETTER(GroundB, bool)

// A channel switched off has no current value to show.
void TVirtualScopeVexaRM::SetStatusChannelA(bool v) {
    {
        std::lock_guard<std::mutex> g(FSettingsLock);
        FStatusChannelA.store(v);
    }
    if (IValueReadout *readout = FActualVoltageA.load(); readout && !v) readout->ClearValue();
}

void TVirtualScopeVexaRM::SetStatusChannelB(bool v) {
    {
        std::lock_guard<std::mutex> g(FSettingsLock);
        FStatusChannelB.store(v);
    }
    if (IValueReadout *readout = FActualVoltageB.load(); readout && !v) readout->ClearValue();
}

VEXA_LOCKED_SETTER(TriggerSourceA, bool)
VEXA_LOCKED_SETTER(TriggerSourceB, bool)
VEXA_LOCKED_SETTER(TriggerLevelA, double)
VEXA_LOCKED_SETTER(TriggerLevelB, double)
VEXA_LOCKED_SETTER(TriggerUnderA, bool)
VEXA_LOCKED_SETTER(TriggerUnderB, bool)
VEXA_LOCKED_SETTER(TriggerRelation, bool)
VEXA_LOCKED_SETTER(ARMSourceA, bool)
VEXA_LOCKED_SETTER(ARMSourceB, bool)
VEXA_LOCKED_SETTER(ARMSourceExternal, bool)
VEXA_LOCKED_SETTER(ARMLevelA, double)
VEXA_LOCKED_SETTER(ARMLevelB, double)
VEXA_LOCKED_SETTER(ARMUnderA, bool)
VEXA_LOCKED_SETTER(ARMUnderB, bool)
VEXA_LOCKED_SETTER(ARMUnderExternal, bool)
VEXA_LOCKED_SETTER(RecordFree, bool)
VEXA_LOCKED_SETTER(MeasurementLength, uint32_t)
VEXA_LOCKED_SETTER(MeasurementDefined, bool)
VEXA_LOCKED_SETTER(SettingsToFile, bool)
VEXA_LOCKED_SETTER(PeriodA, int32_t)
VEXA_LOCKED_SETTER(PeriodB, int32_t)
VEXA_LOCKED_SETTER(AmplitudeA, int32_t)
VEXA_LOCKED_SETTER(AmplitudeB, int32_t)
VEXA_LOCKED_SETTER(NoiseA, int32_t)
VEXA_LOCKED_SETTER(NoiseB, int32_t)

#undef VEXA_LOCKED_SETTER

int32_t TVirtualScopeVexaRM::DeflectionFactor(int32_t channel) const {
    const Channel ch = channel == kChannelB ? kB : kA;
    return DeflectionFor(FSourceProbe[ch].load(), FDensity[ch].load());
}

std::string TVirtualScopeVexaRM::ProbeText(int32_t channel) const {
    const int32_t probe = SourceProbe(channel == kChannelB ? kB : kA);
    switch (probe) {
    case 1:
        return "    1:1";
    case 2:
        return "  1:10";
    case 3:
        return "1:100";
    case 4:
        return "1:1000";
    default:
        return "";
    }
}

// ---- Colours and display -------------------------------------------------------

void TVirtualScopeVexaRM::UpdateRealGridColor() {
    const ColorVexa grid = FColorGrid.load();
    const int32_t brightness = FGridBrightness.load();
    ColorVexa real = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int32_t byte = static_cast<int32_t>((grid >> shift) & 0xFF);
        // A brightness outside 0..100 (a hand-edited settings file) must
        // not spill one byte into the next.
        double dimmed = std::nearbyint(byte * static_cast<double>(brightness) / 100.0);
        if (dimmed < 0) dimmed = 0;
        if (dimmed > 255) dimmed = 255;
        real |= static_cast<ColorVexa>(dimmed) << shift;
    }
    FRealGridColor.store(real);
}

void TVirtualScopeVexaRM::SetColorGrid(ColorVexa v) {
    FColorGrid.store(v);
    UpdateRealGridColor();
}

void TVirtualScopeVexaRM::SetGridBrightness(int32_t v) {
    FGridBrightness.store(v);
    UpdateRealGridColor();
}

void TVirtualScopeVexaRM::SetDisplayActive(bool v) {
    FDisplayActive.store(v);
    if (!v) FClearScreenRequested.store(true);
}

// ---- Trigger and arm ---------------------------------------------------------

bool TVirtualScopeVexaRM::ArmTriggerConflict() const {
    auto conflict = [](bool trigSource, bool armSource, bool trigUnder, bool armUnder,
                       double trigLevel, double armLevel) {
        if (!trigSource || !armSource) return false;
        return (trigUnder && !armUnder && armLevel > trigLevel) ||
               (!trigUnder && armUnder && armLevel < trigLevel);
    };
    return conflict(TriggerSourceA(), ARMSourceA(), TriggerUnderA(), ARMUnderA(), TriggerLevelA(),
                    ARMLevelA()) ||
           conflict(TriggerSourceB(), ARMSourceB(), TriggerUnderB(), ARMUnderB(), TriggerLevelB(),
                    ARMLevelB());
}

// ---- Status and measurement ----------------------------------------------------

void TVirtualScopeVexaRM::SetDataAcquisitionStatus(uint8_t v) {
    if (v == 0) {
        SetMeasurementStarted(false);
    } else if (!FMeasurementStarted.load()) {
        return;
    }
    FDataAcquisitionStatus.store(v);
    FTriggerLEDStatus.store(TriggerStatusOf(v));
    FARMLEDStatus.store(ArmStatusOf(v));
}

void TVirtualScopeVexaRM::SetMeasurementStarted(bool v) {
    {
        std::lock_guard<std::mutex> g(FSettingsLock);
        FMeasurementStarted.store(v);
        if (v) {
            FCachedDataStatus.store(kStatusWaitingBoth);
        } else {
            FDataAcquisitionStatus.store(0);
            FTriggerLEDStatus.store(0);
            FARMLEDStatus.store(0);
        }
    }
    // A new measurement shows no value of the last one while it waits for
    // its first sample (a triggered one may wait long).
    if (v)
        for (IValueReadout *readout : {FActualVoltageA.load(), FActualVoltageB.load()})
            if (readout) readout->ClearValue();
}

// ---- Rates ---------------------------------------------------------------------

// Both indices select a table entry; a value outside its table (a broken
// settings file) is brought to the nearest end instead of being stored.
static int32_t ClampIndex(int32_t v, int32_t count) {
    return v < 0 ? 0 : (v >= count ? count - 1 : v);
}

void TVirtualScopeVexaRM::SetSMPSetting(int32_t v) {
    v = ClampIndex(v, kSmpSettingCount);
    std::lock_guard<std::mutex> g(FSettingsLock);
    FSMPSetting.store(v);
    const int32_t d = FDSPSetting.load();
    if (v == 0 && d < 3)
        FDSPSetting.store(3);
    else if (v == 1 && d < 2)
        FDSPSetting.store(2);
    else if (v == 2 && d < 1)
        FDSPSetting.store(1);
}

void TVirtualScopeVexaRM::SetDSPSetting(int32_t v) {
    v = ClampIndex(v, kDspSettingCount);
    std::lock_guard<std::mutex> g(FSettingsLock);
    FDSPSetting.store(v);
    const int32_t s = FSMPSetting.load();
    if (v == 0 && s < 3)
        FSMPSetting.store(3);
    else if (v == 1 && s < 2)
        FSMPSetting.store(2);
    else if (v == 2 && s < 1)
        FSMPSetting.store(1);
}

// ---- Latest sample -------------------------------------------------------------

void TVirtualScopeVexaRM::SetActualVoltage(uint16_t w) {
    IValueReadout *a = FActualVoltageA.load();
    IValueReadout *b = FActualVoltageB.load();
    if ((w >> 8) == 0) {
        if (a) a->Repaint();
        if (b) b->Repaint();
        return;
    }
    FActualVoltage.store(w);
    const int codeB = w >> 8, codeA = w & 0xFF;
    const double vb = std::nearbyint((codeB - FZeroChannelB.load()) *
                                     double(DeflectionFactor(kChannelB)) / kCodesPerDivision);
    const double va = std::nearbyint((codeA - FZeroChannelA.load()) *
                                     double(DeflectionFactor(kChannelA)) / kCodesPerDivision);
    // The lowest and highest sample codes are where the converter clips;
    // an off channel's byte means nothing.
    auto show = [](IValueReadout *readout, bool on, int code, double value) {
        if (!readout) return;
        if (!on)
            readout->ClearValue();
        else
            readout->SetSample(value, code <= kSampleCodeMin   ? SampleRange::AtBottom
                                      : code >= kSampleCodeMax ? SampleRange::AtTop
                                                               : SampleRange::Within);
    };
    show(b, FStatusChannelB.load(), codeB, vb);
    show(a, FStatusChannelA.load(), codeA, va);
}

// ---- Device --------------------------------------------------------------------

void TVirtualScopeVexaRM::SetVirtualDriver(TVirtualDriverVexaRM *driver) {
    if (driver) FVirtualDriver.store(driver);
}

int32_t TVirtualScopeVexaRM::DeviceType() const {
    const uint8_t *p = FDeviceDescription + kDeviceDescriptionTypeOffset;
    const uint32_t v =
        uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    return static_cast<int32_t>(v);
}

// ---- Notifications -------------------------------------------------------------

void TVirtualScopeVexaRM::RegisterListener(int32_t group, IScopeListenerVexaRM *listener) {
    if (listener) FListeners.push_back(TListenerEntry{listener, group});
}

void TVirtualScopeVexaRM::UnregisterListener(IScopeListenerVexaRM *listener) {
    for (auto it = FListeners.begin(); it != FListeners.end(); ++it) {
        if (it->Listener == listener) {
            FListeners.erase(it);
            return;
        }
    }
}

void TVirtualScopeVexaRM::Notify(int32_t kind, int32_t senderGroup) {
    if (!FNotifyEnabled) {
        FNotifyEnabled = true;
        return;
    }
    FNotifyEnabled = false;
    const int32_t sender = senderGroup; // lives for the whole pass
    if (kind == kNotifyDetach) {
        while (!FListeners.empty()) {
            const size_t before = FListeners.size();
            IScopeListenerVexaRM *last = FListeners.back().Listener;
            last->OnScopeNotification(kind, sender);
            if (FListeners.size() < before) continue;
            // The listener did not detach: drop its entry, so that shutdown
            // always ends.
            bool removed = false;
            for (size_t i = FListeners.size(); i-- > 0;) {
                if (FListeners[i].Listener == last) {
                    FListeners.erase(FListeners.begin() + static_cast<std::ptrdiff_t>(i));
                    removed = true;
                    break;
                }
            }
            if (!removed) FListeners.pop_back();
        }
    } else {
        const size_t n = FListeners.size();
        // The bound check keeps a pass safe even if a listener (wrongly)
        // unregisters during it.
        for (size_t i = 0; i < n && i < FListeners.size(); ++i)
            FListeners[i].Listener->OnScopeNotification(kind, sender);
    }
    FNotifyEnabled = true;
}

void TVirtualScopeVexaRM::StartApplication() {
    FNotifyEnabled = true;
    Notify(kNotifyPreInitialize, kGroupSystem);
    Notify(kNotifyInitialized, kGroupSystem);
    FApplicationInitialized.store(true);
}

void TVirtualScopeVexaRM::StopApplication() {
    SetMeasurementStarted(false);
    Notify(kNotifySettingsChanged, kGroupSystem);
    Notify(kNotifyDetach, kGroupSystem);
    std::lock_guard<std::mutex> g(FFileSizeLock);
    FOutputStream.reset();
}

} // namespace vexa
