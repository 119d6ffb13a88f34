#include "CounterStream.h"

#include "common/ScopeConstsVexaRM.h"

namespace vexa::test {

namespace {
constexpr uint64_t kCycle = 65025; // 255 x 255 words, then the pattern repeats
} // namespace

uint16_t NextCounter(uint16_t w) {
    int a = w & 0xFF, b = w >> 8;
    if (++a > 255) {
        a = 1;
        if (++b > 255) b = 1;
    }
    return static_cast<uint16_t>(b << 8 | a);
}

void TCounterStreamCheck::Fail(const std::string &what) {
    if (FR.Fault.empty()) FR.Fault = what + " at word " + std::to_string(FAt);
}

void TCounterStreamCheck::Feed(const uint16_t *words, size_t n) {
    for (size_t i = 0; i < n && FR.Fault.empty(); ++i, ++FAt) {
        const uint16_t w = words[i];
        if (!FRec.empty()) {
            FRec.push_back(w);
            if (FRec.size() == 2 && w < 3) Fail("broken setting record");
            if (FRec.size() >= 3 && FRec.size() == FRec[1]) {
                Record(FRec);
                FRec.clear();
            }
            continue;
        }
        if (w == kWordRecordIntroducer) {
            FRec.push_back(w);
            continue;
        }
        Sample(w);
    }
}

void TCounterStreamCheck::Record(const std::vector<uint16_t> &r) {
    ++FR.Records;
    if (r[2] == kRecMeasurement && r.size() == 4) {
        if (r[3] == 1) {
            ++FR.Starts;
            FPrevious = -1;
            FSkip = 0;
            FR.SamplesOfLastStart = 0;
        } else {
            ++FR.Stops;
        }
    } else if (r[2] == kRecLostSamples) {
        if (r.size() != kLostSamplesRecordWords) {
            Fail("record of lost samples of length " + std::to_string(r.size()));
            return;
        }
        uint64_t lost = 0;
        for (int k = 6; k >= 3; --k)
            lost = lost << 16 | r[static_cast<size_t>(k)];
        if (lost == 0) Fail("record of 0 lost samples");
        ++FR.Gaps;
        FR.LostPeriods += lost;
        FSkip += lost;
    }
}

void TCounterStreamCheck::Sample(uint16_t w) {
    if (w < kReservedWordLimit) {
        Fail("marker " + std::to_string(w));
        return;
    }
    if ((w & 0xFF) == 0 || (w >> 8) == 0) {
        Fail("word " + std::to_string(w) + " is no counter word");
        return;
    }
    const uint64_t n = static_cast<uint64_t>(CounterIndex(w));
    if (FPrevious < 0 && FR.Starts > 0) {
        // The first sample of a start: sample 0, or 1 when the stale first
        // word was dropped, after whatever was lost in front of it.
        const uint64_t first = FSkip % kCycle;
        if (n != first && n != (first + 1) % kCycle)
            Fail("first sample of a start is " + std::to_string(n) + ", not " +
                 std::to_string(first) + " or " + std::to_string((first + 1) % kCycle));
    } else if (FPrevious >= 0) {
        const uint64_t want = (static_cast<uint64_t>(FPrevious) + 1 + FSkip) % kCycle;
        if (n != want)
            Fail("sample " + std::to_string(n) + " after " + std::to_string(FPrevious) +
                 (FSkip ? " and a gap of " + std::to_string(FSkip) : std::string()));
    }
    FPrevious = static_cast<int32_t>(n);
    FSkip = 0;
    ++FR.Samples;
    ++FR.SamplesOfLastStart;
}

const CounterStream &TCounterStreamCheck::Finish() {
    if (!FRec.empty()) Fail("setting record cut off at the end");
    return FR;
}

CounterStream CheckCounterStream(const std::vector<uint16_t> &words) {
    TCounterStreamCheck check;
    check.Feed(words.data(), words.size());
    return check.Finish();
}

} // namespace vexa::test
