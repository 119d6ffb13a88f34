// Checks a record file of a counter-pattern recording from the command line:
// a whole number of words, every sample after a start the successor of the
// one before (or as many periods later as a record of lost samples says),
// and as many stop records as start records. The file is read in pieces, so
// a recording of any size needs little memory.
// Usage: record_check FILE   (exit 0 whole, 1 broken, 2 unreadable)
#include "tests/support/CounterStream.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char **argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: record_check FILE\n");
        return 2;
    }
    std::FILE *in = std::fopen(argv[1], "rb");
    if (!in) {
        std::fprintf(stderr, "%s cannot be read: %s\n", argv[1], std::strerror(errno));
        return 2;
    }
    vexa::test::TCounterStreamCheck check;
    std::vector<uint8_t> bytes(1 << 20);
    std::vector<uint16_t> words(bytes.size() / 2);
    long long total = 0;
    bool odd = false;
    for (;;) {
        const size_t got = std::fread(bytes.data(), 1, bytes.size(), in);
        if (got == 0) break;
        total += static_cast<long long>(got);
        // A piece of odd length can only be the end of the file.
        odd = got % 2 != 0;
        for (size_t i = 0; i + 1 < got; i += 2)
            words[i / 2] = static_cast<uint16_t>(bytes[i] | bytes[i + 1] << 8);
        check.Feed(words.data(), got / 2);
    }
    const bool readError = std::ferror(in) != 0;
    std::fclose(in);
    if (readError) {
        std::fprintf(stderr, "%s cannot be read to its end\n", argv[1]);
        return 2;
    }
    const vexa::test::CounterStream &c = check.Finish();
    std::printf("bytes=%lld samples=%llu starts=%d stops=%d records=%d gaps=%d lost=%llu "
                "fault=%s\n",
                total, static_cast<unsigned long long>(c.Samples), c.Starts, c.Stops, c.Records,
                c.Gaps, static_cast<unsigned long long>(c.LostPeriods),
                c.Fault.empty() ? "none" : c.Fault.c_str());
    const bool whole = !odd && c.Fault.empty() && c.Starts == c.Stops;
    return whole ? 0 : 1;
}
