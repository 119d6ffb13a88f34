// Checks a record file of a counter-pattern recording from the command line:
// a whole number of words, every sample after a start the successor of the
// one before, and as many stop records as start records.
// Usage: record_check FILE   (exit 0 whole, 1 broken, 2 unreadable)
#include "RobustRig.h"

#include <cstdio>

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: record_check FILE\n");
        return 2;
    }
    const int64_t bytes = vexa::test::FileBytes(argv[1]);
    if (bytes < 0) {
        std::fprintf(stderr, "%s cannot be read\n", argv[1]);
        return 2;
    }
    const vexa::test::CounterStream c =
        vexa::test::CheckCounterStream(vexa::test::ReadWords(argv[1]));
    std::printf("bytes=%lld samples=%llu starts=%d stops=%d records=%d fault=%s\n",
                static_cast<long long>(bytes), static_cast<unsigned long long>(c.Samples), c.Starts,
                c.Stops, c.Records, c.Fault.empty() ? "none" : c.Fault.c_str());
    const bool whole = bytes % 2 == 0 && c.Fault.empty() && c.Starts == c.Stops;
    return whole ? 0 : 1;
}
