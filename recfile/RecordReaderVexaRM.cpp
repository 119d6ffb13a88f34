#include "RecordReaderVexaRM.h"

#include "MappedFileVexaRM.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace vexa::rec {

namespace {
constexpr uint64_t kNone = UINT64_MAX;

uint64_t Pow16(int e) {
    uint64_t n = 1;
    for (int i = 0; i < e; ++i)
        n *= kLevelFanOut;
    return n;
}

// Volts (or codes where the scale is not known) of channel ch, accumulated
// over spans of different scales.
struct TVoltSums {
    uint64_t N = 0;
    double Min = std::numeric_limits<double>::infinity();
    double Max = -std::numeric_limits<double>::infinity();
    long double Sum = 0, SumSquares = 0;
    bool Known = true;

    void Add(const TScale &sc, int ch, const TSummary &s) {
        if (s.Values == 0) return;
        const bool known = sc.ScaleKnown(ch);
        Known = Known && known;
        // Exact in integers first: sum of (k - zero) and of (k - zero)^2.
        const __int128 n = s.Values, zero = known ? sc.Zero[ch] : 0;
        const __int128 d = static_cast<__int128>(s.Sum[ch]) - n * zero;
        const __int128 d2 = static_cast<__int128>(s.SumSquares[ch]) -
                            2 * zero * static_cast<__int128>(s.Sum[ch]) + n * zero * zero;
        const long double k =
            known ? static_cast<long double>(sc.Deflection[ch]) / (kCodesPerDivision * 1000.0L)
                  : 1.0L;
        Sum += static_cast<long double>(d) * k;
        SumSquares += static_cast<long double>(d2) * k * k;
        N += s.Values;
        const double lo = known ? sc.Volts(ch, s.Min[ch]) : s.Min[ch];
        const double hi = known ? sc.Volts(ch, s.Max[ch]) : s.Max[ch];
        Min = std::min(Min, lo);
        Max = std::max(Max, hi);
    }
};

// The code that stands for level in a section (volts when the scale is known).
double LevelCode(const TScale &sc, int ch, double level) {
    if (!sc.ScaleKnown(ch)) return level;
    return sc.Zero[ch] + level * kCodesPerDivision * 1000.0 / sc.Deflection[ch];
}

} // namespace

TRecordReaderVexaRM::TRecordReaderVexaRM(std::shared_ptr<const TMappedFileVexaRM> file,
                                         std::shared_ptr<const TSummaryIndexVexaRM> index)
    : FFile(std::move(file)), FIndex(std::move(index)), FWords(FFile->WordData()) {}

uint64_t TRecordReaderVexaRM::FileBytes() const {
    return FFile->Bytes();
}
const std::string &TRecordReaderVexaRM::Path() const {
    return FFile->Path();
}
const uint8_t *TRecordReaderVexaRM::MappedData() const {
    return FFile->Data();
}
uint64_t TRecordReaderVexaRM::CoveredBytes() const {
    return FIndex->CoveredBytes();
}
const std::vector<TMeasurement> &TRecordReaderVexaRM::Measurements() const {
    return FIndex->Measurements();
}
const std::vector<TSection> &TRecordReaderVexaRM::Sections() const {
    return FIndex->Sections();
}
const std::vector<TEvent> &TRecordReaderVexaRM::Events() const {
    return FIndex->Events();
}
std::vector<TProblem> TRecordReaderVexaRM::Problems() const {
    return FIndex->Problems();
}

std::vector<TEvent> TRecordReaderVexaRM::EventsIn(uint32_t m, TTimeNs from, TTimeNs to) const {
    const auto &ev = Events();
    // Events are in file order: by measurement, then by time.
    auto lo = std::lower_bound(ev.begin(), ev.end(), std::make_pair(m, from),
                               [](const TEvent &e, const std::pair<uint32_t, TTimeNs> &k) {
                                   return e.Measurement < k.first ||
                                          (e.Measurement == k.first && e.Time < k.second);
                               });
    std::vector<TEvent> out;
    for (auto it = lo; it != ev.end() && it->Measurement == m && it->Time < to; ++it)
        out.push_back(*it);
    return out;
}

// ---- Time ----------------------------------------------------------------

uint64_t TRecordReaderVexaRM::SectionAt(uint32_t m, TTimeNs t) const {
    const TMeasurement &ms = Measurements()[m];
    const auto &sec = Sections();
    auto first = sec.begin() + static_cast<std::ptrdiff_t>(ms.FirstSection);
    auto last = first + static_cast<std::ptrdiff_t>(ms.SectionCount);
    auto it =
        std::upper_bound(first, last, t, [](TTimeNs v, const TSection &s) { return v < s.Start; });
    if (it != first) --it;
    return static_cast<uint64_t>(it - sec.begin());
}

TPosition TRecordReaderVexaRM::Locate(uint32_t m, TTimeNs t) const {
    const TMeasurement &ms = Measurements()[m];
    if (ms.SectionCount == 0) return {ms.FirstSection, 0};
    uint64_t s = SectionAt(m, t);
    const uint64_t end = ms.FirstSection + ms.SectionCount;
    for (; s < end; ++s) {
        const TSection &sec = Sections()[s];
        const uint64_t p = PeriodAtOrAfter(sec.Start, sec.Scale.Rate, t);
        if (p < sec.Periods) return {s, p};
    }
    return {end - 1, Sections()[end - 1].Periods};
}

TTimeNs TRecordReaderVexaRM::TimeOf(const TPosition &p) const {
    return Sections()[p.Section].TimeOf(p.Period);
}

// ---- Raw words -----------------------------------------------------------

uint64_t TRecordReaderVexaRM::Level1Start(const TSection &s, uint64_t entry) const {
    const uint64_t extra = FIndex->Level1Extra(s.FirstEntry[0] + entry);
    const uint64_t off = s.StartOffset + 2 * (entry * kLevel1Periods + extra);
    return std::min(off, s.EndOffset);
}

uint64_t TRecordReaderVexaRM::OffsetInSection(const TSection &s, uint64_t period) const {
    if (period >= s.Periods) return s.EndOffset;
    const uint64_t entry = period / kLevel1Periods;
    uint64_t i = Level1Start(s, entry) / 2;
    uint64_t left = period - entry * kLevel1Periods;
    const uint64_t end = s.EndOffset / 2;
    while (i < end) {
        const TItem item = ItemAt(FWords, i, end);
        if (item.Kind == ItemKind::Sample || item.Kind == ItemKind::ArmMarker) {
            if (left == 0) return i * 2;
            --left;
        } else if (item.Kind == ItemKind::CutOff) {
            break;
        }
        i += item.Words;
    }
    return s.EndOffset;
}

uint64_t TRecordReaderVexaRM::OffsetOf(const TPosition &p) const {
    return OffsetInSection(Sections()[p.Section], p.Period);
}

uint64_t TRecordReaderVexaRM::ReadPeriods(uint64_t section, uint64_t first, uint64_t count,
                                          uint16_t *out) const {
    uint64_t n = 0;
    VisitPeriods(section, first, first + count, [&](uint64_t, const uint16_t *w, uint64_t k) {
        std::copy(w, w + k, out + n);
        n += k;
        return true;
    });
    return n;
}

TSummary TRecordReaderVexaRM::RawSummary(const TSection &s, uint64_t first, uint64_t last) const {
    TSummary sum;
    const uint64_t index = static_cast<uint64_t>(&s - Sections().data());
    VisitPeriods(index, first, last, [&](uint64_t, const uint16_t *w, uint64_t n) {
        if (w[0] == kWordMarker2)
            sum.Flags |= kEntryArm;
        else
            SummariseSamples(w, n, sum);
        return true;
    });
    return sum;
}

// ---- Statistics ----------------------------------------------------------

TSummary TRecordReaderVexaRM::SectionSummary(uint64_t section, uint64_t first,
                                             uint64_t last) const {
    const TSection &s = Sections()[section];
    last = std::min(last, s.Periods);
    if (first >= last) return TSummary();
    const uint64_t n1 = s.EntryCount[0];
    const uint64_t j0 = (first + kLevel1Periods - 1) / kLevel1Periods;
    uint64_t j1 = last == s.Periods ? n1 : last / kLevel1Periods;
    j1 = std::min(j1, n1);
    if (j0 >= j1) return RawSummary(s, first, last);
    TSummary total = RawSummary(s, first, std::min(last, j0 * kLevel1Periods));
    // Entries [a, b) of level L, merged from the highest level that covers them.
    struct TMerge {
        const TRecordReaderVexaRM &R;
        const TSection &S;
        TSummary &Out;
        void Run(int level, uint64_t a, uint64_t b) {
            const uint64_t count = S.EntryCount[level - 1];
            const uint64_t up = level < kMaxLevels ? S.EntryCount[level] : 0;
            if (a >= b) return;
            uint64_t a2 = (a + kLevelFanOut - 1) / kLevelFanOut;
            uint64_t b2 = b == count ? up : b / kLevelFanOut;
            b2 = std::min(b2, up);
            if (up == 0 || a2 >= b2) {
                Direct(level, a, b);
                return;
            }
            Direct(level, a, std::min(b, a2 * kLevelFanOut));
            Run(level + 1, a2, b2);
            if (b2 * kLevelFanOut < b) Direct(level, b2 * kLevelFanOut, b);
        }
        void Direct(int level, uint64_t a, uint64_t b) {
            for (uint64_t j = a; j < b; ++j)
                Out.Merge(R.FIndex->Entry(level, S.FirstEntry[level - 1] + j));
        }
    } merge{*this, s, total};
    merge.Run(1, j0, j1);
    if (j1 * kLevel1Periods < last) total.Merge(RawSummary(s, j1 * kLevel1Periods, last));
    return total;
}

TSpanStats TRecordReaderVexaRM::Stats(uint32_t m, TTimeNs from, TTimeNs to) const {
    const TMeasurement &ms = Measurements()[m];
    TSpanStats st;
    from = std::max<TTimeNs>(from, 0);
    to = std::min(to, ms.Duration);
    st.From = from;
    st.To = std::max(from, to);
    if (ms.SectionCount == 0 || from >= to) return st;
    TVoltSums volts[2];
    bool single = true;
    const uint64_t end = ms.FirstSection + ms.SectionCount;
    for (uint64_t s = SectionAt(m, from); s < end; ++s) {
        const TSection &sec = Sections()[s];
        if (sec.Start >= to) break;
        const uint64_t p0 = std::min(PeriodAtOrAfter(sec.Start, sec.Scale.Rate, from), sec.Periods);
        const uint64_t p1 = std::min(PeriodAtOrAfter(sec.Start, sec.Scale.Rate, to), sec.Periods);
        if (p0 >= p1) continue;
        const TSummary sum = SectionSummary(s, p0, p1);
        if (st.Periods > 0) single = false;
        st.Periods += p1 - p0;
        st.ArmMarkers += (p1 - p0) - sum.Values;
        for (int c = 0; c < 2; ++c) {
            TChannelStats &cs = st.Channel[c];
            cs.Samples += sum.Values;
            cs.Sum += sum.Sum[c];
            cs.SumSquares += sum.SumSquares[c];
            if (sum.Values) {
                cs.MinCode = std::min<int>(cs.MinCode, sum.Min[c]);
                cs.MaxCode = std::max<int>(cs.MaxCode, sum.Max[c]);
            }
            volts[c].Add(sec.Scale, c, sum);
        }
    }
    for (const TEvent &e : EventsIn(m, from, to))
        if (e.Kind == EventKind::DeviceMarker) ++st.DeviceMarkers;
    for (int c = 0; c < 2; ++c) {
        TChannelStats &cs = st.Channel[c];
        const TVoltSums &v = volts[c];
        cs.ScaleKnown = v.Known;
        if (!single) cs.Sum = cs.SumSquares = 0; // codes of different scales do not add up
        if (v.N == 0) continue;
        cs.MinV = v.Min;
        cs.MaxV = v.Max;
        cs.MeanV = static_cast<double>(v.Sum / v.N);
        cs.RmsV = static_cast<double>(std::sqrt(std::max(0.0L, v.SumSquares / v.N)));
    }
    return st;
}

// ---- Frames ----------------------------------------------------------------

void TRecordReaderVexaRM::Frame(uint32_t m, TTimeNs from, TTimeNs to, int columns,
                                TColumn *out) const {
    for (int c = 0; c < columns; ++c)
        out[c] = TColumn();
    if (columns <= 0 || to <= from) return;
    const TMeasurement &ms = Measurements()[m];
    const long double span = static_cast<long double>(to - from);
    std::vector<uint64_t> bound(static_cast<size_t>(columns) + 1);
    std::vector<TVoltSums> acc(static_cast<size_t>(columns) * 2);
    const uint64_t end = ms.FirstSection + ms.SectionCount;
    for (uint64_t s = ms.SectionCount ? SectionAt(m, from) : end; s < end; ++s) {
        const TSection &sec = Sections()[s];
        if (sec.Start >= to) break;
        // Period where each column begins in this section.
        for (int c = 0; c <= columns; ++c) {
            const TTimeNs t = from + static_cast<TTimeNs>(span * c / columns);
            bound[c] = std::min(PeriodAtOrAfter(sec.Start, sec.Scale.Rate, t), sec.Periods);
        }
        if (bound[0] >= bound[columns]) continue;
        auto add = [&](int col, const TSummary &sum) {
            TColumn &o = out[col];
            if (sum.Flags & kEntryArm) o.Arm = true;
            if (sum.Flags & kEntryDevice) o.DeviceMarker = true;
            o.Samples += sum.Values;
            for (int c = 0; c < 2; ++c) {
                if (sum.Values) {
                    o.MinCode[c] = std::min(o.MinCode[c], sum.Min[c]);
                    o.MaxCode[c] = std::max(o.MaxCode[c], sum.Max[c]);
                }
                acc[static_cast<size_t>(col) * 2 + c].Add(sec.Scale, c, sum);
            }
        };
        const long double perColumn =
            static_cast<long double>(bound[columns] - bound[0]) / std::max(1, columns);
        int level = 0; // 0: raw words
        for (int L = 1; L <= kMaxLevels; ++L)
            if (sec.EntryCount[L - 1] > 0 && PeriodsPerEntry(L) <= perColumn) level = L;
        if (level == 0) {
            int col = 0;
            VisitPeriods(
                s, bound[0], bound[columns], [&](uint64_t p, const uint16_t *w, uint64_t n) {
                    while (n > 0) {
                        while (col + 1 < columns && bound[col + 1] <= p)
                            ++col;
                        const uint64_t k =
                            std::min<uint64_t>(n, col + 1 < columns ? bound[col + 1] - p : n);
                        TSummary sum;
                        if (w[0] == kWordMarker2)
                            sum.Flags |= kEntryArm;
                        else
                            SummariseSamples(w, k, sum);
                        add(col, sum);
                        p += k;
                        w += k;
                        n -= k;
                    }
                    return true;
                });
        } else {
            const uint64_t per = PeriodsPerEntry(level);
            const uint64_t e0 = bound[0] / per;
            const uint64_t e1 =
                std::min(sec.EntryCount[level - 1], (bound[columns] + per - 1) / per);
            int col = 0;
            for (uint64_t e = e0; e < e1; ++e) {
                const uint64_t p = e * per;
                while (col + 1 < columns && bound[col + 1] <= p)
                    ++col;
                add(col, FIndex->Entry(level, sec.FirstEntry[level - 1] + e));
            }
        }
    }
    for (int c = 0; c < columns; ++c) {
        for (int ch = 0; ch < 2; ++ch) {
            const TVoltSums &v = acc[static_cast<size_t>(c) * 2 + ch];
            if (v.N == 0) continue;
            out[c].MinV[ch] = static_cast<float>(v.Min);
            out[c].MaxV[ch] = static_cast<float>(v.Max);
            out[c].MeanV[ch] = static_cast<float>(v.Sum / v.N);
        }
    }
}

// ---- Search ----------------------------------------------------------------

template <class EntryPred, class WordPred>
uint64_t TRecordReaderVexaRM::FindInSection(uint64_t si, uint64_t first, uint64_t last,
                                            bool forward, EntryPred &&entryPred,
                                            WordPred &&wordPred) const {
    const TSection &s = Sections()[si];
    last = std::min(last, s.Periods);
    if (first >= last) return kNone;
    const uint64_t n1 = s.EntryCount[0];
    auto count = [&](int L) { return L <= kMaxLevels ? s.EntryCount[L - 1] : 0; };
    // Raw search of the periods of level-1 entry j that lie in [first, last).
    auto rawEntry = [&](uint64_t j) {
        const uint64_t a = std::max(first, j * kLevel1Periods);
        const uint64_t b = std::min(last, (j + 1) * kLevel1Periods);
        uint64_t hit = kNone;
        VisitPeriods(si, a, b, [&](uint64_t p, const uint16_t *w, uint64_t n) {
            for (uint64_t k = 0; k < n; ++k) {
                if (wordPred(w[k])) {
                    hit = p + k;
                    if (forward) return false;
                }
            }
            return true;
        });
        return hit;
    };
    if (forward) {
        uint64_t j = first / kLevel1Periods;
        while (j < n1 && j * kLevel1Periods < last) {
            int L = 1;
            while (L < kMaxLevels && count(L + 1) > 0 && j % Pow16(L) == 0 &&
                   j / Pow16(L) < count(L + 1) && j * kLevel1Periods >= first)
                ++L;
            for (;;) {
                const uint64_t idx = j / Pow16(L - 1);
                if (!entryPred(FIndex->Entry(L, s.FirstEntry[L - 1] + idx))) {
                    j += Pow16(L - 1);
                    break;
                }
                if (L == 1) {
                    const uint64_t hit = rawEntry(j);
                    if (hit != kNone) return hit;
                    ++j;
                    break;
                }
                --L;
            }
        }
        return kNone;
    }
    int64_t j =
        static_cast<int64_t>(std::min(n1, (last + kLevel1Periods - 1) / kLevel1Periods)) - 1;
    const int64_t stop = static_cast<int64_t>(first / kLevel1Periods);
    while (j >= stop) {
        // The highest level whose block ends with entry j and lies in [first, last).
        int L = 1;
        while (L < kMaxLevels && count(L + 1) > 0) {
            const uint64_t size = Pow16(L);
            const uint64_t idx = static_cast<uint64_t>(j) / size;
            const uint64_t blockEnd = std::min((idx + 1) * size, n1);
            if (idx >= count(L + 1) || static_cast<uint64_t>(j) + 1 != blockEnd ||
                std::min(blockEnd * kLevel1Periods, s.Periods) > last)
                break;
            ++L;
        }
        for (;;) {
            const uint64_t idx = static_cast<uint64_t>(j) / Pow16(L - 1);
            if (!entryPred(FIndex->Entry(L, s.FirstEntry[L - 1] + idx))) {
                j = static_cast<int64_t>(idx * Pow16(L - 1)) - 1;
                break;
            }
            if (L == 1) {
                const uint64_t hit = rawEntry(static_cast<uint64_t>(j));
                if (hit != kNone) return hit;
                --j;
                break;
            }
            --L;
        }
    }
    return kNone;
}

namespace {

enum class Side : uint8_t { Any, Below, AtOrAbove, AtOrBelow, Above };

bool WordOnSide(uint16_t w, int ch, double code, Side side) {
    if (w == kWordMarker2) return false;
    const double v = ch == 0 ? (w & 0xFF) : (w >> 8);
    switch (side) {
    case Side::Any:
        return true;
    case Side::Below:
        return v < code;
    case Side::AtOrAbove:
        return v >= code;
    case Side::AtOrBelow:
        return v <= code;
    case Side::Above:
        return v > code;
    }
    return false;
}

bool EntryMayHold(const TSummary &e, int ch, double code, Side side) {
    if (e.Values == 0) return false;
    switch (side) {
    case Side::Any:
        return true;
    case Side::Below:
        return e.Min[ch] < code;
    case Side::AtOrAbove:
        return e.Max[ch] >= code;
    case Side::AtOrBelow:
        return e.Min[ch] <= code;
    case Side::Above:
        return e.Max[ch] > code;
    }
    return false;
}

} // namespace

bool TRecordReaderVexaRM::FindCrossing(uint32_t m, TTimeNs t, bool forward, int ch, double level,
                                       CrossingKind kind, TTimeNs *found) const {
    const TMeasurement &ms = Measurements()[m];
    if (ms.SectionCount == 0) return false;
    const uint64_t firstSec = ms.FirstSection, endSec = ms.FirstSection + ms.SectionCount;
    const Side target = kind == CrossingKind::Rising ? Side::AtOrAbove : Side::AtOrBelow;
    const Side other = kind == CrossingKind::Rising ? Side::Below : Side::Above;
    // The first (forward) or last (backward) value period on a side, from a
    // position on: forward looks at [pos, end), backward at [start, pos).
    auto find = [&](TPosition pos, bool fwd, Side side, TPosition *out) {
        if (fwd) {
            for (uint64_t s = pos.Section; s < endSec; ++s) {
                const double code = LevelCode(Sections()[s].Scale, ch, level);
                const uint64_t p = FindInSection(
                    s, s == pos.Section ? pos.Period : 0, UINT64_MAX, true,
                    [&](const TSummary &e) { return EntryMayHold(e, ch, code, side); },
                    [&](uint16_t w) { return WordOnSide(w, ch, code, side); });
                if (p != kNone) {
                    *out = {s, p};
                    return true;
                }
            }
            return false;
        }
        for (int64_t s = static_cast<int64_t>(pos.Section); s >= static_cast<int64_t>(firstSec);
             --s) {
            const uint64_t su = static_cast<uint64_t>(s);
            const double code = LevelCode(Sections()[su].Scale, ch, level);
            const uint64_t p = FindInSection(
                su, 0, su == pos.Section ? pos.Period : UINT64_MAX, false,
                [&](const TSummary &e) { return EntryMayHold(e, ch, code, side); },
                [&](uint16_t w) { return WordOnSide(w, ch, code, side); });
            if (p != kNone) {
                *out = {su, p};
                return true;
            }
        }
        return false;
    };
    auto next = [&](TPosition p) { return TPosition{p.Section, p.Period + 1}; };
    TPosition c;
    if (forward) {
        const TPosition start = Locate(m, t + 1);
        TPosition prev, q;
        uint16_t w = 0;
        if (find(start, false, Side::Any, &prev) &&
            ReadPeriods(prev.Section, prev.Period, 1, &w) == 1 &&
            WordOnSide(w, ch, LevelCode(Sections()[prev.Section].Scale, ch, level), other))
            q = prev;
        else if (!find(start, true, other, &q))
            return false;
        if (!find(next(q), true, target, &c)) return false;
    } else {
        const TPosition start = Locate(m, t);
        TPosition r, q;
        if (!find(start, false, target, &r)) return false;
        if (!find(r, false, other, &q)) return false;
        if (!find(next(q), true, Side::Any, &c)) return false;
    }
    *found = TimeOf(c);
    return true;
}

bool TRecordReaderVexaRM::FindMark(uint32_t m, TTimeNs t, bool forward, MarkKind kind,
                                   TTimeNs *found) const {
    const TMeasurement &ms = Measurements()[m];
    if (kind == MarkKind::ArmMarker) {
        if (ms.SectionCount == 0) return false;
        const TPosition start = Locate(m, forward ? t + 1 : t);
        const uint64_t endSec = ms.FirstSection + ms.SectionCount;
        auto entry = [](const TSummary &e) { return (e.Flags & kEntryArm) != 0; };
        auto word = [](uint16_t w) { return w == kWordMarker2; };
        if (forward) {
            for (uint64_t s = start.Section; s < endSec; ++s) {
                const uint64_t p = FindInSection(s, s == start.Section ? start.Period : 0,
                                                 UINT64_MAX, true, entry, word);
                if (p != kNone) {
                    *found = Sections()[s].TimeOf(p);
                    return true;
                }
            }
            return false;
        }
        for (int64_t s = static_cast<int64_t>(start.Section);
             s >= static_cast<int64_t>(ms.FirstSection); --s) {
            const uint64_t su = static_cast<uint64_t>(s);
            const uint64_t p = FindInSection(su, 0, su == start.Section ? start.Period : UINT64_MAX,
                                             false, entry, word);
            if (p != kNone) {
                *found = Sections()[su].TimeOf(p);
                return true;
            }
        }
        return false;
    }
    // Device markers and gaps: from the event list, in time order.
    const EventKind want = kind == MarkKind::Gap ? EventKind::Gap : EventKind::DeviceMarker;
    const std::vector<TEvent> ev = forward ? EventsIn(m, t + 1, std::numeric_limits<TTimeNs>::max())
                                           : EventsIn(m, std::numeric_limits<TTimeNs>::min(), t);
    if (forward) {
        for (const TEvent &e : ev)
            if (e.Kind == want) {
                *found = e.Time;
                return true;
            }
    } else {
        for (auto it = ev.rbegin(); it != ev.rend(); ++it)
            if (it->Kind == want) {
                *found = it->Time;
                return true;
            }
    }
    return false;
}

} // namespace vexa::rec
