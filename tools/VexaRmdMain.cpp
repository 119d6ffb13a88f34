// vexa-rmd: information, checks, statistics, exports and extracts of record
// files. Never writes to a record file.
#include "RmdCommandsVexaRM.h"

#include <cstdio>

int main(int argc, char **argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    vexa::rec::TRmdArgs parsed;
    std::string error;
    if (!vexa::rec::TRmdCommandsVexaRM::Parse(args, &parsed, &error)) {
        std::fprintf(stderr, "vexa-rmd: %s\n%s", error.c_str(),
                     vexa::rec::TRmdCommandsVexaRM::Usage());
        return 2;
    }
    return vexa::rec::TRmdCommandsVexaRM::Run(parsed);
}
