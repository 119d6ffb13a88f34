// Exports against the generator's model: CSV lines (every period and
// decimated), WAV and NPY bytes, extracts read back, the RF64 header, and
// cancellation, which leaves nothing behind.
#include "recfile/RecordExportVexaRM.h"
#include "recfile/RecordFileVexaRM.h"
#include "RecordGen.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace vexa::rec::test {
namespace {

std::string Slurp(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Seconds text to nanoseconds, exactly.
TTimeNs ParseNs(const std::string &t) {
    const size_t dot = t.find('.');
    TTimeNs ns = std::stoll(t.substr(0, dot)) * kNsPerSecond;
    if (dot != std::string::npos) {
        std::string frac = t.substr(dot + 1);
        frac.resize(9, '0');
        ns += std::stoll(frac);
    }
    return ns;
}

struct TExportFixture : ::testing::Test {
    std::string Dir = vexa::test::MakeTempDir("recexport");
    TRecordGen Gen;
    std::unique_ptr<TRecordFileVexaRM> File;
    std::shared_ptr<const TRecordReaderVexaRM> Reader;
    uint32_t M = 0;
    void SetUp() override {
        std::mt19937_64 rng(21);
        Gen.Random(rng, 400000);
        // The longest measurement: it holds the most sections and markers.
        for (uint32_t m = 0; m < Gen.Periods.size(); ++m)
            if (Gen.Periods[m].size() > Gen.Periods[M].size()) M = m;
        Gen.WriteTo(Dir + "/in.rmd");
        std::string error;
        File = TRecordFileVexaRM::Open(Dir + "/in.rmd", &error);
        ASSERT_TRUE(File) << error;
        ASSERT_TRUE(File->EnsureIndex().Index);
        Reader = File->Reader();
    }
    void TearDown() override { std::filesystem::remove_all(Dir); }
    TExportResult Run(ExportFormat format, const std::string &name, uint64_t decimate = 0,
                      TProgressFn progress = {}) {
        TExportOptions o;
        o.Format = format;
        o.Measurement = M;
        o.Decimate = decimate;
        o.Progress = std::move(progress);
        return TRecordExportVexaRM::Export(*Reader, Dir + "/" + name, o);
    }
};

TEST_F(TExportFixture, CsvLinesAreTheModelsTimesAndVolts) {
    const TExportResult res = Run(ExportFormat::Csv, "all.csv");
    ASSERT_TRUE(res.Ok) << res.Error;
    std::istringstream in(Slurp(Dir + "/all.csv"));
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "time_s,a_v,b_v");
    const auto &words = Gen.Periods[M];
    uint64_t k = 0;
    while (std::getline(in, line)) {
        ASSERT_LT(k, words.size());
        const size_t c1 = line.find(','), c2 = line.find(',', c1 + 1);
        ASSERT_EQ(ParseNs(line.substr(0, c1)), Gen.TimeOf(M, k)) << line;
        const std::string a = line.substr(c1 + 1, c2 - c1 - 1), b = line.substr(c2 + 1);
        if (words[k] == kWordMarker2) {
            ASSERT_TRUE(a.empty() && b.empty()) << line;
        } else {
            const TScale &sc = Gen.SectionOf(M, k).Scale;
            ASSERT_DOUBLE_EQ(std::stod(a), sc.Volts(0, words[k] & 0xFF)) << line;
            ASSERT_DOUBLE_EQ(std::stod(b), sc.Volts(1, words[k] >> 8)) << line;
        }
        ++k;
    }
    EXPECT_EQ(k, words.size());
}

TEST_F(TExportFixture, DecimatedCsvSummarisesGroupsWithinSections) {
    const uint64_t n = 777;
    ASSERT_TRUE(Run(ExportFormat::Csv, "dec.csv", n).Ok);
    std::istringstream in(Slurp(Dir + "/dec.csv"));
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "time_s,a_min_v,a_max_v,a_mean_v,b_min_v,b_max_v,b_mean_v");
    const auto &words = Gen.Periods[M];
    std::vector<std::string> lines;
    while (std::getline(in, line))
        lines.push_back(line);
    size_t li = 0;
    for (const auto &s : Gen.Sections) {
        if (s.Measurement != M) continue;
        for (uint64_t g = 0; g < s.Count; g += n, ++li) {
            ASSERT_LT(li, lines.size());
            std::vector<std::string> f;
            std::stringstream ls(lines[li]);
            for (std::string x; std::getline(ls, x, ',');)
                f.push_back(x);
            f.resize(7);
            EXPECT_EQ(ParseNs(f[0]), PeriodTime(s.Start, s.Scale.Rate, g));
            int lo = 256, hi = -1;
            double sum = 0;
            int values = 0;
            for (uint64_t k = s.FirstPeriod + g; k < s.FirstPeriod + std::min(s.Count, g + n);
                 ++k) {
                if (words[k] == kWordMarker2) continue;
                lo = std::min(lo, words[k] & 0xFF);
                hi = std::max(hi, words[k] & 0xFF);
                sum += words[k] & 0xFF;
                ++values;
            }
            if (values == 0) {
                EXPECT_TRUE(f[1].empty() && f[3].empty());
                continue;
            }
            EXPECT_DOUBLE_EQ(std::stod(f[1]), s.Scale.Volts(0, lo));
            EXPECT_DOUBLE_EQ(std::stod(f[2]), s.Scale.Volts(0, hi));
            EXPECT_NEAR(std::stod(f[3]), s.Scale.Volts(0, sum / values), 1e-8);
        }
    }
    EXPECT_EQ(li, lines.size());
}

TEST_F(TExportFixture, WavAndNpyHoldTheCodesAndExtractsReadBackTheSameSpan) {
    const auto &words = Gen.Periods[M];
    std::string codes;
    for (uint16_t w : words) {
        const uint16_t v = w == kWordMarker2 ? 0 : w;
        codes.push_back(static_cast<char>(v & 0xFF));
        codes.push_back(static_cast<char>(v >> 8));
    }
    // WAV: one file per run of one rate without gaps; together the codes.
    const TExportResult wav = Run(ExportFormat::Wav, "out.wav");
    ASSERT_TRUE(wav.Ok) << wav.Error;
    std::string data;
    for (const std::string &path : wav.Files) {
        const std::string w = Slurp(path);
        ASSERT_EQ(w.compare(0, 4, "RIFF"), 0);
        uint32_t rate, size;
        std::memcpy(&rate, w.data() + 24, 4);
        std::memcpy(&size, w.data() + 40, 4);
        EXPECT_EQ(size, w.size() - 44);
        EXPECT_EQ(rate, Gen.SectionOf(M, data.size() / 2).Scale.Rate);
        data += w.substr(44);
    }
    EXPECT_EQ(data, codes);
    // NPY: one N x 2 array and its sidecar.
    ASSERT_TRUE(Run(ExportFormat::Npy, "out.npy").Ok);
    const std::string npy = Slurp(Dir + "/out.npy");
    const std::string header = TRecordExportVexaRM::NpyHeader(words.size());
    ASSERT_EQ(npy.compare(0, header.size(), header), 0);
    EXPECT_EQ(header.size() % 64, 0u);
    EXPECT_EQ(npy.substr(header.size()), codes);
    EXPECT_NE(Slurp(Dir + "/out.json").find("\"rows\": " + std::to_string(words.size())),
              std::string::npos);
    // Extract of a middle span: a valid record file with the same periods.
    TExportOptions o;
    o.Format = ExportFormat::Record;
    o.Measurement = M;
    const TTimeNs d = Reader->Measurements()[M].Duration;
    o.From = d / 3;
    o.To = 2 * d / 3;
    ASSERT_TRUE(TRecordExportVexaRM::Export(*Reader, Dir + "/part.rmd", o).Ok);
    std::string error;
    auto part = TRecordFileVexaRM::Open(Dir + "/part.rmd", &error);
    ASSERT_TRUE(part && part->EnsureIndex().Index);
    auto pr = part->Reader();
    ASSERT_EQ(pr->Measurements().size(), 1u);
    EXPECT_TRUE(pr->Measurements()[0].HasStart && pr->Measurements()[0].Complete);
    EXPECT_TRUE(pr->Problems().empty());
    const TSpanStats a = Reader->Stats(M, o.From, o.To), b = pr->Stats(0, 0, INT64_MAX);
    EXPECT_EQ(a.Periods, b.Periods);
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(a.Channel[c].Samples, b.Channel[c].Samples);
        EXPECT_EQ(a.Channel[c].MinV, b.Channel[c].MinV);
        EXPECT_NEAR(a.Channel[c].MeanV, b.Channel[c].MeanV, 1e-12);
    }
}

TEST_F(TExportFixture, CancelledExportRemovesItsFilesAndTheRecordFileIsNeverAnOutput) {
    const TExportResult res =
        Run(ExportFormat::Wav, "gone.wav", 0, [](uint64_t done, uint64_t) { return done == 0; });
    EXPECT_FALSE(res.Ok);
    EXPECT_TRUE(res.Cancelled);
    for (const std::string &p : res.Files)
        EXPECT_FALSE(std::filesystem::exists(p)) << p;
    const std::string before = Slurp(Dir + "/in.rmd");
    const TExportResult self = Run(ExportFormat::Csv, "in.rmd");
    EXPECT_FALSE(self.Ok);
    EXPECT_EQ(Slurp(Dir + "/in.rmd"), before);
}

TEST(ExportHeaderTest, WavAboveFourGiBIsRf64WithItsSizesInDs64) {
    const uint64_t frames = 3000000000ull; // 6 GB of data
    const std::vector<uint8_t> h = TRecordExportVexaRM::WavHeader(5000000, frames);
    ASSERT_EQ(h.size(), 80u);
    auto u32 = [&](size_t at) {
        uint32_t v;
        std::memcpy(&v, h.data() + at, 4);
        return v;
    };
    auto u64 = [&](size_t at) {
        uint64_t v;
        std::memcpy(&v, h.data() + at, 8);
        return v;
    };
    EXPECT_EQ(std::string(h.begin(), h.begin() + 4), "RF64");
    EXPECT_EQ(u32(4), 0xFFFFFFFFu);
    EXPECT_EQ(std::string(h.begin() + 12, h.begin() + 16), "ds64");
    EXPECT_EQ(u64(20), 72 + 2 * frames); // everything after the first 8 bytes
    EXPECT_EQ(u64(28), 2 * frames);
    EXPECT_EQ(u64(36), frames);
    EXPECT_EQ(std::string(h.begin() + 48, h.begin() + 52), "fmt ");
    EXPECT_EQ(u32(60), 5000000u);
    EXPECT_EQ(std::string(h.begin() + 72, h.begin() + 76), "data");
    EXPECT_EQ(u32(76), 0xFFFFFFFFu);
    EXPECT_EQ(TRecordExportVexaRM::WavHeader(1000, 10).size(), 44u);
    EXPECT_EQ(TRecordExportVexaRM::PartName("x/out.wav", 2), "x/out-3.wav");
}

} // namespace
} // namespace vexa::rec::test
