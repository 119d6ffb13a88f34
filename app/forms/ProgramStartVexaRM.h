// The program's start and end: single instance, splash screen, working
// folder, main window, device start-up, message loop.
#pragma once

namespace vexa {

class TProgramStartVexaRM {
public:
    // Runs the whole program; returns the process exit code.
    static int Run(int argc, char **argv);
};

} // namespace vexa
