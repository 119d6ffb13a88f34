#include "RecordTypesVexaRM.h"

namespace vexa::rec {

namespace {
// Records whose values give the samples their meaning.
constexpr uint32_t kMeaningRecords =
    (1u << kRecLevelA) | (1u << kRecLevelB) | (1u << kRecProbeA) | (1u << kRecProbeB) |
    (1u << kRecCouplingA) | (1u << kRecCouplingB) | (1u << kRecGroundA) | (1u << kRecGroundB) |
    (1u << kRecSampleRate) | (1u << kRecDeflectionA) | (1u << kRecDeflectionB);
} // namespace

bool TScale::SameMeaning(const TScale &o) const {
    for (int c = 0; c < 2; ++c)
        if (Zero[c] != o.Zero[c] || Deflection[c] != o.Deflection[c] || Probe[c] != o.Probe[c] ||
            Coupling[c] != o.Coupling[c] || Ground[c] != o.Ground[c])
            return false;
    return Rate == o.Rate && (Seen & kMeaningRecords) == (o.Seen & kMeaningRecords);
}

std::string TProblem::Text() const {
    switch (Kind) {
    case ProblemKind::OddLength:
        return "the file ends in half a word (odd length)";
    case ProblemKind::CutOff:
        return "a record is cut off at the end of the file";
    case ProblemKind::ZeroLength:
        return "a record length of 0 (skipped as one word)";
    case ProblemKind::UnknownType:
        return "a record of unknown type " + std::to_string(Detail) + " (skipped)";
    case ProblemKind::ShortRecord:
        return Detail < kShortTypeFlag
                   ? "a record of only " + std::to_string(Detail) + " words (skipped)"
                   : "a record of type " + std::to_string(Detail - kShortTypeFlag) +
                         " too short for its type (ignored)";
    case ProblemKind::Incomplete:
        return "measurement " + std::to_string(Detail) +
               " has no stop record (incomplete; everything before is kept)";
    case ProblemKind::TooManyEvents:
        return "more than " + std::to_string(Detail) +
               " markers: later ones are counted but not listed";
    }
    return "unknown problem";
}

} // namespace vexa::rec
