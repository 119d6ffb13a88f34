// Writes record streams for the tests and keeps a plain model of what they
// hold: per measurement the word of every period (samples, ARM markers) and
// the sections with their start time and scale, as the generator decided
// them. Tests compare the library's answers with this model.
#pragma once

#include "recfile/RecordTypesVexaRM.h"

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace vexa::rec::test {

class TRecordGen {
public:
    struct Section {
        uint32_t Measurement;
        uint64_t FirstPeriod; // into Periods[Measurement]
        uint64_t Count;
        TTimeNs Start;
        TScale Scale;
    };

    std::vector<uint16_t> Words;
    std::vector<std::vector<uint16_t>> Periods; // per measurement
    std::vector<Section> Sections;
    std::vector<uint64_t> DeviceMarkers; // per measurement
    TScale Scale;                        // in force

    // A start record and the whole start group with the current scale.
    void Start();
    void Stop();
    void Record(std::initializer_list<uint16_t> words) { Words.insert(Words.end(), words); }
    void SetRate(uint32_t rate);
    void SetZero(int ch, uint16_t zero);
    void SetDeflection(int ch, int32_t mv);
    void Sample(uint16_t word);
    void Arm(uint64_t n = 1);
    void Device();
    void Gap(uint64_t periods);
    // Records that change nothing: a repeated level record, an unknown type,
    // a zero length.
    void Harmless(int kind);

    // A random stream of measurements with random sections, markers, gaps,
    // harmless records; about periods periods in all.
    void Random(std::mt19937_64 &rng, uint64_t periods);

    // Time of period k of measurement m.
    TTimeNs TimeOf(uint32_t m, uint64_t k) const;
    const Section &SectionOf(uint32_t m, uint64_t k) const;

    void WriteTo(const std::string &path) const;

private:
    void Changed();
    TTimeNs CurrentEnd() const;
    void AddPeriod(uint16_t w);
    bool FOpen = false;       // a measurement is running
    bool FNeedSection = true; // the next period starts a section
    TTimeNs FCursor = 0;
    int FCurrent = -1;
};

} // namespace vexa::rec::test
