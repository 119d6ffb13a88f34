#include "RecordGen.h"

#include <algorithm>
#include <fstream>
#include <stdexcept>

namespace vexa::rec::test {

namespace {
uint16_t Lo(uint32_t v) {
    return static_cast<uint16_t>(v & 0xFFFF);
}
uint16_t Hi(uint32_t v) {
    return static_cast<uint16_t>(v >> 16);
}
} // namespace

void TRecordGen::Start() {
    Record({0, 4, kRecMeasurement, 1});
    const TScale &s = Scale;
    Record({0, 6, kRecLevelA, s.Level[0], static_cast<uint16_t>(s.Zero[0]), 0});
    Record({0, 6, kRecLevelB, s.Level[1], static_cast<uint16_t>(s.Zero[1]), 0});
    Record({0, 4, kRecProbeA, s.Probe[0]});
    Record({0, 4, kRecProbeB, s.Probe[1]});
    Record({0, 4, kRecCouplingA, s.Coupling[0]});
    Record({0, 4, kRecCouplingB, s.Coupling[1]});
    Record({0, 4, kRecGroundA, s.Ground[0]});
    Record({0, 4, kRecGroundB, s.Ground[1]});
    Record({0, 5, kRecSampleRate, Lo(s.Rate), Hi(s.Rate)});
    Record({0, 5, kRecDeflectionA, Lo(s.Deflection[0]), Hi(s.Deflection[0])});
    Record({0, 5, kRecDeflectionB, Lo(s.Deflection[1]), Hi(s.Deflection[1])});
    for (int t = kRecLevelA; t <= kRecDeflectionB; ++t)
        Scale.Seen |= 1u << t;
    Periods.emplace_back();
    DeviceMarkers.push_back(0);
    FCurrent = static_cast<int>(Periods.size()) - 1;
    FOpen = true;
    FNeedSection = true;
    FCursor = 0;
}

void TRecordGen::Stop() {
    Record({0, 4, kRecMeasurement, 0});
    FOpen = false;
}

void TRecordGen::Changed() {
    FNeedSection = true;
}

void TRecordGen::SetRate(uint32_t rate) {
    Record({0, 5, kRecSampleRate, Lo(rate), Hi(rate)});
    if (rate != Scale.Rate) Changed();
    Scale.Rate = rate;
}

void TRecordGen::SetZero(int ch, uint16_t zero) {
    Record({0, 6, static_cast<uint16_t>(kRecLevelA + ch), Scale.Level[ch], zero, 0});
    if (zero != Scale.Zero[ch]) Changed();
    Scale.Zero[ch] = zero;
}

void TRecordGen::SetDeflection(int ch, int32_t mv) {
    Record({0, 5, static_cast<uint16_t>(kRecDeflectionA + ch), Lo(static_cast<uint32_t>(mv)),
            Hi(static_cast<uint32_t>(mv))});
    if (mv != Scale.Deflection[ch]) Changed();
    Scale.Deflection[ch] = mv;
}

void TRecordGen::AddPeriod(uint16_t w) {
    if (!FOpen) throw std::logic_error("periods outside a measurement");
    if (FNeedSection) {
        FCursor = CurrentEnd();
        Sections.push_back(
            {static_cast<uint32_t>(FCurrent), Periods[FCurrent].size(), 0, FCursor, Scale});
        FNeedSection = false;
    }
    Periods[FCurrent].push_back(w);
    ++Sections.back().Count;
    Words.push_back(w);
}

TTimeNs TRecordGen::CurrentEnd() const {
    if (Sections.empty() || Sections.back().Measurement != static_cast<uint32_t>(FCurrent))
        return FCursor;
    const Section &s = Sections.back();
    return std::max(FCursor, PeriodTime(s.Start, s.Scale.Rate, s.Count));
}

void TRecordGen::Sample(uint16_t w) {
    AddPeriod(w);
}

void TRecordGen::Arm(uint64_t n) {
    for (uint64_t i = 0; i < n; ++i)
        AddPeriod(kWordMarker2);
}

void TRecordGen::Device() {
    Words.push_back(kWordMarker1);
    ++DeviceMarkers[FCurrent];
}

void TRecordGen::Gap(uint64_t periods) {
    Record({0, 8, kRecLostSamples, Lo(static_cast<uint32_t>(periods)),
            Hi(static_cast<uint32_t>(periods)), Lo(static_cast<uint32_t>(periods >> 32)),
            Hi(static_cast<uint32_t>(periods >> 32)), kLostCountedByDevice});
    // The time after the gap: the end of the last section plus the lost periods.
    FCursor = PeriodTime(CurrentEnd(), Scale.TimingRate(), periods);
    FNeedSection = true;
}

void TRecordGen::Harmless(int kind) {
    switch (kind % 3) {
    case 0: // the same level record again
        Record({0, 6, kRecLevelA, Scale.Level[0], static_cast<uint16_t>(Scale.Zero[0]), 0});
        break;
    case 1: // a type from a later version, skipped by its length
        Record({0, 5, 77, 1, 2});
        break;
    case 2: // a zero length (one word skipped), then the same probe again
        Record({0, 0, 4, kRecProbeA, Scale.Probe[0]});
        break;
    }
}

void TRecordGen::Random(std::mt19937_64 &rng, uint64_t periods) {
    static const uint32_t kRates[] = {50, 1000, 25000, 1000000, 5000000};
    static const int32_t kDefl[] = {10, 100, 2000, 50000};
    auto pick = [&](uint64_t n) { return rng() % n; };
    const uint64_t goal = periods;
    uint64_t made = 0;
    while (made < goal) {
        Scale.Rate = kRates[pick(5)];
        Scale.Zero[0] = static_cast<int32_t>(100 + pick(56));
        Scale.Zero[1] = static_cast<int32_t>(100 + pick(56));
        Scale.Deflection[0] = kDefl[pick(4)];
        Scale.Deflection[1] = kDefl[pick(4)];
        Scale.Probe[0] = Scale.Probe[1] = 1;
        Scale.Coupling[0] = Scale.Coupling[1] = 1;
        Start();
        const uint64_t length = 1 + pick(goal / 2 + 1);
        uint64_t here = 0;
        // A slowly wandering signal with rare spikes.
        int a = 128, b = 128;
        while (here < length) {
            const uint64_t run = 1 + pick(pick(4) == 0 ? 300000 : 5000);
            for (uint64_t k = 0; k < run; ++k) {
                a = std::clamp(a + static_cast<int>(pick(5)) - 2, 3, 250);
                b = std::clamp(b + static_cast<int>(pick(3)) - 1, 3, 250);
                int sa = a, sb = b;
                if (pick(50000) == 0) sa = pick(2) ? 255 : 1;
                Sample(static_cast<uint16_t>(sa | (sb << 8)));
            }
            here += run;
            switch (pick(9)) {
            case 0:
                Arm(1 + pick(3000));
                break;
            case 1:
                Device();
                break;
            case 2:
                SetRate(kRates[pick(5)]);
                break;
            case 3:
                SetZero(static_cast<int>(pick(2)), static_cast<uint16_t>(100 + pick(56)));
                break;
            case 4:
                Gap(1 + pick(100000));
                break;
            case 5:
                Harmless(static_cast<int>(pick(3)));
                break;
            case 6:
                SetDeflection(static_cast<int>(pick(2)), kDefl[pick(4)]);
                break;
            default:
                break;
            }
        }
        made += here;
        Stop();
    }
}

TTimeNs TRecordGen::TimeOf(uint32_t m, uint64_t k) const {
    const Section &s = SectionOf(m, k);
    return PeriodTime(s.Start, s.Scale.Rate, k - s.FirstPeriod);
}

const TRecordGen::Section &TRecordGen::SectionOf(uint32_t m, uint64_t k) const {
    // Sections of a measurement are in order; a binary search over all.
    size_t lo = 0, hi = Sections.size();
    while (hi - lo > 1) {
        const size_t mid = (lo + hi) / 2;
        const Section &s = Sections[mid];
        if (s.Measurement < m || (s.Measurement == m && s.FirstPeriod <= k))
            lo = mid;
        else
            hi = mid;
    }
    return Sections[lo];
}

void TRecordGen::WriteTo(const std::string &path) const {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(Words.data()),
              static_cast<std::streamsize>(Words.size() * 2));
}

} // namespace vexa::rec::test
