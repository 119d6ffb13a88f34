// Keeps the operator's settings across runs: the working copy
// "ZovuDori.ini" (read at start, written at exit and after restoring the
// defaults) and the operator's snapshot "RollModeSettings.dat".
#pragma once

#include "ScopeListenerVexaRM.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vexa {

class TVirtualScopeVexaRM;

class TSettingsVexaRM : public IScopeListenerVexaRM {
public:
    static constexpr const char *WorkingFileName = "ZovuDori.ini";
    static constexpr const char *SnapshotFileName = "RollModeSettings.dat";
    static constexpr const char *RecordFileAfterLoad = "sdata.rmd";
    // Appended to a settings file's name for the file a save writes first.
    static constexpr const char *TemporarySuffix = ".tmp";
    static constexpr const char *HeaderLine1 =
        "Inproper modification of this file may lead to SW malfunction";
    static constexpr const char *HeaderLine2 =
        "-------------------------------------------------------------";
    // The loader reads files in chunks of this many bytes.
    static constexpr int kReadChunk = 32;

    TSettingsVexaRM() = default;
    // Unregisters from the model it still has.
    ~TSettingsVexaRM() override;
    TSettingsVexaRM(const TSettingsVexaRM &) = delete;
    TSettingsVexaRM &operator=(const TSettingsVexaRM &) = delete;

    TVirtualScopeVexaRM *VirtualScope() const { return FVirtualScope; }
    // Stores the model and, when not null, registers with ControlGroup.
    void SetVirtualScope(TVirtualScopeVexaRM *scope);
    int32_t ControlGroup() const { return FControlGroup; }
    void SetControlGroup(int32_t group) { FControlGroup = group; }
    // The file of the current (or next) load or save.
    const std::string &SettingsFileName() const { return FSettingsFileName; }
    void SetSettingsFileName(const std::string &name) { FSettingsFileName = name; }

    // Writes the model to SettingsFileName: a temporary file beside it is
    // created afresh (never through a symbolic link), written, flushed to
    // disk and renamed over the old file, so a crash or a full disk never
    // leaves a truncated settings file. Returns true when the new file is in
    // place; failures are reported to the operator.
    bool SaveToFile();
    // Loads SettingsFileName into the model, entry by entry, in file order.
    // Only a regular file is read; a pipe, a device or a folder gives "Error
    // reading file." at once. Returns true when the whole file was read
    // without an error message.
    bool LoadFromFile();
    // Writes the built-in defaults into the model.
    void LoadDefaults();

    // Every file a settings component reads or writes: both settings files
    // and their temporary files.
    static std::vector<std::string> OwnFileNames();

    // The 62 lines of a settings file for the model's current values,
    // without line ends.
    std::vector<std::string> FileLines() const;
    // A real in the shortest general form that reads back to the same value:
    // the fewest significant digits that do, "." decimals, "E" and a signed
    // exponent outside 1E-5 .. 1E15.
    static std::string FormatReal(double v);
    // Value conversions of the loader; false when the text is no number.
    static bool ParseInteger(const std::string &text, int32_t &out);
    static bool ParseReal(const std::string &text, double &out);

    // Kinds 6 (load working copy), 8 (save snapshot), 9 (load snapshot),
    // 15 (defaults, then save working copy), 3 (save working copy, detach).
    void OnScopeNotification(int32_t kind, const int32_t &senderGroup) override;

protected:
    // Reads the next line of the open settings stream (CR and LF end a line
    // and are not part of it). Sets the end or read-failure state.
    std::string ReadLine();
    // Appends text and CR LF to the open settings stream; false on failure.
    bool WriteLine(const std::string &text);

private:
    enum class LineResult { Applied, Ignored, Invalid };
    LineResult ApplyLine(const std::string &line);
    void Message(const std::string &text);
    void Detach();

    TVirtualScopeVexaRM *FVirtualScope = nullptr;
    int32_t FControlGroup = 0;
    std::string FSettingsFileName;

    // The settings stream, open only during one load or one save.
    int FStreamFd = -1;
    int64_t FStreamSize = 0;       // size of the file being loaded
    int64_t FPosition = 0;         // read position in the file
    bool FAtEnd = false;           // the last ReadLine met the end of the file
    bool FReadFailed = false;      // a read of the file failed
    bool FWriteFailed = false;     // a line of the current save was not written
    std::vector<char> FReadBuffer; // buffered bytes starting at FBufferStart
    int64_t FBufferStart = 0;
    size_t FBufferLength = 0;
};

} // namespace vexa
