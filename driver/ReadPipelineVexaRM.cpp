#include "ReadPipelineVexaRM.h"

#include <algorithm>
#include <cstring>

namespace vexa {

namespace {

constexpr uint64_t kLaneOnes = 0x0001000100010001ULL;
constexpr uint64_t kLaneHighs = 0x8000800080008000ULL;

// True when one of the four 16-bit lanes of x is zero.
inline bool HasZeroLane(uint64_t x) {
    return ((x - kLaneOnes) & ~x & kLaneHighs) != 0;
}

inline uint64_t Load4(const uint16_t *p) {
    uint64_t x;
    std::memcpy(&x, p, sizeof x);
    return x;
}

inline void Store4(uint16_t *p, uint64_t x) {
    std::memcpy(p, &x, sizeof x);
}

inline uint16_t ClampZero(int32_t zero) {
    return static_cast<uint16_t>(std::clamp(zero, 1, 255));
}

} // namespace

TReadPipelineVexaRM::TReadPipelineVexaRM() {
    RebuildTriggerTables();
    RebuildArmTables();
}

void TReadPipelineVexaRM::SetTrigger(uint8_t flags, int32_t thresholdA, int32_t thresholdB,
                                     bool relation) {
    TriggerFlags = flags;
    TriggerThresholdA = thresholdA;
    TriggerThresholdB = thresholdB;
    TriggerAll = relation;
    RebuildTriggerTables();
}

void TReadPipelineVexaRM::SetArm(uint8_t flags, int32_t thresholdA, int32_t thresholdB) {
    ArmFlags = flags;
    ArmThresholdA = thresholdA;
    ArmThresholdB = thresholdB;
    RebuildArmTables();
}

void TReadPipelineVexaRM::SetGround(bool groundA, bool groundB, int32_t zeroA, int32_t zeroB) {
    GroundA = groundA;
    GroundB = groundB;
    ZeroA = ClampZero(zeroA);
    ZeroB = ClampZero(zeroB);
}

void TReadPipelineVexaRM::RebuildTriggerTables() {
    const bool onA = (TriggerFlags & 0x01) != 0;
    const bool onB = (TriggerFlags & 0x02) != 0;
    const bool underA = (TriggerFlags & 0x04) != 0;
    const bool underB = (TriggerFlags & 0x08) != 0;
    for (int32_t v = 0; v < 256; ++v) {
        const bool holdsA = onA && (underA ? v < TriggerThresholdA : v > TriggerThresholdA);
        const bool holdsB = onB && (underB ? v < TriggerThresholdB : v > TriggerThresholdB);
        // With AND, a channel that is not enabled does not hold the word back.
        HoldsA[v] = static_cast<uint8_t>(TriggerAll && !onA ? 1 : holdsA);
        HoldsB[v] = static_cast<uint8_t>(TriggerAll && !onB ? 1 : holdsB);
    }
}

void TReadPipelineVexaRM::RebuildArmTables() {
    const bool onA = (ArmFlags & 0x01) != 0;
    const bool onB = (ArmFlags & 0x02) != 0;
    const bool underA = (ArmFlags & 0x04) != 0;
    const bool underB = (ArmFlags & 0x08) != 0;
    for (int32_t v = 0; v < 256; ++v) {
        FailsA[v] = static_cast<uint8_t>(onA && (underA ? v > ArmThresholdA : v < ArmThresholdA));
        FailsB[v] = static_cast<uint8_t>(onB && (underB ? v > ArmThresholdB : v < ArmThresholdB));
    }
}

bool TReadPipelineVexaRM::TriggerTest(uint16_t word) const {
    if (word <= 2 || (TriggerFlags & 0x03) == 0) return false;
    const uint8_t a = HoldsA[word & 0xFF];
    const uint8_t b = HoldsB[word >> 8];
    return TriggerAll ? (a & b) != 0 : (a | b) != 0;
}

uint16_t TReadPipelineVexaRM::ArmTest(uint16_t word) const {
    if (word <= 2) return word;
    return (FailsA[word & 0xFF] | FailsB[word >> 8]) ? uint16_t{2} : word;
}

uint8_t TReadPipelineVexaRM::CompactStage(uint16_t *block, int32_t start, int32_t end,
                                          int32_t &count) {
    int32_t j = 0;
    int32_t i = start;
    for (; i + 4 <= end; i += 4) {
        const uint64_t x = Load4(block + i);
        if (!HasZeroLane(x)) {
            Store4(block + j, x);
            j += 4;
        } else if (x != 0) {
            for (int k = 0; k < 4; ++k) {
                const uint16_t w = static_cast<uint16_t>(x >> (16 * k));
                block[j] = w;
                j += (w != 0);
            }
        }
    }
    for (; i < end; ++i) {
        const uint16_t w = block[i];
        block[j] = w;
        j += (w != 0);
    }
    count = j;
    return 0x22;
}

template <bool All>
int32_t TReadPipelineVexaRM::FindTrigger(const uint16_t *block, int32_t start, int32_t end) const {
    int32_t i = start;
    for (; i + 8 <= end; i += 8) {
        uint32_t any = 0;
        for (int k = 0; k < 8; ++k) {
            const uint16_t w = block[i + k];
            const uint32_t a = HoldsA[w & 0xFF];
            const uint32_t b = HoldsB[w >> 8];
            any |= (w > 2) & (All ? (a & b) : (a | b));
        }
        if (any != 0) break;
    }
    for (; i < end; ++i) {
        const uint16_t w = block[i];
        const uint32_t a = HoldsA[w & 0xFF];
        const uint32_t b = HoldsB[w >> 8];
        if ((w > 2) & (All ? (a & b) : (a | b))) return i;
    }
    return end;
}

uint8_t TReadPipelineVexaRM::TriggerSearchStage(uint16_t *block, int32_t start, int32_t end,
                                                int32_t &count) {
    count = 0;
    TriggeredFlag = false;
    StateA = 1;
    StateB = 1;
    if ((TriggerFlags & 0x03) == 0) return 0x11;
    const int32_t at =
        TriggerAll ? FindTrigger<true>(block, start, end) : FindTrigger<false>(block, start, end);
    if (at >= end) return 0x11;
    const uint16_t w = block[at];
    const int32_t a = w & 0xFF;
    const int32_t b = w >> 8;
    const bool underA = (TriggerFlags & 0x04) != 0;
    const bool underB = (TriggerFlags & 0x08) != 0;
    if ((TriggerFlags & 0x01) && (underA ? a < TriggerThresholdA : a > TriggerThresholdA))
        StateA = 3;
    if ((TriggerFlags & 0x02) && (underB ? b < TriggerThresholdB : b > TriggerThresholdB))
        StateB = 3;
    TriggeredFlag = true;
    CompactStage(block, at, end, count);
    if (!ArmEnabled()) First = FirstStage::Compact;
    return 0x22;
}

uint8_t TReadPipelineVexaRM::ArmFilterStage(uint16_t *block, int32_t start, int32_t end,
                                            int32_t &count) {
    int32_t j = 0;
    int32_t i = start;
    auto filtered = [this](uint16_t w) -> uint16_t {
        const uint32_t fails = (w > 2) & (FailsA[w & 0xFF] | FailsB[w >> 8]);
        return fails ? uint16_t{2} : w;
    };
    for (; i + 4 <= end; i += 4) {
        const uint64_t x = Load4(block + i);
        if (x == 0) continue;
        if (!HasZeroLane(x)) {
            uint64_t y = 0;
            for (int k = 0; k < 4; ++k)
                y |= static_cast<uint64_t>(filtered(static_cast<uint16_t>(x >> (16 * k))))
                     << (16 * k);
            Store4(block + j, y);
            j += 4;
        } else {
            for (int k = 0; k < 4; ++k) {
                const uint16_t w = filtered(static_cast<uint16_t>(x >> (16 * k)));
                block[j] = w;
                j += (w != 0);
            }
        }
    }
    for (; i < end; ++i) {
        const uint16_t w = filtered(block[i]);
        block[j] = w;
        j += (w != 0);
    }
    count = j;
    uint8_t status = LastStatusByte;
    if (j > 0) status = block[j - 1] == 2 ? 0x11 : 0x22;
    LastStatusByte = status;
    if (!FreeRunOn && j > 0 && !TriggeredFlag) {
        int32_t found = 0;
        const uint8_t s = TriggerSearchStage(block, 0, j, found);
        status = static_cast<uint8_t>((s & 0x0F) | (status & 0xF0));
        count = found;
    }
    return status;
}

void TReadPipelineVexaRM::GroundStage(uint16_t *block, int32_t count) const {
    if (GroundA && GroundB) {
        const uint16_t both = static_cast<uint16_t>(ZeroB << 8 | ZeroA);
        std::fill(block, block + count, both);
    } else if (GroundA) {
        for (int32_t i = 0; i < count; ++i)
            block[i] = static_cast<uint16_t>((block[i] & 0xFF00) | ZeroA);
    } else if (GroundB) {
        for (int32_t i = 0; i < count; ++i)
            block[i] = static_cast<uint16_t>((block[i] & 0x00FF) | ZeroB << 8);
    }
}

uint8_t TReadPipelineVexaRM::RunFirstStage(uint16_t *block, int32_t &count) {
    switch (First) {
    case FirstStage::TriggerSearch:
        return TriggerSearchStage(block, 0, kBlockWords, count);
    case FirstStage::ArmFilter:
        return ArmFilterStage(block, 0, kBlockWords, count);
    case FirstStage::Compact:
    default:
        return CompactStage(block, 0, kBlockWords, count);
    }
}

uint8_t TReadPipelineVexaRM::Process(uint16_t *block, int32_t &count) {
    count = 0;
    const uint8_t status = RunFirstStage(block, count);
    if (FirstReadPending) {
        // The first block of a measurement drops its first word; the count
        // stays, so the last delivered word appears twice.
        if (count > 1)
            std::memmove(block, block + 1, static_cast<size_t>(count - 1) * sizeof(uint16_t));
        FirstReadPending = false;
    }
    if (GroundA || GroundB) GroundStage(block, count);
    return status;
}

} // namespace vexa
