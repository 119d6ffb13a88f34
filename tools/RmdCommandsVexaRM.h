// The commands of vexa-rmd. Each writes its answer to stdout, one line per
// error to stderr, and returns the process exit code: 0 done, 1 the file has
// problems (check), 2 an error (no such file, not a record file, a
// measurement or time that does not exist); nothing is written on an error.
#pragma once

#include <string>
#include <vector>

namespace vexa::rec {

struct TRmdArgs {
    std::string Command, File, Out;
    std::string Format = "csv";
    unsigned long Measurement = 1; // 1-based
    std::string From, To;          // time texts, empty when not given
    unsigned long long Decimate = 0;
    bool Json = false;
};

class TRmdCommandsVexaRM {
public:
    // Parses argv (after the program name); false with a message in *error.
    static bool Parse(const std::vector<std::string> &argv, TRmdArgs *args, std::string *error);
    // A time such as "2.5", "250ms", "1.5s", "2min", "1h" in nanoseconds.
    static bool ParseTime(const std::string &text, long long *ns);
    static int Run(const TRmdArgs &args);
    static const char *Usage();
};

} // namespace vexa::rec
