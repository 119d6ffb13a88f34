// The program Vexa_RollMode.
#include "ProgramStartVexaRM.h"

#include <csignal>

int main(int argc, char **argv) {
    // A record file that reaches the file size limit fails its write and is
    // reported like a full disk, instead of ending the program.
    std::signal(SIGXFSZ, SIG_IGN);
    return vexa::TProgramStartVexaRM::Run(argc, argv);
}
