// The cursor readout against a brute-force pass over the generated words:
// random files with random sections, gaps, ARM and device markers, random
// cursor pairs (snapped as the view snaps them), every figure compared.
#include "viewer/CursorReadoutVexaRM.h"
#include "recfile/RecordFileVexaRM.h"
#include "tests/recfile/RecordGen.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace vexa::view {
namespace {

using rec::test::TRecordGen;

// Every period of a measurement with its time, as the model decided them.
struct TPeriod {
    TTimeNs Time;
    TTimeNs End; // the section's end (a period is in effect until the next one)
    uint16_t Word;
    const rec::TScale *Scale;
};

std::vector<TPeriod> PeriodsOf(const TRecordGen &gen, uint32_t m) {
    std::vector<TPeriod> out;
    for (const TRecordGen::Section &s : gen.Sections) {
        if (s.Measurement != m) continue;
        const uint32_t rate = s.Scale.Rate ? s.Scale.Rate : 1;
        const auto at = [&](uint64_t k) {
            return s.Start + static_cast<TTimeNs>(static_cast<__int128>(k) * 1000000000 / rate);
        };
        for (uint64_t k = 0; k < s.Count; ++k)
            out.push_back({at(k), at(s.Count), gen.Periods[m][s.FirstPeriod + k], &s.Scale});
    }
    return out;
}

double Volts(const rec::TScale &s, int ch, int code) {
    return (code - s.Zero[ch]) * static_cast<double>(s.Deflection[ch]) / 32000.0;
}

// The period in effect at t: the last one that began at or before t, while
// t lies before its section's end.
const TPeriod *InEffect(const std::vector<TPeriod> &p, TTimeNs t) {
    const TPeriod *hit = nullptr;
    for (const TPeriod &x : p)
        if (x.Time <= t) hit = &x;
    return hit && t < hit->End ? hit : nullptr;
}

std::string TempDir() {
    std::string dir = (std::filesystem::temp_directory_path() / "vexa-readout-XXXXXX").string();
    if (!mkdtemp(dir.data())) return {};
    return dir;
}

TEST(ReadoutTest, EqualsBruteForceOnRandomFilesAndSpans) {
    const std::string dir = TempDir();
    ASSERT_FALSE(dir.empty());
    std::mt19937_64 rng(20261208);
    for (int file = 0; file < 3; ++file) {
        TRecordGen gen;
        gen.Random(rng, 600000);
        const std::string path = dir + "/r" + std::to_string(file) + ".rmd";
        gen.WriteTo(path);
        std::string error;
        auto rf = rec::TRecordFileVexaRM::Open(path, &error);
        ASSERT_TRUE(rf) << error;
        ASSERT_TRUE(rf->EnsureIndex().Index);
        const auto reader = rf->Reader();
        ASSERT_EQ(reader->Measurements().size(), gen.Periods.size());
        for (int trial = 0; trial < 60; ++trial) {
            const uint32_t m = static_cast<uint32_t>(rng() % gen.Periods.size());
            const std::vector<TPeriod> periods = PeriodsOf(gen, m);
            if (periods.empty()) continue;
            const TTimeNs duration = reader->Measurements()[m].Duration;
            // Cursors anywhere, or on the exact start of a period (edges of
            // index entries and sections).
            auto pick = [&]() -> TTimeNs {
                if (rng() % 3 == 0) return periods[rng() % periods.size()].Time;
                return static_cast<TTimeNs>(rng() % static_cast<uint64_t>(duration + 1));
            };
            TTimeNs t[2] = {pick(), pick()};
            for (TTimeNs &x : t)
                x = TCursorReadoutVexaRM::Snap(*reader, m, x);
            const TCursorReadout r = TCursorReadoutVexaRM::Compute(*reader, m, t[0], t[1]);
            SCOPED_TRACE("file " + std::to_string(file) + " measurement " + std::to_string(m) +
                         " cursors " + std::to_string(t[0]) + " " + std::to_string(t[1]));

            EXPECT_EQ(r.Dt, t[1] - t[0]);
            if (t[0] != t[1]) {
                EXPECT_DOUBLE_EQ(r.InvDt, 1e9 / std::llabs(t[1] - t[0]));
            }
            for (int k = 0; k < 2; ++k) {
                const TPeriod *p = InEffect(periods, t[k]);
                // A snapped cursor stands on the start of its period.
                if (p) {
                    EXPECT_EQ(p->Time, t[k]);
                }
                for (int c = 0; c < 2; ++c) {
                    const TCursorValue &v = r.At[k][c];
                    if (!p) {
                        EXPECT_EQ(v.What, TCursorValue::None);
                    } else if (p->Word == kWordMarker2) {
                        EXPECT_EQ(v.What, TCursorValue::Arm);
                    } else {
                        const int code = c == 0 ? (p->Word & 0xFF) : (p->Word >> 8);
                        ASSERT_EQ(v.What, TCursorValue::Value);
                        EXPECT_EQ(v.Code, code);
                        EXPECT_DOUBLE_EQ(v.V, Volts(*p->Scale, c, code));
                    }
                }
            }
            // Everything between the cursors, both ends included.
            const TTimeNs lo = std::min(t[0], t[1]), hi = std::max(t[0], t[1]);
            uint64_t n = 0, arm = 0;
            double mn[2] = {1e300, 1e300}, mx[2] = {-1e300, -1e300};
            long double sum[2] = {0, 0}, sq[2] = {0, 0};
            for (const TPeriod &p : periods) {
                if (p.Time < lo || p.Time > hi) continue;
                if (p.Word == kWordMarker2) {
                    ++arm;
                    continue;
                }
                ++n;
                for (int c = 0; c < 2; ++c) {
                    const double v = Volts(*p.Scale, c, c == 0 ? (p.Word & 0xFF) : (p.Word >> 8));
                    mn[c] = std::min(mn[c], v);
                    mx[c] = std::max(mx[c], v);
                    sum[c] += v;
                    sq[c] += static_cast<long double>(v) * v;
                }
            }
            EXPECT_EQ(r.Stats.ArmMarkers, arm);
            for (int c = 0; c < 2; ++c) {
                const rec::TChannelStats &s = r.Stats.Channel[c];
                ASSERT_EQ(s.Samples, n) << "channel " << c;
                if (n == 0) continue;
                EXPECT_TRUE(s.ScaleKnown);
                EXPECT_EQ(s.MinV, mn[c]);
                EXPECT_EQ(s.MaxV, mx[c]);
                EXPECT_EQ(r.PeakToPeak[c], mx[c] - mn[c]);
                const double mean = static_cast<double>(sum[c] / n);
                const double rms = static_cast<double>(std::sqrt(sq[c] / n));
                EXPECT_NEAR(s.MeanV, mean, 1e-9 * (1 + std::fabs(mean)));
                EXPECT_NEAR(s.RmsV, rms, 1e-9 * (1 + rms));
            }
        }
    }
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace vexa::view
