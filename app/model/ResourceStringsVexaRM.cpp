#include "ResourceStringsVexaRM.h"

#include <cstdio>

namespace vexa {

namespace {

// A value text longer than this is shortened in a message, so that a broken
// file with a huge line still gives a readable message box.
constexpr size_t kMaxQuotedValue = 200;

// A NUL byte would end the text where the message box reads it: it is
// shown as \0 instead.
std::string Visible(const std::string &value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        if (c == '\0')
            out += "\\0";
        else
            out.push_back(c);
    }
    return out;
}

std::string Quoted(const std::string &value) {
    if (value.size() <= kMaxQuotedValue) return "'" + Visible(value) + "'";
    return "'" + Visible(value.substr(0, kMaxQuotedValue)) + "...'";
}

} // namespace

std::string TResourceStringsVexaRM::CannotCreateFile(const std::string &name) {
    return CannotCreateFilePrefix + name;
}

std::string TResourceStringsVexaRM::FileMissing(const std::string &name) {
    return "File " + name + " is missing.";
}

std::string TResourceStringsVexaRM::NotValidInteger(const std::string &value) {
    return Quoted(value) + " is not a valid integer value";
}

std::string TResourceStringsVexaRM::NotValidFloat(const std::string &value) {
    return Quoted(value) + " is not a valid floating point value";
}

std::string TResourceStringsVexaRM::RecordWriteFailed(const std::string &name) {
    return "Write to file " + name + " failed. Saving has been switched off.";
}

std::string TResourceStringsVexaRM::ClearFileDetail(const std::string &name,
                                                    const std::string &sizeText) {
    return "The record file \"" + name + "\" holds " + sizeText +
           ". Yes empties it: every measurement in it is lost. No and Cancel leave it as it is.";
}

std::string TResourceStringsVexaRM::ClearNewFileDetail(const std::string &name) {
    return "The record file \"" + name +
           "\" does not exist yet. Yes creates it empty; No and Cancel change nothing.";
}

std::string TResourceStringsVexaRM::SamplesLost(uint64_t periods, int32_t rate) {
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f",
                  rate > 0 ? static_cast<double>(periods) / rate : 0.0);
    return "The device was not read in time: " + std::to_string(periods) + " samples (" + seconds +
           " s) were lost. The recording marks the gap where it happened and goes on. "
           "Further losses in this measurement are marked without a message.";
}

} // namespace vexa
