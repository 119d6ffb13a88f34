// The reader on crafted streams: faults, markers, rate changes and gaps at
// known places; and a file that grows in pieces cut anywhere (in the middle
// of records and words) ends with the same index as one built at once; a
// file shortened under a reader reads as zeros there and is indexed again.
#include "recfile/RecordFileVexaRM.h"
#include "RecordGen.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace vexa::rec::test {
namespace {

std::unique_ptr<TRecordFileVexaRM> OpenIndexed(const std::string &path) {
    std::string error;
    auto f = TRecordFileVexaRM::Open(path, &error);
    EXPECT_TRUE(f) << error;
    if (f) {
        EXPECT_TRUE(f->EnsureIndex().Index);
    }
    return f;
}

TEST(ReaderTest, CraftedStreamGivesMeasurementsSectionsEventsAndProblemsAtTheirPlaces) {
    const std::string dir = vexa::test::MakeTempDir("recfile");
    TRecordGen g;
    // Three samples before any start: a measurement of their own, no scale.
    g.Record({0x0505, 0x0606, 0x0707});
    g.Scale.Rate = 1000;
    g.Scale.Zero[0] = g.Scale.Zero[1] = 128;
    g.Scale.Deflection[0] = 100;
    g.Scale.Deflection[1] = 200;
    g.Start();
    for (int i = 0; i < 1000; ++i)
        g.Sample(0x40A0); // A 160, B 64
    const uint64_t zeroLengthAt = g.Words.size() * 2;
    g.Harmless(2);
    const uint64_t unknownAt = g.Words.size() * 2;
    g.Harmless(1);
    g.Arm(5);
    g.Device();
    g.SetRate(2000);
    for (int i = 0; i < 500; ++i)
        g.Sample(0x8080);
    g.Gap(300);
    for (int i = 0; i < 200; ++i)
        g.Sample(0x8181);
    g.Stop();
    g.Start();
    for (int i = 0; i < 100; ++i)
        g.Sample(0x9090);
    const uint64_t cutAt = g.Words.size() * 2;
    g.Record({0, 6, kRecLevelA}); // cut off: three of its six words
    const std::string path = dir + "/crafted.rmd";
    g.WriteTo(path);
    { // and half a word
        std::ofstream out(path, std::ios::binary | std::ios::app);
        out.put('\x11');
    }
    auto f = OpenIndexed(path);
    ASSERT_TRUE(f);
    auto r = f->Reader();
    const auto &ms = r->Measurements();
    ASSERT_EQ(ms.size(), 3u);
    EXPECT_FALSE(ms[0].HasStart);
    EXPECT_FALSE(ms[0].Complete);
    EXPECT_EQ(ms[0].Periods, 3u);
    EXPECT_FALSE(r->Sections()[ms[0].FirstSection].Scale.ScaleKnown(0));
    EXPECT_EQ(r->Sections()[ms[0].FirstSection].Scale.Rate, 0u);

    const TMeasurement &m = ms[1];
    EXPECT_TRUE(m.HasStart && m.Complete);
    EXPECT_EQ(m.Periods, 1705u);
    EXPECT_EQ(m.ArmMarkers, 5u);
    EXPECT_EQ(m.DeviceMarkers, 1u);
    EXPECT_EQ(m.Gaps, 1u);
    EXPECT_EQ(m.LostPeriods, 300u);
    ASSERT_EQ(m.SectionCount, 3u);
    const TSection *s = &r->Sections()[m.FirstSection];
    EXPECT_EQ(s[0].Periods, 1005u);
    EXPECT_EQ(s[0].Scale.Rate, 1000u);
    EXPECT_EQ(s[1].Start, 1005000000);
    EXPECT_EQ(s[1].Scale.Rate, 2000u);
    EXPECT_EQ(s[2].Start, 1405000000); // 1.255 s + 300 periods of 0.5 ms
    EXPECT_EQ(s[2].GapBefore, 300u);
    EXPECT_EQ(m.Duration, 1505000000);

    const auto events = r->EventsIn(1, 0, INT64_MAX);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].Kind, EventKind::ArmMarkers);
    EXPECT_EQ(events[0].Time, 1000000000);
    EXPECT_EQ(events[0].Count, 5u);
    EXPECT_EQ(events[1].Kind, EventKind::DeviceMarker);
    EXPECT_EQ(events[1].Time, 1005000000);
    EXPECT_EQ(events[2].Kind, EventKind::Gap);
    EXPECT_EQ(events[2].Time, 1405000000);

    const TSpanStats st = r->Stats(1, 0, 1000000000);
    EXPECT_EQ(st.Channel[0].Samples, 1000u);
    EXPECT_DOUBLE_EQ(st.Channel[0].MinV, 0.1);  // (160 - 128) x 100 / 32 mV
    EXPECT_DOUBLE_EQ(st.Channel[1].MaxV, -0.4); // (64 - 128) x 200 / 32 mV
    EXPECT_DOUBLE_EQ(st.Channel[1].RmsV, 0.4);
    // Searches land on the marker, the ARM run and after the gap.
    TTimeNs t = 0;
    ASSERT_TRUE(r->FindMark(1, 0, true, MarkKind::ArmMarker, &t));
    EXPECT_EQ(t, 1000000000);
    ASSERT_TRUE(r->FindMark(1, 1500000000, false, MarkKind::Gap, &t));
    EXPECT_EQ(t, 1405000000);
    ASSERT_TRUE(r->FindMark(1, 0, true, MarkKind::DeviceMarker, &t));
    EXPECT_EQ(t, 1005000000);

    EXPECT_EQ(ms[2].Periods, 100u);
    EXPECT_FALSE(ms[2].Complete);
    const auto problems = r->Problems();
    std::vector<std::pair<ProblemKind, uint64_t>> got;
    for (const TProblem &p : problems)
        got.push_back({p.Kind, p.Offset});
    const std::vector<std::pair<ProblemKind, uint64_t>> want = {
        {ProblemKind::Incomplete, 0},          {ProblemKind::ZeroLength, zeroLengthAt},
        {ProblemKind::UnknownType, unknownAt}, {ProblemKind::Incomplete, ms[2].StartOffset},
        {ProblemKind::CutOff, cutAt},          {ProblemKind::OddLength, cutAt + 6},
    };
    EXPECT_EQ(got, want);
    EXPECT_NE(problems[2].Text().find("77"), std::string::npos);
    std::filesystem::remove_all(dir);
}

TEST(ReaderTest, FileGrowingInPiecesCutAnywhereEndsWithTheIndexOfTheWholeFile) {
    const std::string dir = vexa::test::MakeTempDir("recfile");
    std::mt19937_64 rng(1234);
    TRecordGen g;
    g.Random(rng, 1500000);
    const auto *bytes = reinterpret_cast<const char *>(g.Words.data());
    const uint64_t total = g.Words.size() * 2;
    const std::string path = dir + "/growing.rmd";
    std::ofstream(path, std::ios::binary | std::ios::trunc).close();
    uint64_t written = 0;
    int extended = 0;
    while (written < total) {
        // Odd and even cuts, inside records and inside words.
        const uint64_t piece = std::min<uint64_t>(total - written, 1 + rng() % (total / 6));
        {
            std::ofstream out(path, std::ios::binary | std::ios::app);
            out.write(bytes + written, static_cast<std::streamsize>(piece));
        }
        written += piece;
        std::string error;
        auto f = TRecordFileVexaRM::Open(path, &error);
        if (!f) continue; // no record seen yet in a tiny first piece
        const auto status = f->LoadIndex();
        const TIndexResult res = f->EnsureIndex();
        ASSERT_TRUE(res.Index);
        if (status == TRecordFileVexaRM::LoadStatus::Grown) {
            EXPECT_TRUE(res.Extended);
            ++extended;
        }
        EXPECT_EQ(res.Index->CoveredBytes(), written);
        // A piece that ends inside a record reports it as cut off, only there.
        for (const TProblem &p : f->Reader()->Problems())
            if (p.Kind == ProblemKind::CutOff || p.Kind == ProblemKind::OddLength) {
                EXPECT_GE(p.Offset + 16, written);
            }
    }
    EXPECT_GE(extended, 3);
    auto grown = OpenIndexed(path);
    ASSERT_TRUE(grown);
    std::filesystem::remove(TRecordFileVexaRM::IndexPathFor(path));
    auto whole = OpenIndexed(path);
    const TSummaryIndexVexaRM &a = *grown->Index(), &b = *whole->Index();
    ASSERT_EQ(a.Measurements().size(), b.Measurements().size());
    ASSERT_EQ(a.Sections().size(), b.Sections().size());
    ASSERT_EQ(a.Events().size(), b.Events().size());
    for (size_t i = 0; i < a.Sections().size(); ++i)
        ASSERT_EQ(0, std::memcmp(&a.Sections()[i], &b.Sections()[i], sizeof(TSection))) << i;
    for (size_t i = 0; i < a.Measurements().size(); ++i) {
        EXPECT_EQ(a.Measurements()[i].Periods, b.Measurements()[i].Periods);
        EXPECT_EQ(a.Measurements()[i].Duration, b.Measurements()[i].Duration);
    }
    for (size_t i = 0; i < a.Events().size(); ++i) {
        EXPECT_EQ(a.Events()[i].Time, b.Events()[i].Time);
        EXPECT_EQ(a.Events()[i].Count, b.Events()[i].Count);
    }
    for (int level = 1; level <= kMaxLevels; ++level) {
        ASSERT_EQ(a.EntryCount(level), b.EntryCount(level)) << level;
        for (uint64_t i = 0; i < a.EntryCount(level); ++i) {
            const TSummary x = a.Entry(level, i), y = b.Entry(level, i);
            ASSERT_TRUE(x.Values == y.Values && x.Sum[0] == y.Sum[0] && x.Sum[1] == y.Sum[1] &&
                        x.SumSquares[0] == y.SumSquares[0] && x.Min[1] == y.Min[1] &&
                        x.Max[0] == y.Max[0] && x.Flags == y.Flags)
                << "level " << level << " entry " << i;
        }
    }
    std::filesystem::remove_all(dir);
}

TEST(ReaderTest, FileShortenedUnderAReaderReadsZerosThereAndIsIndexedAgain) {
    // The recording program clears its record file while it is viewed.
    const std::string dir = vexa::test::MakeTempDir("recfile");
    std::mt19937_64 rng(99);
    TRecordGen g;
    g.Random(rng, 400000);
    const std::string path = dir + "/cleared.rmd";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char *>(g.Words.data()),
                  static_cast<std::streamsize>(g.Words.size() * 2));
    }
    auto f = OpenIndexed(path);
    ASSERT_TRUE(f);
    const auto reader = f->Reader();
    const uint64_t before = f->Bytes();
    const uint64_t kept = 3 * 4096 + 100; // past a page start, inside a page
    ASSERT_GT(before, kept + 8 * 4096);
    ASSERT_EQ(0, ::truncate(path.c_str(), static_cast<off_t>(kept)));

    // Every word of the old mapping can still be read: the kept part is the
    // file's, the rest reads zero instead of ending the program.
    const auto *words = reinterpret_cast<const uint16_t *>(reader->MappedData());
    uint64_t sum = 0, nonzeroPast = 0;
    for (uint64_t i = 0; i < before / 2; ++i) {
        sum += words[i];
        if (i * 2 >= kept && words[i] != 0) ++nonzeroPast;
    }
    EXPECT_EQ(0u, nonzeroPast);
    EXPECT_EQ(0, std::memcmp(words, g.Words.data(), kept));
    // Queries over the whole old span run to their end as well.
    for (uint32_t m = 0; m < reader->Measurements().size(); ++m) {
        const TMeasurement &ms = reader->Measurements()[m];
        (void)reader->Stats(m, 0, ms.Duration);
    }

    std::string error;
    EXPECT_TRUE(f->Refresh(&error)) << error;
    EXPECT_EQ(kept, f->Bytes());
    EXPECT_FALSE(f->Index()); // the shorter file needs its index anew
    const TIndexResult again = f->EnsureIndex();
    ASSERT_TRUE(again.Index);
    EXPECT_EQ(kept, again.Index->CoveredBytes());
    EXPECT_GT(sum, 0u);
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace vexa::rec::test
