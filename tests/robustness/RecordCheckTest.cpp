// record_check, the command-line check of counter-pattern record files: it
// reads a file in pieces, so records that straddle two pieces must be read
// whole; it passes whole files and refuses broken ones.
#include "tests/support/CounterStream.h"
#include "common/ScopeConstsVexaRM.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sys/wait.h>

namespace vexa::test {
namespace {

uint16_t CounterWord(uint64_t n) {
    return static_cast<uint16_t>((1 + (n / 255) % 255) << 8 | (1 + n % 255));
}

// A recording of the counter pattern: a start, samples from 1 on (the stale
// sample 0 was dropped), gaps marked where the random walk puts them (if
// any), a stop.
std::vector<uint16_t> Recording(std::mt19937 &random, size_t words, bool gaps = true) {
    std::vector<uint16_t> w = {0, 4, kRecMeasurement, 1, 0, 5, kRecSampleRate, 0x4B40, 0x4C};
    uint64_t n = 1;
    while (w.size() < words) {
        if (gaps && random() % 50000 == 0) {
            const uint64_t lost = 1 + random() % 100000000;
            w.insert(w.end(), {0, kLostSamplesRecordWords, kRecLostSamples,
                               static_cast<uint16_t>(lost), static_cast<uint16_t>(lost >> 16),
                               static_cast<uint16_t>(lost >> 32), 0, kLostCountedByDevice});
            n += lost;
        }
        w.push_back(CounterWord(n++));
    }
    w.insert(w.end(), {0, 4, kRecMeasurement, 0});
    return w;
}

struct Checked {
    int Exit = -1;
    std::string Output;
};

Checked RunRecordCheck(const std::vector<uint16_t> &words, bool oddByte = false) {
    const std::string dir = MakeTempDir("recordcheck");
    const std::string file = dir + "/check.rmd";
    {
        std::ofstream out(file, std::ios::binary);
        for (uint16_t w : words) {
            out.put(static_cast<char>(w & 0xFF));
            out.put(static_cast<char>(w >> 8));
        }
        if (oddByte) out.put('\x01');
    }
    Checked c;
    if (std::FILE *p = popen((BinDir() + "/record_check " + file).c_str(), "r")) {
        char line[512];
        while (std::fgets(line, sizeof line, p))
            c.Output += line;
        const int status = pclose(p);
        c.Exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::filesystem::remove_all(dir);
    return c;
}

// Fed in random pieces the check finds what it finds on the whole stream.
TEST(RecordCheckTest, PiecesGiveTheSameResultAsTheWhole) {
    std::mt19937 random(20261208);
    for (int round = 0; round < 20; ++round) {
        std::vector<uint16_t> words = Recording(random, 200000);
        if (round % 2 == 1) words[random() % words.size()] ^= 0x0101; // maybe broken
        const CounterStream whole = CheckCounterStream(words);
        TCounterStreamCheck pieces;
        for (size_t at = 0; at < words.size();) {
            const size_t n = std::min<size_t>(1 + random() % 20, words.size() - at);
            pieces.Feed(words.data() + at, n);
            at += n;
        }
        const CounterStream &fed = pieces.Finish();
        EXPECT_EQ(fed.Fault.empty(), whole.Fault.empty()) << round;
        EXPECT_EQ(fed.Samples, whole.Samples) << round;
        EXPECT_EQ(fed.Gaps, whole.Gaps) << round;
        EXPECT_EQ(fed.LostPeriods, whole.LostPeriods) << round;
        if (round % 2 == 0) {
            EXPECT_EQ(whole.Fault, "") << round;
            EXPECT_GT(whole.Gaps, 0) << round;
        }
    }
}

TEST(RecordCheckTest, PassesWholeFilesAndRefusesBrokenOnes) {
    std::mt19937 random(7);
    std::vector<uint16_t> words = Recording(random, 1200000, false);
    // A gap whose record straddles the first and the second piece read
    // (1 MiB, 524,288 words).
    const size_t at = 524288 - 3;
    const uint64_t before = static_cast<uint64_t>(CounterIndex(words[at - 1]));
    std::vector<uint16_t> good(words.begin(), words.begin() + static_cast<long>(at));
    good.insert(good.end(),
                {0, kLostSamplesRecordWords, kRecLostSamples, 1000, 0, 0, 0, kLostCountedByDevice});
    uint64_t n = before + 1 + 1000;
    while (good.size() < 700000)
        good.push_back(CounterWord(n++));
    good.insert(good.end(), {0, 4, kRecMeasurement, 0});
    const Checked ok = RunRecordCheck(good);
    EXPECT_EQ(ok.Exit, 0) << ok.Output;
    EXPECT_NE(ok.Output.find("gaps=1 lost=1000 "), std::string::npos) << ok.Output;
    EXPECT_NE(ok.Output.find("fault=none"), std::string::npos) << ok.Output;
    EXPECT_EQ(RunRecordCheck(words).Exit, 0);
    EXPECT_EQ(RunRecordCheck(Recording(random, 1200000)).Exit, 0) << "with random gaps";

    std::vector<uint16_t> miscounted = good;
    miscounted[at + 3] = 999; // the record says one period less than is missing
    EXPECT_EQ(RunRecordCheck(miscounted).Exit, 1);
    std::vector<uint16_t> doubled = good;
    doubled.insert(doubled.begin() + 600000, doubled[600000]);
    EXPECT_EQ(RunRecordCheck(doubled).Exit, 1);
    std::vector<uint16_t> unstopped(good.begin(), good.end() - 4);
    EXPECT_EQ(RunRecordCheck(unstopped).Exit, 1);
    std::vector<uint16_t> cut(good.begin(), good.end() - 2);
    EXPECT_EQ(RunRecordCheck(cut).Exit, 1);
    EXPECT_EQ(RunRecordCheck(good, true).Exit, 1) << "half a word at the end";
}

} // namespace
} // namespace vexa::test
