#include "SettingsVexaRM.h"

#include "common/DisplayColorsVexaRM.h"
#include "ResourceStringsVexaRM.h"
#include "VirtualScopeVexaRM.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexa {

namespace {

using Scope = TVirtualScopeVexaRM;

enum class Form { Integer, Boolean, Real };

// One line of the settings file: its key, its value form and how the value
// is read from and written to the model. Writes go through the model's
// setter where it has one, so clamping, range checks, coupling and locks
// apply; the others are stored directly.
struct TEntry {
    const char *Key;
    Form Kind;
    int32_t (*GetInt)(const Scope &);
    void (*SetInt)(Scope &, int32_t);
    bool (*GetBool)(const Scope &);
    void (*SetBool)(Scope &, bool);
    double (*GetReal)(const Scope &);
    void (*SetReal)(Scope &, double);
};

#define VEXA_INT(Key, Get, Set)                                                                    \
    TEntry {                                                                                       \
        Key, Form::Integer, [](const Scope &s) -> int32_t { return Get; },                         \
            [](Scope &s, int32_t v) { Set; }, nullptr, nullptr, nullptr, nullptr                   \
    }
#define VEXA_BOOL(Key, Prop)                                                                       \
    TEntry {                                                                                       \
#Key, Form::Boolean, nullptr, nullptr,                                                     \
            [](const Scope &s) { return s.Prop(); }, [](Scope & s,                                 \
                                                        bool v) { s.Set##Prop(v); }, nullptr,      \
                                                                                  nullptr          \
    }
#define VEXA_REAL(Key, Prop)                                                                       \
    TEntry {                                                                                       \
#Key, Form::Real, nullptr, nullptr, nullptr, nullptr,                                      \
            [](const Scope &s) { return s.Prop(); }, [](Scope & s, double v) { s.Set##Prop(v); }   \
    }
// Integers of 32-bit signed properties.
#define VEXA_I32(Prop) VEXA_INT(#Prop, s.Prop(), s.Set##Prop(v))
// Colours are written as signed 32-bit numbers, so any stored value reads back.
#define VEXA_COLOR(Prop)                                                                           \
    VEXA_INT(#Prop, static_cast<int32_t>(s.Prop()), s.Set##Prop(static_cast<ColorVexa>(v)))
// 16-bit properties keep the low 16 bits of the value.
#define VEXA_U16(Prop) VEXA_INT(#Prop, s.Prop(), s.Set##Prop(static_cast<uint16_t>(v)))

const TEntry kEntries[] = {
    VEXA_I32(MainWindowHeight),
    VEXA_I32(MainWindowWidth),
    VEXA_BOOL(StatusChannelA, StatusChannelA),
    VEXA_BOOL(StatusChannelB, StatusChannelB),
    VEXA_COLOR(ColorChannelA),
    VEXA_COLOR(ColorChannelB),
    VEXA_COLOR(ColorGrid),
    VEXA_COLOR(BackgroundColor),
    VEXA_BOOL(MakeMaximum, MakeMaximum),
    VEXA_BOOL(MakeMinimum, MakeMinimum),
    VEXA_BOOL(MakeAvg, MakeAvg),
    VEXA_BOOL(SingleMode, SingleMode),
    VEXA_U16(DensityChannelA),
    VEXA_U16(DensityChannelB),
    VEXA_I32(MaxChannelA),
    VEXA_I32(MaxChannelB),
    VEXA_U16(VerticalLevelChannelA),
    VEXA_U16(VerticalLevelChannelB),
    VEXA_BOOL(SourceACDC_A, SourceACDC_A),
    VEXA_BOOL(SourceACDC_B, SourceACDC_B),
    VEXA_I32(SourceProbeA),
    VEXA_I32(SourceProbeB),
    VEXA_BOOL(ModeLine, ModeLine),
    VEXA_BOOL(ModeBF, ModeBF),
    VEXA_BOOL(ModeEKG, ModeEKG),
    VEXA_BOOL(DisplayActive, DisplayActive),
    VEXA_I32(GridBrightness),
    VEXA_BOOL(Grid, Grid),
    VEXA_BOOL(MainScreenMaximized, MainScreenMaximized),
    VEXA_I32(MainWindowWidth),
    VEXA_I32(MainWindowHeight),
    VEXA_BOOL(ShowComixHelp, ShowComixHelp),
    VEXA_BOOL(TriggerSourceA, TriggerSourceA),
    VEXA_BOOL(TriggerSourceB, TriggerSourceB),
    VEXA_REAL(TriggerLevelA, TriggerLevelA),
    VEXA_REAL(TriggerLevelB, TriggerLevelB),
    VEXA_BOOL(TriggerUnderA, TriggerUnderA),
    VEXA_BOOL(TriggerUnderB, TriggerUnderB),
    VEXA_BOOL(TriggerRelation, TriggerRelation),
    VEXA_I32(SMPSetting),
    VEXA_I32(DSPSetting),
    VEXA_BOOL(BoostThread, BoostThread),
    VEXA_INT("MeasurementLength", static_cast<int32_t>(s.MeasurementLength()),
             s.SetMeasurementLength(static_cast<uint32_t>(v))),
    VEXA_BOOL(RecordTriggered, RecordTriggered),
    VEXA_BOOL(RecordFree, RecordFree),
    VEXA_BOOL(MeasurementDefined, MeasurementDefined),
    VEXA_BOOL(ARMSourceA, ARMSourceA),
    VEXA_BOOL(ARMSourceB, ARMSourceB),
    VEXA_BOOL(ARMSourceExternal, ARMSourceExternal),
    VEXA_BOOL(ARMUnderA, ARMUnderA),
    VEXA_BOOL(ARMUnderB, ARMUnderB),
    VEXA_BOOL(ARMUnderExternal, ARMUnderExternal),
    VEXA_REAL(ARMLevelA, ARMLevelA),
    VEXA_REAL(ARMLevelB, ARMLevelB),
    VEXA_I32(PeriodA),
    VEXA_I32(PeriodB),
    VEXA_I32(AmplitudeA),
    VEXA_I32(AmplitudeB),
    VEXA_I32(NoiseA),
    VEXA_I32(NoiseB),
};

#undef VEXA_INT
#undef VEXA_BOOL
#undef VEXA_REAL
#undef VEXA_I32
#undef VEXA_COLOR
#undef VEXA_U16

constexpr size_t kEntryCount = sizeof(kEntries) / sizeof(kEntries[0]);
static_assert(kEntryCount == 60, "a settings file holds 60 entries");

const TEntry *FindEntry(const std::string &key) {
    for (const TEntry &e : kEntries)
        if (key == e.Key) return &e;
    return nullptr;
}

// Lines longer than this are cut when read; the rest of such a line is
// still consumed, and its value is then no valid number.
constexpr size_t kMaxLineLength = 64 * 1024;
// The loader reads whole chunks of TSettingsVexaRM::kReadChunk bytes, many
// at a time; where a line ends does not depend on the chunk size.
constexpr size_t kReadBufferSize = 2048 * TSettingsVexaRM::kReadChunk;

size_t SkipBlanks(const std::string &text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    return i;
}

bool WriteAll(int fd, const char *p, size_t n) {
    while (n > 0) {
        const ssize_t w = ::write(fd, p, n);
        if (w < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (w == 0) return false;
        p += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

// Creates name afresh for writing. An existing entry of that name (the
// leftover of an interrupted save, or a link planted in its place) is
// removed first, never followed; whatever appears there again in between
// makes the creation fail. -1 on failure.
int CreateExclusive(const std::string &name) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        int fd;
        do {
            fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd >= 0 || errno != EEXIST) return fd;
        if (::unlink(name.c_str()) != 0) return -1;
    }
    return -1;
}

} // namespace

TSettingsVexaRM::~TSettingsVexaRM() {
    Detach();
    if (FStreamFd >= 0) ::close(FStreamFd);
}

void TSettingsVexaRM::SetVirtualScope(TVirtualScopeVexaRM *scope) {
    FVirtualScope = scope;
    if (scope) scope->RegisterListener(FControlGroup, this);
}

void TSettingsVexaRM::Detach() {
    if (FVirtualScope) FVirtualScope->UnregisterListener(this);
    FVirtualScope = nullptr;
}

void TSettingsVexaRM::Message(const std::string &text) {
    if (FVirtualScope) FVirtualScope->AskOperator(DialogStyle::Error, text, kButtonOk);
}

void TSettingsVexaRM::OnScopeNotification(int32_t kind, const int32_t &senderGroup) {
    (void)senderGroup;
    switch (kind) {
    case kNotifyPreInitialize:
        FSettingsFileName = WorkingFileName;
        LoadFromFile();
        break;
    case kNotifySaveSettings:
        FSettingsFileName = SnapshotFileName;
        SaveToFile();
        break;
    case kNotifyLoadSettings:
        FSettingsFileName = SnapshotFileName;
        LoadFromFile();
        break;
    case kNotifyRestoreDefaults:
        LoadDefaults();
        FSettingsFileName = WorkingFileName;
        SaveToFile();
        break;
    case kNotifyDetach:
        FSettingsFileName = WorkingFileName;
        SaveToFile();
        Detach();
        break;
    default:
        break;
    }
}

std::vector<std::string> TSettingsVexaRM::OwnFileNames() {
    std::vector<std::string> names;
    for (const char *name : {WorkingFileName, SnapshotFileName}) {
        names.emplace_back(name);
        names.push_back(std::string(name) + TemporarySuffix);
    }
    return names;
}

// ---- Writing -------------------------------------------------------------------

std::string TSettingsVexaRM::FormatReal(double v) {
    // A value that is no number is written as 0, so the file always reads
    // back whole.
    if (!std::isfinite(v) || v == 0) return "0";
    // Locale-independent: [-]d.ddde[+-]x with the fewest digits that read
    // back to exactly v (up to 17), so every value survives a save and load.
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
    std::string text(buf, r.ptr);
    const bool negative = text[0] == '-';
    if (negative) text.erase(0, 1);
    const size_t ePos = text.find('e');
    std::string digits = text.substr(0, ePos); // d or d.ddd
    if (digits.size() > 1) digits.erase(1, 1);
    const int exponent = std::atoi(text.c_str() + ePos + 1);
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();

    std::string out = negative ? "-" : "";
    if (exponent >= -5 && exponent < 15) {
        if (exponent >= 0) {
            const size_t intDigits = static_cast<size_t>(exponent) + 1;
            if (digits.size() <= intDigits) {
                out += digits + std::string(intDigits - digits.size(), '0');
            } else {
                out += digits.substr(0, intDigits) + "." + digits.substr(intDigits);
            }
        } else {
            out += "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
        }
    } else {
        out += digits.substr(0, 1);
        if (digits.size() > 1) out += "." + digits.substr(1);
        out += "E" + std::to_string(exponent);
    }
    return out;
}

std::vector<std::string> TSettingsVexaRM::FileLines() const {
    std::vector<std::string> lines;
    lines.reserve(kEntryCount + 2);
    lines.emplace_back(HeaderLine1);
    lines.emplace_back(HeaderLine2);
    if (!FVirtualScope) return lines;
    const Scope &s = *FVirtualScope;
    for (const TEntry &e : kEntries) {
        std::string value;
        switch (e.Kind) {
        case Form::Integer:
            value = std::to_string(e.GetInt(s));
            break;
        case Form::Boolean:
            value = e.GetBool(s) ? "true" : "false";
            break;
        case Form::Real:
            value = FormatReal(e.GetReal(s));
            break;
        }
        lines.push_back(std::string(e.Key) + ": " + value);
    }
    return lines;
}

bool TSettingsVexaRM::WriteLine(const std::string &text) {
    const std::string line = text + "\r\n";
    if (FStreamFd < 0 || !WriteAll(FStreamFd, line.data(), line.size())) {
        FWriteFailed = true;
        return false;
    }
    return true;
}

bool TSettingsVexaRM::SaveToFile() {
    if (!FVirtualScope) return false;
    const std::string name = FSettingsFileName;
    const std::string temp = name + TemporarySuffix;
    FStreamFd = CreateExclusive(temp);
    if (FStreamFd < 0) {
        Message(TResourceStringsVexaRM::CannotCreateFile(name));
        return false;
    }
    FWriteFailed = false;
    for (const std::string &line : FileLines()) {
        // After the first failure (typically a full disk) the rest would
        // fail the same way; one message is enough.
        if (!WriteLine(line)) break;
    }
    if (!FWriteFailed && ::fsync(FStreamFd) != 0) FWriteFailed = true;
    if (::close(FStreamFd) != 0) FWriteFailed = true;
    FStreamFd = -1;
    if (!FWriteFailed && ::rename(temp.c_str(), name.c_str()) != 0) FWriteFailed = true;
    if (FWriteFailed) {
        // The previous file stays as it was.
        ::unlink(temp.c_str());
        Message(TResourceStringsVexaRM::WriteToFileFailed);
        return false;
    }
    return true;
}

// ---- Reading -------------------------------------------------------------------

std::string TSettingsVexaRM::ReadLine() {
    std::string line;
    bool cut = false;
    for (;;) {
        if (FPosition < FBufferStart || FPosition >= FBufferStart + int64_t(FBufferLength)) {
            // Refill from the read position, a whole number of chunks at once.
            if (FReadBuffer.size() < kReadBufferSize) FReadBuffer.resize(kReadBufferSize);
            ssize_t n;
            do {
                n = ::pread(FStreamFd, FReadBuffer.data(), FReadBuffer.size(), FPosition);
            } while (n < 0 && errno == EINTR);
            if (n < 0) {
                FReadFailed = true;
                Message(TResourceStringsVexaRM::ErrorReadingFile);
                return line;
            }
            FBufferStart = FPosition;
            FBufferLength = static_cast<size_t>(n);
            if (n == 0) {
                FAtEnd = true;
                return line;
            }
        }
        const char c = FReadBuffer[static_cast<size_t>(FPosition - FBufferStart)];
        ++FPosition;
        if (c == '\r' || c == '\n') {
            // A CR or LF ends the line only after some other character; one
            // at the start (the LF of a CR LF pair) is skipped.
            if (!line.empty() || cut) return line;
            continue;
        }
        if (line.size() < kMaxLineLength)
            line.push_back(c);
        else
            cut = true;
    }
}

bool TSettingsVexaRM::ParseInteger(const std::string &text, int32_t &out) {
    // [blanks][sign]digits, decimal, within 32 bits.
    size_t i = SkipBlanks(text);
    std::string norm;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') norm.push_back('-');
        ++i;
    }
    if (i == text.size()) return false;
    for (; i < text.size(); ++i) {
        if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
        norm.push_back(text[i]);
    }
    int32_t v = 0;
    const auto r = std::from_chars(norm.data(), norm.data() + norm.size(), v, 10);
    if (r.ec != std::errc() || r.ptr != norm.data() + norm.size()) return false;
    out = v;
    return true;
}

bool TSettingsVexaRM::ParseReal(const std::string &text, double &out) {
    // [blanks][sign]digits[(.|,)digits][(E|e)[sign]digits], at least one
    // digit in the mantissa; "." and "," both separate the decimals.
    size_t i = SkipBlanks(text);
    std::string norm;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') norm.push_back('-');
        ++i;
    }
    size_t mantissaDigits = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        norm.push_back(text[i++]);
        ++mantissaDigits;
    }
    if (i < text.size() && (text[i] == '.' || text[i] == ',')) {
        norm.push_back('.');
        ++i;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            norm.push_back(text[i++]);
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0) return false;
    if (i < text.size() && (text[i] == 'E' || text[i] == 'e')) {
        norm.push_back('e');
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
            if (text[i] == '-') norm.push_back('-');
            ++i;
        }
        size_t expDigits = 0;
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
            norm.push_back(text[i++]);
            ++expDigits;
        }
        if (expDigits == 0) return false;
    }
    if (i != text.size()) return false;
    double v = 0;
    const auto r = std::from_chars(norm.data(), norm.data() + norm.size(), v);
    if (r.ec != std::errc() || r.ptr != norm.data() + norm.size() || !std::isfinite(v))
        return false;
    out = v;
    return true;
}

TSettingsVexaRM::LineResult TSettingsVexaRM::ApplyLine(const std::string &line) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos) return LineResult::Ignored;
    const TEntry *e = FindEntry(line.substr(0, colon));
    if (!e) return LineResult::Ignored;
    // The character after the colon (a blank in written files) is skipped.
    const std::string value = colon + 2 <= line.size() ? line.substr(colon + 2) : std::string();
    Scope &s = *FVirtualScope;
    switch (e->Kind) {
    case Form::Boolean:
        e->SetBool(s, value == "true");
        break;
    case Form::Integer: {
        int32_t v = 0;
        if (!ParseInteger(value, v)) {
            Message(TResourceStringsVexaRM::NotValidInteger(value));
            return LineResult::Invalid;
        }
        e->SetInt(s, v);
        break;
    }
    case Form::Real: {
        double v = 0;
        if (!ParseReal(value, v)) {
            Message(TResourceStringsVexaRM::NotValidFloat(value));
            return LineResult::Invalid;
        }
        e->SetReal(s, v);
        break;
    }
    }
    return LineResult::Applied;
}

bool TSettingsVexaRM::LoadFromFile() {
    if (!FVirtualScope) return false;
    const std::string name = FSettingsFileName;
    // Only a regular file is read: a named pipe or a device could block the
    // open or the reads for ever, and a folder holds no lines. The type is
    // checked before the open, so that nothing else is even opened, and on
    // what was opened (without blocking), in case the name changed between.
    struct stat st;
    if (::stat(name.c_str(), &st) != 0) {
        Message(TResourceStringsVexaRM::FileMissing(name));
        return false;
    }
    if (S_ISREG(st.st_mode)) {
        do {
            FStreamFd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        } while (FStreamFd < 0 && errno == EINTR);
        if (FStreamFd < 0) {
            Message(TResourceStringsVexaRM::FileMissing(name));
            return false;
        }
        if (::fstat(FStreamFd, &st) != 0) st.st_mode = 0;
    }
    if (!S_ISREG(st.st_mode)) {
        if (FStreamFd >= 0) ::close(FStreamFd);
        FStreamFd = -1;
        Message(TResourceStringsVexaRM::ErrorReadingFile);
        return false;
    }
    FStreamSize = static_cast<int64_t>(st.st_size);
    FPosition = 0;
    FBufferStart = 0;
    FBufferLength = 0;
    FAtEnd = false;
    FReadFailed = false;
    bool complete = true;
    bool anyLine = false;
    while (FPosition < FStreamSize - 1) {
        const std::string line = ReadLine();
        // A line cut short by a read error is not applied: its value could
        // be a wrong prefix of the real one. Loading ends there.
        if (FReadFailed) {
            complete = false;
            break;
        }
        if (ApplyLine(line) == LineResult::Invalid) {
            complete = false;
            break;
        }
        anyLine = true;
        // A file that shrank while being read ends the load at its end.
        if (FAtEnd) break;
    }
    ::close(FStreamFd);
    FStreamFd = -1;
    // Every line read sets the record-file name; the last call decides, so
    // one call after the lines has the same effect as one per line.
    if (anyLine) FVirtualScope->OpenRecordFile(RecordFileAfterLoad);
    return complete;
}

// ---- Defaults ------------------------------------------------------------------

void TSettingsVexaRM::LoadDefaults() {
    if (!FVirtualScope) return;
    Scope &s = *FVirtualScope;
    s.SetStatusChannelA(true);
    s.SetStatusChannelB(true);
    s.SetColorChannelA(kDefaultColorChannelA);
    s.SetColorChannelB(kDefaultColorChannelB);
    s.SetColorGrid(kDefaultColorGrid);
    s.SetBackgroundColor(kDefaultBackgroundColor);
    s.SetMakeMaximum(true);
    s.SetMakeMinimum(true);
    s.SetMakeAvg(false);
    s.SetSingleMode(false);
    s.SetDensityChannelA(8);
    s.SetDensityChannelB(8);
    s.SetMaxChannelA(217);
    s.SetMaxChannelB(217);
    s.SetVerticalLevelChannelA(2094);
    s.SetVerticalLevelChannelB(2079);
    s.SetSourceACDC_A(true);
    s.SetSourceACDC_B(true);
    s.SetSourceProbeA(1);
    s.SetSourceProbeB(1);
    s.SetModeLine(true);
    s.SetModeBF(false);
    s.SetModeEKG(true);
    s.SetDisplayActive(true);
    s.SetGridBrightness(72);
    s.SetGrid(true);
    s.SetMainScreenMaximized(false);
    s.SetMainWindowWidth(0);
    s.SetMainWindowHeight(0);
    s.SetShowComixHelp(true);
    s.SetTriggerSourceA(false);
    s.SetTriggerSourceB(false);
    s.SetTriggerLevelA(0);
    s.SetTriggerLevelB(0);
    s.SetTriggerUnderA(false);
    s.SetTriggerUnderB(true);
    s.SetSMPSetting(2);
    s.SetDSPSetting(3);
    s.SetBoostThread(true);
    s.SetMeasurementLength(2000);
    s.SetRecordTriggered(false);
    s.SetRecordFree(true);
    s.SetMeasurementDefined(false);
    s.SetARMSourceA(false);
    s.SetARMSourceB(false);
    s.SetARMSourceExternal(false);
    s.SetARMUnderA(false);
    s.SetARMUnderB(false);
    s.SetARMUnderExternal(true);
    s.SetARMLevelA(0);
    s.SetARMLevelB(0);
    s.SetPeriodA(1000);
    s.SetPeriodB(2000);
    s.SetAmplitudeA(3000);
    s.SetAmplitudeB(2000);
    s.SetNoiseA(0);
    s.SetNoiseB(0);
}

} // namespace vexa
