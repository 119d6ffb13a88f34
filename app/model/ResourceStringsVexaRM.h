// The operator's message texts. Every text the program shows in a message
// box lives here, exactly as the operator reads it.
#pragma once

#include <cstdint>
#include <string>

namespace vexa {

class TResourceStringsVexaRM {
public:
    // Record file and settings files.
    static constexpr const char *CannotCreateFilePrefix = "Cannot create file ";
    static constexpr const char *WriteToFileFailed = "Write to file failed.";
    static constexpr const char *ErrorReadingFile = "Error reading file.";
    static constexpr const char *ClearTheFile = "Clear the file?";
    // Front panel and menu.
    static constexpr const char *ArmTriggerConflict = "Arm and Trigger settings conflict.";
    static constexpr const char *SettingsWillBeLost = "Current settings will be lost. Continue?";

    // "Cannot create file " + name
    static std::string CannotCreateFile(const std::string &name);
    // "File " + name + " is missing."
    static std::string FileMissing(const std::string &name);
    // "'<value>' is not a valid integer value"
    static std::string NotValidInteger(const std::string &value);
    // "'<value>' is not a valid floating point value"
    static std::string NotValidFloat(const std::string &value);
    // Shown once when a block could not be written to the record file and
    // saving was switched off.
    static std::string RecordWriteFailed(const std::string &name);
    // Below "Clear the file?": the file meant and what it holds now
    // (sizeText as the size readout shows it), or that it does not exist.
    static std::string ClearFileDetail(const std::string &name, const std::string &sizeText);
    static std::string ClearNewFileDetail(const std::string &name);
    // Shown once per measurement when the device was not read in time and
    // sample periods were lost (at rate samples per second).
    static std::string SamplesLost(uint64_t periods, int32_t rate);
};

} // namespace vexa
