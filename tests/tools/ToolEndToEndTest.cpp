// vexa-rmd as a user runs it: on a counter-pattern recording of the real
// flow (driver library and simulated device), on a generated file of a few
// hundred MB, and with every error it reports.
#include "tests/robustness/RobustRig.h"

#include "common/ScopeConstsVexaRM.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vexa::test {
namespace {

struct TRun {
    int Code = -1;
    std::string Out, Err;
};

// Runs vexa-rmd with args (a shell-quoted string); stdout and stderr apart.
TRun Rmd(const std::string &args, const std::string &dir) {
    const std::string err = dir + "/stderr.txt";
    const std::string cmd = BinDir() + "/vexa-rmd " + args + " 2>" + err;
    TRun r;
    FILE *p = popen(cmd.c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        r.Out.append(buf, n);
    const int status = pclose(p);
    r.Code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream in(err);
    std::stringstream s;
    s << in.rdbuf();
    r.Err = s.str();
    return r;
}

// The number after "key": in a JSON text (the first occurrence after from).
double JsonValue(const std::string &json, const std::string &key, size_t from = 0) {
    const size_t at = json.find("\"" + key + "\": ", from);
    if (at == std::string::npos) return -1e300;
    return std::stod(json.substr(at + key.size() + 4));
}

TEST(ToolEndToEndTest, CounterRecordingOfTheRealFlowIsReadExactly) {
    SimControl sim;
    ASSERT_TRUE(sim.Loaded());
    sim.SetCounterPattern(1);
    RobustRig rig;
    rig.Scope.SetSMPSetting(10); // 100,000 samples per second
    rig.Start();
    ASSERT_TRUE(rig.Driver.DeviceInitialized());
    const std::string file = rig.SaveTo("counter.rmd");
    rig.StartMeasurement();
    ASSERT_TRUE(rig.PumpUntil([&] { return FileBytes(file) > 400000; }, 20000));
    rig.StopMeasurement();
    ASSERT_TRUE(rig.PumpUntil([&] { return rig.Ring->Pending() == 0; }, 5000));
    rig.Stop();
    const std::vector<uint16_t> words = ReadWords(file);
    const CounterStream c = CheckCounterStream(words);
    ASSERT_EQ(c.Fault, "");
    // Brute force over the words after the start group: codes of both channels.
    uint64_t samples = 0;
    int minB = 256, maxB = -1, minA = 256, maxA = -1;
    for (size_t i = 0; i < words.size();) {
        if (words[i] == kWordRecordIntroducer) {
            i += words[i + 1] ? words[i + 1] : 1;
            continue;
        }
        if (words[i] >= kReservedWordLimit) {
            ++samples;
            minA = std::min(minA, words[i] & 0xFF);
            maxA = std::max(maxA, words[i] & 0xFF);
            minB = std::min(minB, words[i] >> 8);
            maxB = std::max(maxB, words[i] >> 8);
        }
        ++i;
    }
    const std::string dir = rig.Dir;
    TRun check = Rmd("check " + file, dir);
    EXPECT_EQ(check.Code, 0) << check.Out << check.Err;
    TRun info = Rmd("info --json " + file, dir);
    ASSERT_EQ(info.Code, 0) << info.Err;
    EXPECT_EQ(JsonValue(info.Out, "sample_periods"), static_cast<double>(samples));
    EXPECT_EQ(JsonValue(info.Out, "rate"), 100000);
    EXPECT_NE(info.Out.find("\"complete\": true"), std::string::npos);
    EXPECT_NE(Rmd("info --json " + file, dir).Out.find("\"current\": true"), std::string::npos);
    TRun stats = Rmd("stats --json " + file, dir);
    ASSERT_EQ(stats.Code, 0) << stats.Err;
    EXPECT_EQ(JsonValue(stats.Out, "samples"), static_cast<double>(samples));
    EXPECT_EQ(JsonValue(stats.Out, "min_code"), minA);
    EXPECT_EQ(JsonValue(stats.Out, "max_code"), maxA);
    EXPECT_EQ(JsonValue(stats.Out, "min_code", stats.Out.find("\"b\"")), minB);
    EXPECT_EQ(JsonValue(stats.Out, "max_code", stats.Out.find("\"b\"")), maxB);
    // CSV: one line per sample; the codes of the counter come back in order.
    TRun csv = Rmd("export " + file + " -o " + dir + "/c.csv --from 0.1 --to 150ms", dir);
    ASSERT_EQ(csv.Code, 0) << csv.Err;
    std::ifstream in(dir + "/c.csv");
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "time_s,a_v,b_v");
    int lines = 0;
    double lastTime = -1;
    while (std::getline(in, line)) {
        const double t = std::stod(line);
        EXPECT_NEAR(t, 0.1 + lines * 1e-5, 1e-12);
        EXPECT_GT(t, lastTime);
        lastTime = t;
        ++lines;
    }
    EXPECT_EQ(lines, 5000);
    // Extract: the same words as the span of the original.
    TRun ex = Rmd("extract " + file + " -o " + dir + "/part.rmd --from 0.1 --to 0.15", dir);
    ASSERT_EQ(ex.Code, 0) << ex.Err;
    const std::vector<uint16_t> part = ReadWords(dir + "/part.rmd");
    ASSERT_GE(part.size(), 5000u + 59);
    const std::vector<uint16_t> body(part.begin() + 55, part.end() - 4);
    EXPECT_EQ(body.size(), 5000u);
    const auto at = std::search(words.begin(), words.end(), body.begin(), body.end());
    EXPECT_NE(at, words.end()) << "the extract is not a stretch of the recording";
    EXPECT_EQ(Rmd("check " + dir + "/part.rmd", dir).Code, 0);
}

TEST(ToolEndToEndTest, GeneratedFileOfSeveralHundredMegabytes) {
    const std::string dir = MakeTempDir("rmdbig");
    const std::string file = dir + "/big.rmd";
    // Start group at 5 MS/s, zero 128, 100 mV/div on both; 160 M samples of a
    // pattern with known sums; a stop record.
    constexpr uint64_t kSamples = 160ull << 20;
    uint64_t sum = 0;
    {
        std::ofstream out(file, std::ios::binary);
        const std::vector<uint16_t> head = {
            0, 4, 1, 1, 0,  6,      2,    2047, 128, 0,  0,   6, 3, 2047, 128, 0,   0, 4, 4,
            1, 0, 4, 5, 1,  0,      4,    6,    1,   0,  4,   7, 1, 0,    4,   8,   0, 0, 4,
            9, 0, 0, 5, 10, 0x4B40, 0x4C, 0,    5,   11, 100, 0, 0, 5,    12,  100, 0};
        out.write(reinterpret_cast<const char *>(head.data()), head.size() * 2);
        std::vector<uint16_t> block(1 << 20);
        for (uint64_t done = 0; done < kSamples; done += block.size()) {
            for (size_t i = 0; i < block.size(); ++i) {
                const uint64_t n = done + i;
                const uint16_t a = static_cast<uint16_t>(3 + (n * 7 + n / 977) % 250);
                block[i] = static_cast<uint16_t>(a | (200 << 8));
                sum += a;
            }
            out.write(reinterpret_cast<const char *>(block.data()), block.size() * 2);
        }
        const uint16_t stop[] = {0, 4, 1, 0};
        out.write(reinterpret_cast<const char *>(stop), sizeof stop);
    }
    TRun index = Rmd("index " + file, dir);
    ASSERT_EQ(index.Code, 0) << index.Err;
    EXPECT_NE(index.Out.find("built"), std::string::npos) << index.Out;
    EXPECT_NE(Rmd("index " + file, dir).Out.find("current"), std::string::npos);
    TRun stats = Rmd("stats --json " + file, dir);
    ASSERT_EQ(stats.Code, 0) << stats.Err;
    EXPECT_EQ(JsonValue(stats.Out, "samples"), static_cast<double>(kSamples));
    const double meanA = (static_cast<double>(sum) / kSamples - 128) * 100 / 32000;
    EXPECT_NEAR(JsonValue(stats.Out, "mean_v"), meanA, 1e-8);
    EXPECT_EQ(JsonValue(stats.Out, "mean_v", stats.Out.find("\"b\"")), (200 - 128) * 100 / 32000.0);
    EXPECT_EQ(JsonValue(stats.Out, "to_s"), kSamples / 5e6);
    TRun wav = Rmd("export " + file + " -o " + dir + "/big.wav --format wav", dir);
    ASSERT_EQ(wav.Code, 0) << wav.Err;
    EXPECT_EQ(std::filesystem::file_size(dir + "/big.wav"), 44 + 2 * kSamples);
    std::filesystem::remove_all(dir);
}

TEST(ToolEndToEndTest, EveryErrorHasItsLineAndExitCodeAndWritesNothing) {
    const std::string dir = MakeTempDir("rmderr");
    const std::string good = dir + "/good.rmd";
    {
        const std::vector<uint16_t> w = {0, 4, 1, 1, 0, 5, 10, 1000, 0, 0x4040, 0x4141, 0, 4, 1, 0};
        std::ofstream(good, std::ios::binary)
            .write(reinterpret_cast<const char *>(w.data()), w.size() * 2);
    }
    struct TCase {
        std::string Args, Message;
        int Code;
    } cases[] = {
        {"info " + dir + "/none.rmd", "No such file", 2},
        {"info " + dir, "not a regular file", 2},
        {"stats " + good + " -m 3", "no measurement 3", 2},
        {"stats " + good + " --from 5s", "outside the measurement", 2},
        {"stats " + good + " --to 1h", "outside the measurement", 2},
        {"stats " + good + " --from 2x", "not a time", 2},
        {"export " + good + " -o " + dir + "/x.csv --format mp3", "unknown format", 2},
        {"export " + good + " -o " + good, "is the record file itself", 2},
        {"export " + good, "no output file", 2},
        {"frobnicate " + good, "unknown command", 2},
        {"", "no command", 2},
    };
    const auto before = std::filesystem::file_size(good);
    for (const TCase &c : cases) {
        TRun r = Rmd(c.Args, dir);
        EXPECT_EQ(r.Code, c.Code) << c.Args;
        EXPECT_NE(r.Err.find(c.Message), std::string::npos) << c.Args << ": " << r.Err;
        EXPECT_TRUE(r.Out.empty()) << c.Args << ": " << r.Out;
    }
    EXPECT_EQ(std::filesystem::file_size(good), before);
    EXPECT_FALSE(std::filesystem::exists(dir + "/x.csv"));
    // Not a record file: text.
    std::ofstream(dir + "/notes.rmd") << "these are notes, not a recording\n";
    TRun text = Rmd("info " + dir + "/notes.rmd", dir);
    EXPECT_EQ(text.Code, 2);
    EXPECT_NE(text.Err.find("not a record file"), std::string::npos) << text.Err;
    // A broken file: check lists each problem with its byte offset, exit 1.
    {
        std::ofstream out(dir + "/broken.rmd", std::ios::binary);
        const std::vector<uint16_t> w = {0, 4, 1, 1, 0x4040, 0, 5, 99, 1, 2, 0x4141, 0, 6, 2};
        out.write(reinterpret_cast<const char *>(w.data()), w.size() * 2);
        out.put('\x01');
    }
    TRun check = Rmd("check " + dir + "/broken.rmd", dir);
    EXPECT_EQ(check.Code, 1);
    EXPECT_NE(check.Out.find("byte 10: a record of unknown type 99"), std::string::npos)
        << check.Out;
    EXPECT_NE(check.Out.find("byte 22: a record is cut off"), std::string::npos) << check.Out;
    EXPECT_NE(check.Out.find("byte 28: the file ends in half a word"), std::string::npos)
        << check.Out;
    EXPECT_NE(check.Out.find("byte 0: measurement 1 has no stop record"), std::string::npos);
    // An index that cannot be written beside the file is kept in memory.
    std::filesystem::remove(dir + "/good.ind");
    std::filesystem::create_directory(dir + "/good.ind");
    TRun index = Rmd("index " + good, dir);
    EXPECT_EQ(index.Code, 0);
    EXPECT_NE(index.Err.find("kept in memory"), std::string::npos) << index.Err;
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace vexa::test
