// The program Vexa_RollMode.
#include "ProgramStartVexaRM.h"

int main(int argc, char **argv) {
    return vexa::TProgramStartVexaRM::Run(argc, argv);
}
