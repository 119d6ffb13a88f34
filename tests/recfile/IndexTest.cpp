// Index answers against a brute-force pass over the generator's model of
// random files: statistics of random spans (edges inside entries, lengths
// from one period to whole measurements, so every level is used), frames,
// crossings and ARM-marker searches, raw periods; and the worker-thread
// build with its snapshots of the part already summarised.
#include "recfile/IndexBuilderVexaRM.h"
#include "recfile/RecordFileVexaRM.h"
#include "RecordGen.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <mutex>

namespace vexa::rec::test {
namespace {

struct TRandomFile {
    std::string Dir, Path;
    TRecordGen Gen;
    std::unique_ptr<TRecordFileVexaRM> File;
    std::shared_ptr<const TRecordReaderVexaRM> Reader;

    explicit TRandomFile(uint64_t seed, uint64_t periods, bool longSection) {
        Dir = vexa::test::MakeTempDir("recindex");
        Path = Dir + "/random.rmd";
        std::mt19937_64 rng(seed);
        Gen.Random(rng, periods);
        if (longSection) {
            // One clean section long enough for level 4.
            Gen.Scale.Rate = 5000000;
            Gen.Start();
            for (uint64_t k = 0; k < 5000000; ++k)
                Gen.Sample(static_cast<uint16_t>(3 + k % 250 + ((3 + (k / 7) % 251) << 8)));
            Gen.Stop();
        }
        Gen.WriteTo(Path);
        std::string error;
        File = TRecordFileVexaRM::Open(Path, &error);
        if (File && File->EnsureIndex().Index) Reader = File->Reader();
    }
    ~TRandomFile() { std::filesystem::remove_all(Dir); }

    // First period of measurement m at or after t, from the model's sections.
    uint64_t PeriodAt(uint32_t m, TTimeNs t) const {
        for (const auto &s : Gen.Sections) {
            if (s.Measurement != m) continue;
            const uint64_t p = PeriodAtOrAfter(s.Start, s.Scale.Rate, t);
            if (p < s.Count) return s.FirstPeriod + p;
        }
        return Gen.Periods[m].size();
    }
};

struct TRef {
    uint64_t Samples = 0;
    int Min[2] = {256, 256}, Max[2] = {-1, -1};
    double MinV[2] = {1e300, 1e300}, MaxV[2] = {-1e300, -1e300};
    long double Sum[2] = {0, 0}, Sq[2] = {0, 0};
};

TRef Reference(const TRecordGen &g, uint32_t m, uint64_t k0, uint64_t k1) {
    TRef r;
    for (uint64_t k = k0; k < k1; ++k) {
        const uint16_t w = g.Periods[m][k];
        if (w == kWordMarker2) continue;
        const TScale &sc = g.SectionOf(m, k).Scale;
        ++r.Samples;
        for (int c = 0; c < 2; ++c) {
            const int code = c ? w >> 8 : w & 0xFF;
            const double v = sc.Volts(c, code);
            r.Min[c] = std::min(r.Min[c], code);
            r.Max[c] = std::max(r.Max[c], code);
            r.MinV[c] = std::min(r.MinV[c], v);
            r.MaxV[c] = std::max(r.MaxV[c], v);
            r.Sum[c] += v;
            r.Sq[c] += static_cast<long double>(v) * v;
        }
    }
    return r;
}

TEST(IndexTest, StatsOfRandomSpansEqualABruteForcePassAtEveryLevel) {
    TRandomFile f(99, 4000000, true);
    ASSERT_TRUE(f.Reader);
    const auto &r = *f.Reader;
    ASSERT_EQ(r.Measurements().size(), f.Gen.Periods.size());
    ASSERT_GT(r.Index().EntryCount(4), 0u) << "no span reached level 4";
    std::mt19937_64 rng(7);
    int levels[kMaxLevels + 1] = {};
    for (int trial = 0; trial < 400; ++trial) {
        // Whole measurements first, then log-uniform span lengths at random
        // (non-period) times.
        const size_t count = f.Gen.Periods.size();
        const uint32_t m =
            static_cast<uint32_t>(trial < static_cast<int>(count) ? trial : rng() % count);
        const TTimeNs duration = r.Measurements()[m].Duration;
        ASSERT_EQ(r.Measurements()[m].Periods, f.Gen.Periods[m].size());
        const double len = std::pow(static_cast<double>(duration), (rng() % 1000) / 1000.0);
        const bool whole = trial < static_cast<int>(count);
        const TTimeNs from =
            whole ? 0 : static_cast<TTimeNs>(rng() % static_cast<uint64_t>(duration));
        const TTimeNs to =
            whole ? duration : std::min<TTimeNs>(duration, from + 1 + static_cast<TTimeNs>(len));
        const uint64_t k0 = f.PeriodAt(m, from), k1 = f.PeriodAt(m, to);
        const TRef ref = Reference(f.Gen, m, k0, k1);
        const TSpanStats st = r.Stats(m, from, to);
        ASSERT_EQ(st.Periods, k1 - k0) << "trial " << trial;
        ASSERT_EQ(st.Channel[0].Samples, ref.Samples);
        for (int c = 0; c < 2; ++c) {
            if (ref.Samples == 0) continue;
            const TChannelStats &cs = st.Channel[c];
            EXPECT_EQ(cs.MinCode, ref.Min[c]);
            EXPECT_EQ(cs.MaxCode, ref.Max[c]);
            EXPECT_EQ(cs.MinV, ref.MinV[c]);
            EXPECT_EQ(cs.MaxV, ref.MaxV[c]);
            const double mean = static_cast<double>(ref.Sum[c] / ref.Samples);
            const double rms = static_cast<double>(std::sqrt(ref.Sq[c] / ref.Samples));
            EXPECT_NEAR(cs.MeanV, mean, 1e-9 * (1 + std::fabs(mean))) << "trial " << trial;
            EXPECT_NEAR(cs.RmsV, rms, 1e-9 * (1 + rms)) << "trial " << trial;
        }
        for (int L = kMaxLevels; L >= 1; --L)
            if (k1 - k0 >= (k0 == 0 ? 1 : 2) * PeriodsPerEntry(L)) {
                ++levels[L];
                break;
            }
    }
    for (int L = 1; L <= 4; ++L)
        EXPECT_GT(levels[L], 0) << "no span long enough for level " << L;
}

TEST(IndexTest, FramesSearchesAndRawPeriodsAgreeWithTheModel) {
    TRandomFile f(5, 3000000, true);
    ASSERT_TRUE(f.Reader);
    const auto &r = *f.Reader;
    std::mt19937_64 rng(11);
    for (int trial = 0; trial < 60; ++trial) {
        const uint32_t m = static_cast<uint32_t>(rng() % f.Gen.Periods.size());
        const auto &words = f.Gen.Periods[m];
        const TTimeNs duration = r.Measurements()[m].Duration;
        const TTimeNs from = static_cast<TTimeNs>(rng() % static_cast<uint64_t>(duration));
        const TTimeNs to =
            from + 1 + static_cast<TTimeNs>(rng() % static_cast<uint64_t>(duration - from));
        // Frame: every value whose period begins in a column lies in its band.
        const int columns = 1 + static_cast<int>(rng() % 1920);
        std::vector<TColumn> cols(static_cast<size_t>(columns));
        r.Frame(m, from, to, columns, cols.data());
        const uint64_t k0 = f.PeriodAt(m, from), k1 = f.PeriodAt(m, to);
        for (uint64_t k = k0; k < k1; k += 1 + (k1 - k0) / 5000) {
            if (words[k] == kWordMarker2) continue;
            const TTimeNs t = f.Gen.TimeOf(m, k);
            const int col =
                static_cast<int>(static_cast<long double>(t - from) * columns / (to - from));
            const TColumn &c = cols[static_cast<size_t>(std::min(col, columns - 1))];
            bool inside = false; // the column or a neighbour (an entry may straddle an edge)
            for (int d = -1; d <= 1; ++d) {
                const int j = std::clamp(col + d, 0, columns - 1);
                const TColumn &n = cols[static_cast<size_t>(j)];
                inside = inside || (n.Samples > 0 && n.MinCode[0] <= (words[k] & 0xFF) &&
                                    (words[k] & 0xFF) <= n.MaxCode[0]);
            }
            EXPECT_TRUE(inside) << "trial " << trial << " period " << k << " column " << col
                                << " band " << int(c.MinCode[0]) << ".." << int(c.MaxCode[0]);
        }
        // Rising crossing through a level in volts, forward and backward.
        const TScale &sc = f.Gen.SectionOf(m, k0 < words.size() ? k0 : 0).Scale;
        const double level = sc.Volts(0, 100 + static_cast<double>(rng() % 60) + 0.5);
        const TTimeNs t = from;
        TTimeNs expectNext = -1, expectPrev = -1;
        int prev = -1; // -1 none, 0 below, 1 at or above
        for (uint64_t k = 0; k < words.size(); ++k) {
            if (words[k] == kWordMarker2) continue;
            const int side = f.Gen.SectionOf(m, k).Scale.Volts(0, words[k] & 0xFF) >= level;
            const TTimeNs tk = f.Gen.TimeOf(m, k);
            if (prev == 0 && side == 1) {
                if (tk < t) expectPrev = tk;
                if (tk > t && expectNext < 0) expectNext = tk;
            }
            prev = side;
        }
        TTimeNs got = -1;
        EXPECT_EQ(r.FindCrossing(m, t, true, 0, level, CrossingKind::Rising, &got),
                  expectNext >= 0);
        if (expectNext >= 0) {
            EXPECT_EQ(got, expectNext) << "trial " << trial;
        }
        got = -1;
        EXPECT_EQ(r.FindCrossing(m, t, false, 0, level, CrossingKind::Rising, &got),
                  expectPrev >= 0);
        if (expectPrev >= 0) {
            EXPECT_EQ(got, expectPrev) << "trial " << trial;
        }
        // The next ARM-marker period after t.
        TTimeNs arm = -1;
        for (uint64_t k = 0; k < words.size() && arm < 0; ++k)
            if (words[k] == kWordMarker2 && f.Gen.TimeOf(m, k) > t) arm = f.Gen.TimeOf(m, k);
        got = -1;
        EXPECT_EQ(r.FindMark(m, t, true, MarkKind::ArmMarker, &got), arm >= 0);
        if (arm >= 0) {
            EXPECT_EQ(got, arm);
        }
        // Raw periods of a random stretch of a section.
        const TPosition p = r.Locate(m, from);
        if (p.Period < r.Sections()[p.Section].Periods) {
            std::vector<uint16_t> raw(3000);
            const uint64_t n = r.ReadPeriods(p.Section, p.Period, raw.size(), raw.data());
            const uint64_t k = f.PeriodAt(m, r.TimeOf(p));
            ASSERT_GT(n, 0u);
            for (uint64_t i = 0; i < n; ++i)
                ASSERT_EQ(raw[i], words[k + i]) << "trial " << trial << " period " << i;
        }
    }
}

TEST(IndexTest, WorkerBuildPublishesUsablePartsAndMatchesTheDirectBuild) {
    TRandomFile f(3, 12000000, false);
    ASSERT_TRUE(f.Reader);
    std::filesystem::remove(f.File->IndexPath());
    auto mapping = f.File->Mapping();
    std::mutex lock; // guards parts, filled on the worker thread
    std::vector<std::shared_ptr<const TSummaryIndexVexaRM>> parts;
    TIndexBuilderVexaRM *builder = nullptr;
    TIndexBuilderVexaRM worker(
        mapping, nullptr, f.File->IndexPath(),
        [&] {
            std::lock_guard<std::mutex> g(lock);
            if (builder && builder->Snapshot()) parts.push_back(builder->Snapshot());
        },
        8u << 20);
    {
        std::lock_guard<std::mutex> g(lock);
        builder = &worker;
    }
    const TIndexResult res = worker.Wait();
    ASSERT_TRUE(res.Index);
    EXPECT_TRUE(res.Saved);
    EXPECT_EQ(res.Index->Sections().size(), f.Reader->Sections().size());
    EXPECT_EQ(res.Index->EntryCount(1), f.Reader->Index().EntryCount(1));
    std::lock_guard<std::mutex> g(lock);
    // Parts come from snapshots of the scan as it went along (the first
    // ones may have been published before the callback saw the builder).
    int partial = 0;
    for (const auto &part : parts) {
        if (part->CoveredBytes() >= mapping->Bytes()) continue;
        ++partial;
        TRecordReaderVexaRM pr(mapping, part);
        // Every measurement the part holds whole answers like the model.
        for (uint32_t m = 0; m + 1 < pr.Measurements().size(); ++m) {
            const TSpanStats st = pr.Stats(m, 0, INT64_MAX);
            const TRef ref = Reference(f.Gen, m, 0, f.Gen.Periods[m].size());
            ASSERT_EQ(st.Channel[1].Samples, ref.Samples);
            EXPECT_EQ(st.Channel[1].MaxCode, ref.Max[1]);
        }
    }
    EXPECT_GT(partial, 0) << "no snapshot of a part";
}

TEST(IndexTest, CancelledBuildLeavesNoIndexAndAStaleIndexIsRebuilt) {
    TRandomFile f(8, 300000, false);
    ASSERT_TRUE(f.Reader);
    const std::string ind = f.File->IndexPath();
    std::filesystem::remove(ind);
    const TIndexResult cancelled = TIndexBuilderVexaRM::Build(
        *f.File->Mapping(), nullptr, ind, [](uint64_t, uint64_t) { return false; });
    EXPECT_FALSE(cancelled.Index);
    EXPECT_FALSE(std::filesystem::exists(ind));
    // An index of another file of the same name is stale and rebuilt.
    ASSERT_TRUE(f.File->RebuildIndex().Index);
    {
        std::ofstream out(f.Path, std::ios::binary | std::ios::in | std::ios::out);
        out.seekp(200);
        out.put('\x33').put('\x44');
    }
    std::string error;
    auto again = TRecordFileVexaRM::Open(f.Path, &error);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->LoadIndex(), TRecordFileVexaRM::LoadStatus::Stale);
    const TIndexResult rebuilt = again->EnsureIndex();
    ASSERT_TRUE(rebuilt.Index);
    EXPECT_FALSE(rebuilt.Extended);
    // A damaged (cut short) index file is not trusted either.
    std::filesystem::resize_file(ind, std::filesystem::file_size(ind) - 8);
    auto third = TRecordFileVexaRM::Open(f.Path, &error);
    EXPECT_NE(third->LoadIndex(), TRecordFileVexaRM::LoadStatus::Current);
}

} // namespace
} // namespace vexa::rec::test
