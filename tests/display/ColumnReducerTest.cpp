// Column reduction: the stream rules, block boundaries, the ring and the
// width limit, and a comparison with a word-by-word reference on long
// mixed streams cut into random blocks.
#include "display/ColumnReducerVexaRM.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <vector>

namespace vexa {
namespace {

constexpr int kNoLimit = -1;

uint16_t Pair(int a, int b) {
    return uint16_t(a | (b << 8));
}
uint16_t Inverted(int a, int b) {
    return uint16_t((255 - a) | ((255 - b) << 8));
}

int64_t Feed(TColumnReducerVexaRM &r, const std::vector<uint16_t> &words, int64_t b,
             int width = kNoLimit) {
    return r.Reduce(words.data(), int(words.size()), b, width);
}

// The rules of the stream applied one word at a time to the stream as a
// whole, without blocks, chunks or shortcuts.
struct ReferenceReducer {
    std::array<std::array<uint16_t, 2048>, 4> rings{};
    int head = 0;
    bool wrapped = false;
    int64_t columns = 0;
    int64_t count = 0, sumA = 0, sumB = 0;
    int maxA = 0, minA = 255, maxB = 0, minB = 255;

    void Reset() {
        count = sumA = sumB = 0;
        maxA = maxB = 0;
        minA = minB = 255;
    }
    void Write(uint16_t s, uint16_t mx, uint16_t mn, uint16_t av) {
        rings[0][head] = s;
        rings[1][head] = mx;
        rings[2][head] = mn;
        rings[3][head] = av;
        head = (head + 1) % 2048;
        if (head == 0) wrapped = true;
        ++columns;
        Reset();
    }
    uint16_t Previous() const { return rings[0][(head + 2047) % 2048]; }
    void Run(const std::vector<uint16_t> &stream, int64_t b) {
        Run(stream, std::vector<int64_t>(stream.size(), b));
    }
    // With the samples per column in force at each word of the stream.
    void Run(const std::vector<uint16_t> &stream, const std::vector<int64_t> &perColumn) {
        size_t i = 0;
        while (i < stream.size()) {
            const uint16_t w = stream[i];
            if (w == 0) {
                if (Previous() != 0xFFFF) Write(0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF);
                if (i + 1 >= stream.size()) break;
                const uint16_t length = stream[i + 1];
                i += length == 0 ? 1 : length;
            } else if (w == 1) {
                Write(0xFF01, 0xFF01, 0xFF01, 0xFF01);
                ++i;
            } else if (w == 2) {
                if (Previous() != 0xFF02) Write(0xFF02, 0xFF02, 0xFF02, 0xFF02);
                ++i;
            } else {
                const int a = w & 0xFF, bb = w >> 8;
                sumA += a;
                sumB += bb;
                maxA = std::max(maxA, a);
                minA = std::min(minA, a);
                maxB = std::max(maxB, bb);
                minB = std::min(minB, bb);
                if (++count >= perColumn[i])
                    Write(Inverted(a, bb), Inverted(maxA, maxB), Inverted(minA, minB),
                          Inverted(int(sumA / count), int(sumB / count)));
                ++i;
            }
        }
    }
};

// A stream such as the data flow delivers: sample pairs, markers 1, runs of
// markers 2, and groups of setting records (including the odd lengths 0 and
// 1) whose payloads hold the reserved values 0, 1 and 2; about 13 of every
// sparseness words start something other than a sample pair.
std::vector<uint16_t> MixedStream(std::mt19937 &rng, size_t words, int sparseness) {
    std::vector<uint16_t> s;
    std::uniform_int_distribution<int> code(1, 255), pick(0, sparseness - 1), small(0, 4);
    while (s.size() < words) {
        const int p = pick(rng);
        if (p < 4) {
            s.push_back(1);
        } else if (p < 8) {
            for (int k = small(rng) + 1; k > 0; --k)
                s.push_back(2);
        } else if (p < 11) {
            for (int k = small(rng) + 1; k > 0; --k) {
                const int length = 3 + small(rng);
                s.push_back(0);
                s.push_back(uint16_t(length));
                for (int m = 2; m < length; ++m)
                    s.push_back(uint16_t(small(rng) % 3));
            }
        } else if (p == 11) {
            // A length of 0 skips the introducer alone; the next introducer
            // starts a proper record.
            for (uint16_t w : {0, 0, 4, 1, 2})
                s.push_back(w);
        } else if (p == 12) {
            // A length of 1 skips the introducer alone; the length word
            // itself is then a marker 1.
            s.push_back(0);
            s.push_back(1);
        } else {
            s.push_back(Pair(code(rng), code(rng)));
        }
    }
    return s;
}

void ExpectSameState(const TColumnReducerVexaRM &r, const ReferenceReducer &ref) {
    ASSERT_EQ(r.Head(), ref.head);
    ASSERT_EQ(r.Wrapped(), ref.wrapped);
    for (int p = 0; p < 2048; ++p) {
        ASSERT_EQ(r.SampleAt(p), ref.rings[0][p]) << "sample ring at " << p;
        ASSERT_EQ(r.MaxAt(p), ref.rings[1][p]) << "max ring at " << p;
        ASSERT_EQ(r.MinAt(p), ref.rings[2][p]) << "min ring at " << p;
        ASSERT_EQ(r.AvgAt(p), ref.rings[3][p]) << "avg ring at " << p;
    }
    EXPECT_EQ(r.Count(), ref.count);
    EXPECT_EQ(r.SumA(), ref.sumA);
    EXPECT_EQ(r.SumB(), ref.sumB);
    EXPECT_EQ(r.MaxA(), ref.maxA);
    EXPECT_EQ(r.MinA(), ref.minA);
    EXPECT_EQ(r.MaxB(), ref.maxB);
    EXPECT_EQ(r.MinB(), ref.minB);
}

TEST(ColumnReducer, SamplesPerColumnFollowsTheRateTables) {
    EXPECT_EQ(TColumnReducerVexaRM::SamplesPerColumn(10, 3), 2000);  // 100 kS/s, 1 s/div
    EXPECT_EQ(TColumnReducerVexaRM::SamplesPerColumn(15, 0), 10000); // 5 MS/s, 0.1 s/div
    EXPECT_EQ(TColumnReducerVexaRM::SamplesPerColumn(15, 16), 2000000000LL);
    EXPECT_EQ(TColumnReducerVexaRM::SamplesPerColumn(0, 3), 1);
    EXPECT_EQ(TColumnReducerVexaRM::SamplesPerColumn(2, 1), 1); // 5 x 0.2
    EXPECT_EQ(TColumnReducerVexaRM::SamplesPerColumn(4, 1), 4); // 20 x 0.2
    // A pair the rate coupling forbids still gives a usable column width,
    // and indices beyond the tables are held at their ends.
    EXPECT_EQ(TColumnReducerVexaRM::SamplesPerColumn(0, 0), 1);
    EXPECT_EQ(TColumnReducerVexaRM::SamplesPerColumn(99, -4), 10000);
}

TEST(ColumnReducer, ColumnsCarryLastMaxMinAverageAndRestStaysInTheAccumulator) {
    TColumnReducerVexaRM r;
    const std::vector<uint16_t> block = {Pair(10, 200),  Pair(20, 100), Pair(31, 150), Pair(40, 50),
                                         Pair(5, 9),     Pair(6, 8),    Pair(7, 7),    Pair(250, 3),
                                         Pair(100, 101), Pair(11, 12)};
    EXPECT_EQ(Feed(r, block, 4), 2);
    EXPECT_EQ(r.Head(), 2);
    EXPECT_EQ(r.SampleAt(0), Inverted(40, 50));
    EXPECT_EQ(r.MaxAt(0), Inverted(40, 200));
    EXPECT_EQ(r.MinAt(0), Inverted(10, 50));
    EXPECT_EQ(r.AvgAt(0), Inverted(101 / 4, 500 / 4)); // integer averages 25, 125
    EXPECT_EQ(r.SampleAt(1), Inverted(250, 3));
    EXPECT_EQ(r.MaxAt(1), Inverted(250, 9));
    EXPECT_EQ(r.MinAt(1), Inverted(5, 3));
    EXPECT_EQ(r.AvgAt(1), Inverted(268 / 4, 27 / 4));
    // Two samples wait for the next block, which completes the column.
    EXPECT_EQ(r.Count(), 2);
    EXPECT_EQ(r.SumA(), 111);
    EXPECT_EQ(r.SumB(), 113);
    EXPECT_EQ(Feed(r, {Pair(1, 255), Pair(3, 4)}, 4), 1);
    EXPECT_EQ(r.SampleAt(2), Inverted(3, 4));
    EXPECT_EQ(r.MaxAt(2), Inverted(100, 255));
    EXPECT_EQ(r.MinAt(2), Inverted(1, 4));
    EXPECT_EQ(r.Count(), 0);
}

TEST(ColumnReducer, AColumnFullerThanANewSmallerWidthEndsWithTheNextSample) {
    TColumnReducerVexaRM r;
    EXPECT_EQ(Feed(r, {Pair(10, 10), Pair(30, 30), Pair(20, 20)}, 4), 0);
    // The display rate changed: two samples per column, three are waiting.
    EXPECT_EQ(Feed(r, {Pair(5, 40), Pair(7, 7), Pair(9, 9), Pair(11, 11)}, 2), 2);
    EXPECT_EQ(r.SampleAt(0), Inverted(5, 40));
    EXPECT_EQ(r.MaxAt(0), Inverted(30, 40));
    EXPECT_EQ(r.MinAt(0), Inverted(5, 10));
    EXPECT_EQ(r.AvgAt(0), Inverted(65 / 4, 100 / 4));
    EXPECT_EQ(r.SampleAt(1), Inverted(9, 9));
    EXPECT_EQ(r.Count(), 1);
    // And down to one sample per column with one sample waiting.
    EXPECT_EQ(Feed(r, {Pair(3, 4), 1, Pair(5, 6)}, 1), 3);
    EXPECT_EQ(r.SampleAt(2), Inverted(3, 4));
    EXPECT_EQ(r.MaxAt(2), Inverted(11, 11));
    EXPECT_EQ(r.SampleAt(3), kColumnMarker1);
    EXPECT_EQ(r.AvgAt(4), Inverted(5, 6));
    EXPECT_EQ(r.MinAt(4), Inverted(5, 6));
    EXPECT_EQ(r.Head(), 5);
}

TEST(ColumnReducer, RecordGroupsAndMarkers) {
    TColumnReducerVexaRM r;
    // A group of three records: one red column. A second group right after
    // it in another block: none. A partly built column is discarded.
    Feed(r, {Pair(50, 50), 0, 4, 1, 1, 0, 5, 10, 0x4B40, 0x004C, 0, 6, 2, 1, 2, 0}, 2);
    EXPECT_EQ(r.Head(), 1);
    EXPECT_EQ(r.SampleAt(0), kColumnRecord);
    EXPECT_EQ(r.MaxAt(0), kColumnRecord);
    EXPECT_EQ(r.Count(), 0);
    EXPECT_EQ(Feed(r, {0, 4, 8, 1}, 2), 0);
    EXPECT_EQ(r.Head(), 1);

    // Three markers 2 give one olive column, three markers 1 three red ones.
    EXPECT_EQ(Feed(r, {2, 2, 2}, 2), 1);
    EXPECT_EQ(r.SampleAt(1), kColumnMarker2);
    EXPECT_EQ(Feed(r, {1, 1, 1}, 2), 3);
    for (int p = 2; p < 5; ++p) {
        EXPECT_EQ(r.SampleAt(p), kColumnMarker1);
        EXPECT_EQ(r.AvgAt(p), kColumnMarker1);
        EXPECT_EQ(r.MinAt(p), kColumnMarker1);
    }
    // A marker 2 after a marker 1 is a new column; one that follows a
    // marker 2 across a block boundary is not.
    EXPECT_EQ(Feed(r, {2}, 2), 1);
    EXPECT_EQ(Feed(r, {2, 2}, 2), 0);
    // Samples between markers 2 end the run only when they form a column.
    EXPECT_EQ(Feed(r, {Pair(9, 9), 2}, 2), 0);
    EXPECT_EQ(Feed(r, {Pair(9, 9), Pair(9, 9), 2}, 2), 2);
}

TEST(ColumnReducer, RecordWithLengthZeroIsSkippedAsOneWord) {
    TColumnReducerVexaRM r;
    // The first introducer has length 0: it alone is skipped, and the next
    // word starts the record [0, 4, 1, 1]; then one column of 4 samples.
    const uint16_t s = Pair(77, 88);
    EXPECT_EQ(Feed(r, {0, 0, 4, 1, 1, s, s, s, s}, 4), 2);
    EXPECT_EQ(r.SampleAt(0), kColumnRecord);
    EXPECT_EQ(r.SampleAt(1), Inverted(77, 88));
    EXPECT_EQ(r.Count(), 0);
}

TEST(ColumnReducer, RecordsCrossingBlockBoundariesAreSkippedWhole) {
    const std::vector<uint16_t> stream = {Pair(3, 3), 0, 6, 2, 1, 2, 0, 1, Pair(9, 8), 2};
    for (size_t cut = 1; cut < stream.size(); ++cut) {
        for (size_t cut2 = cut; cut2 < stream.size(); ++cut2) {
            TColumnReducerVexaRM r;
            int64_t columns = 0;
            columns += r.Reduce(stream.data(), int(cut), 1, kNoLimit);
            columns += r.Reduce(stream.data() + cut, int(cut2 - cut), 1, kNoLimit);
            columns += r.Reduce(stream.data() + cut2, int(stream.size() - cut2), 1, kNoLimit);
            SCOPED_TRACE("cuts " + std::to_string(cut) + ", " + std::to_string(cut2));
            ASSERT_EQ(columns, 5);
            EXPECT_EQ(r.SampleAt(0), Inverted(3, 3));
            EXPECT_EQ(r.SampleAt(1), kColumnRecord);
            EXPECT_EQ(r.SampleAt(2), kColumnMarker1);
            EXPECT_EQ(r.SampleAt(3), Inverted(9, 8));
            EXPECT_EQ(r.SampleAt(4), kColumnMarker2);
        }
    }
}

TEST(ColumnReducer, HeadWrapsAndEmptyBlocksChangeNothing) {
    TColumnReducerVexaRM r;
    std::vector<uint16_t> samples(2046, Pair(40, 60));
    EXPECT_EQ(Feed(r, samples, 1), 2046);
    EXPECT_EQ(r.Head(), 2046);
    EXPECT_FALSE(r.Wrapped());
    EXPECT_EQ(r.ColumnCount(), 2046);
    EXPECT_EQ(Feed(r, {Pair(1, 2), Pair(3, 4), Pair(5, 6)}, 1), 3);
    EXPECT_EQ(r.Head(), 1);
    EXPECT_TRUE(r.Wrapped());
    EXPECT_EQ(r.ColumnCount(), 2048);
    EXPECT_EQ(r.SampleAt(2047), Inverted(3, 4));
    EXPECT_EQ(r.SampleAt(0), Inverted(5, 6));
    EXPECT_EQ(r.Reduce(nullptr, 0, 1, kNoLimit), 0);
    EXPECT_EQ(r.Reduce(samples.data(), 0, 1, kNoLimit), 0);
    EXPECT_EQ(r.Head(), 1);
    // More columns than the ring holds are all reported.
    std::vector<uint16_t> many(5000, Pair(9, 9));
    EXPECT_EQ(Feed(r, many, 1), 5000);
    EXPECT_EQ(r.Head(), (1 + 5000) % 2048);
    // Forgetting the columns keeps the ring words.
    r.ForgetColumns();
    EXPECT_EQ(r.Head(), 0);
    EXPECT_FALSE(r.Wrapped());
    EXPECT_EQ(r.SampleAt(5), Inverted(9, 9));
    r.ClearRing(TColumnReducerVexaRM::RingSample);
    EXPECT_EQ(r.SampleAt(5), 0);
    EXPECT_EQ(r.MaxAt(5), Inverted(9, 9));
}

TEST(ColumnReducer, SumsDoNotOverflowAtTheSlowestDisplayRates) {
    // 20 million words of code 255 sum to more than 32 bits can hold.
    TColumnReducerVexaRM r;
    const int64_t b = 20000000;
    std::vector<uint16_t> block(65536, Pair(255, 254));
    int64_t fed = 0;
    while (fed + int64_t(block.size()) < b) {
        ASSERT_EQ(Feed(r, block, b), 0);
        fed += int64_t(block.size());
    }
    EXPECT_EQ(r.Count(), fed);
    EXPECT_EQ(r.SumA(), 255 * fed);
    EXPECT_EQ(r.SumB(), 254 * fed);
    ASSERT_EQ(r.Reduce(block.data(), int(b - fed), b, kNoLimit), 1);
    EXPECT_EQ(r.AvgAt(0), Inverted(255, 254));
}

TEST(ColumnReducer, BlockWiderThanTheScreenReducesItsNewestWords) {
    const int width = 10, b = 3;
    // 40 words: n div b = 13 > 10, so only the newest 30 are reduced.
    std::vector<uint16_t> block;
    for (int k = 0; k < 40; ++k)
        block.push_back(Pair(10 + k, 100 + k));
    TColumnReducerVexaRM r;
    Feed(r, {Pair(1, 1)}, b); // a partly built column that the cut drops
    EXPECT_EQ(Feed(r, block, b, width), 10);
    EXPECT_EQ(r.SampleAt(0), Inverted(10 + 12, 100 + 12)); // words 10, 11, 12
    EXPECT_EQ(r.MinAt(0), Inverted(10 + 10, 100 + 10));
    EXPECT_EQ(r.SampleAt(9), Inverted(10 + 39, 100 + 39));
    EXPECT_EQ(r.Count(), 0);

    // A block exactly width x b + b - 1 words long is reduced whole.
    TColumnReducerVexaRM whole;
    block.resize(32);
    EXPECT_EQ(Feed(whole, block, b, width), 10);
    EXPECT_EQ(whole.Count(), 2);

    // A record that straddles the cut is skipped whole: its payload is not
    // read as samples or markers.
    std::vector<uint16_t> withRecord(40, Pair(50, 50));
    const std::vector<uint16_t> record = {0, 6, 2, 1, 2, 1};
    std::copy(record.begin(), record.end(), withRecord.begin() + 8); // words 8..13, cut at 10
    TColumnReducerVexaRM cut;
    EXPECT_EQ(Feed(cut, withRecord, b, width), 8); // words 14..39: 26 words
    for (int p = 0; p < 8; ++p)
        EXPECT_EQ(cut.SampleAt(p), Inverted(50, 50));
    EXPECT_EQ(cut.Count(), 2);
}

TEST(ColumnReducer, RandomBlocksMatchTheReferenceOnLongMixedStreams) {
    std::mt19937 rng(20261208);
    for (const int64_t b : {1, 3, 7, 100, 2000}) {
        const auto stream = MixedStream(rng, 150000, b >= 2000 ? 100000 : 1000);
        ReferenceReducer ref;
        ref.Run(stream, b);
        TColumnReducerVexaRM r;
        r.ClearRing(TColumnReducerVexaRM::RingSample);
        std::uniform_int_distribution<int> size(1, 3000), tiny(1, 4), kind(0, 3);
        int64_t columns = 0;
        size_t at = 0;
        while (at < stream.size()) {
            const int want = kind(rng) == 0 ? tiny(rng) : size(rng);
            const int n = int(std::min<size_t>(size_t(want), stream.size() - at));
            columns += r.Reduce(stream.data() + at, n, b, kNoLimit);
            at += size_t(n);
        }
        SCOPED_TRACE("b = " + std::to_string(b));
        if (b <= 7) {
            EXPECT_TRUE(ref.wrapped); // the ring went round at least once
        }
        EXPECT_GT(ref.columns, 40);
        EXPECT_EQ(columns, ref.columns);
        ExpectSameState(r, ref);
    }
}

TEST(ColumnReducer, RandomBlocksMatchTheReferenceWhileTheDisplayRateChanges) {
    std::mt19937 rng(77);
    const auto stream = MixedStream(rng, 200000, 1000);
    std::uniform_int_distribution<int> size(1, 1500), pickB(0, 4);
    const int64_t rates[] = {1, 2, 3, 7, 50};
    std::vector<int64_t> perColumn;
    std::vector<std::pair<int, int64_t>> blocks;
    for (size_t at = 0; at < stream.size();) {
        const int n = int(std::min<size_t>(size_t(size(rng)), stream.size() - at));
        const int64_t b = rates[pickB(rng)];
        blocks.emplace_back(n, b);
        perColumn.insert(perColumn.end(), size_t(n), b);
        at += size_t(n);
    }
    ReferenceReducer ref;
    ref.Run(stream, perColumn);
    TColumnReducerVexaRM r;
    int64_t columns = 0;
    size_t at = 0;
    for (const auto &[n, b] : blocks) {
        columns += r.Reduce(stream.data() + at, n, b, kNoLimit);
        at += size_t(n);
    }
    EXPECT_TRUE(ref.wrapped);
    EXPECT_EQ(columns, ref.columns);
    ExpectSameState(r, ref);
}

} // namespace
} // namespace vexa
