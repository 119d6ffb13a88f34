// The counter pattern of the simulated device (sample n is the word with low
// byte 1 + n mod 255 and high byte 1 + (n div 255) mod 255), checked word by
// word as a recorded stream goes by: a file of any size is fed in pieces.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vexa::test {

// The position n (mod 65,025) of a word of the counter pattern.
inline int32_t CounterIndex(uint16_t w) {
    return ((w & 0xFF) - 1) + 255 * ((w >> 8) - 1);
}
// The word that follows w in the pattern.
uint16_t NextCounter(uint16_t w);

// What a counter-pattern stream held.
struct CounterStream {
    uint64_t Samples = 0;
    int Starts = 0;
    int Stops = 0;
    int Records = 0;
    // Records of lost sample periods, and the periods they mark.
    int Gaps = 0;
    uint64_t LostPeriods = 0;
    // Samples since the last start record.
    uint64_t SamplesOfLastStart = 0;
    // Empty when the stream is whole (see TCounterStreamCheck).
    std::string Fault;
};

// Setting records ([0, length, type, ...]) may stand anywhere between
// samples. After a start record the device's first sample is 0, or 1 when
// the first read dropped the stale word; every later sample follows its
// predecessor. A record of lost samples stands where samples are missing:
// the sample after it comes that many periods later. Nothing is repeated.
class TCounterStreamCheck {
public:
    void Feed(const uint16_t *words, size_t n);
    // The end of the stream: a record cut off there is a fault.
    const CounterStream &Finish();
    const CounterStream &Result() const { return FR; }

private:
    void Record(const std::vector<uint16_t> &r);
    void Sample(uint16_t w);
    void Fail(const std::string &what);

    CounterStream FR;
    uint64_t FAt = 0;           // index of the next word in the whole stream
    int32_t FPrevious = -1;     // counter index of the last sample; -1 after a start
    uint64_t FSkip = 0;         // periods marked lost since the last sample
    std::vector<uint16_t> FRec; // a record whose words are still coming
};

// The whole of a stream held in memory.
CounterStream CheckCounterStream(const std::vector<uint16_t> &words);

} // namespace vexa::test
