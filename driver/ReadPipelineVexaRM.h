// The read pipeline: turns one raw FIFO block into delivered sample words,
// in place, in one forward pass, without allocation.
#pragma once

#include "common/ScopeConstsVexaRM.h"

#include <cstdint>

namespace vexa {

class TReadPipelineVexaRM {
public:
    static constexpr int32_t kBlockWords = 32768;

    enum class FirstStage { Compact, TriggerSearch, ArmFilter };

    TReadPipelineVexaRM();

    // Runs the stages on a block of kBlockWords words that the transport has
    // just filled. Returns the status byte; count receives the words
    // delivered at the start of the block.
    uint8_t Process(uint16_t *block, int32_t &count);

    // The individual stages, on words start..end-1 (exposed for the
    // benchmark's per-stage figures and for the stage tests).
    uint8_t CompactStage(uint16_t *block, int32_t start, int32_t end, int32_t &count);
    uint8_t TriggerSearchStage(uint16_t *block, int32_t start, int32_t end, int32_t &count);
    uint8_t ArmFilterStage(uint16_t *block, int32_t start, int32_t end, int32_t &count);
    void GroundStage(uint16_t *block, int32_t count) const;
    // The sample words (neither an empty slot 0 nor a marker 1) among the
    // first words words of a raw block.
    static int32_t CountSamples(const uint16_t *block, int32_t words);
    bool TriggerTest(uint16_t word) const;
    uint16_t ArmTest(uint16_t word) const;

    // Stage selection.
    FirstStage Stage() const { return First; }
    void SetStage(FirstStage stage) { First = stage; }
    bool FirstRead() const { return FirstReadPending; }
    void SetFirstRead(bool pending) { FirstReadPending = pending; }

    // Trigger configuration: flags bit 0 A, bit 1 B, bit 2 A under, bit 3 B
    // under; thresholds in sample units; relation true = AND.
    void SetTrigger(uint8_t flags, int32_t thresholdA, int32_t thresholdB, bool relation);
    // ARM configuration: flags bit 0 A, bit 1 B, bit 2 A under, bit 3 B under.
    void SetArm(uint8_t flags, int32_t thresholdA, int32_t thresholdB);
    bool ArmEnabled() const { return (ArmFlags & 0x03) != 0; }

    // Ground substitution: the zero levels are clamped to 1..255 so that a
    // substituted word is never one of the reserved words.
    void SetGround(bool groundA, bool groundB, int32_t zeroA, int32_t zeroB);
    bool GroundActive() const { return GroundA || GroundB; }

    bool FreeRun() const { return FreeRunOn; }
    void SetFreeRun(bool on) { FreeRunOn = on; }
    bool Triggered() const { return TriggeredFlag; }
    void SetTriggered(bool triggered) { TriggeredFlag = triggered; }
    uint8_t LastStatus() const { return LastStatusByte; }
    void SetLastStatus(uint8_t status) { LastStatusByte = status; }
    uint8_t TriggerStateA() const { return StateA; }
    uint8_t TriggerStateB() const { return StateB; }
    void SetTriggerStates(uint8_t a, uint8_t b) {
        StateA = a;
        StateB = b;
    }

private:
    uint8_t RunFirstStage(uint16_t *block, int32_t &count);
    template <bool All>
    int32_t FindTrigger(const uint16_t *block, int32_t start, int32_t end) const;
    void RebuildTriggerRanges();
    void RebuildArmRanges();

    FirstStage First = FirstStage::Compact;
    bool FirstReadPending = true;
    bool GroundA = false;
    bool GroundB = false;
    uint16_t ZeroA = 128;
    uint16_t ZeroB = 128;
    bool FreeRunOn = true;
    bool TriggeredFlag = false;
    uint8_t LastStatusByte = kStatusWaitingBoth;
    uint8_t StateA = 1;
    uint8_t StateB = 1;

    uint8_t TriggerFlags = 0;
    int32_t TriggerThresholdA = 0;
    int32_t TriggerThresholdB = 0;
    bool TriggerAll = false;
    uint8_t ArmFlags = 0;
    int32_t ArmThresholdA = 0;
    int32_t ArmThresholdB = 0;

    // Byte ranges derived from the settings above (rebuilt only when a
    // setting changes), each [Lo, Hi] with Lo in 0..256 and Hi in -1..255
    // (Lo > Hi: empty). A trigger condition holds on a byte inside its
    // range; a sample passes the ARM condition when both bytes lie inside
    // their pass ranges.
    struct ByteRange {
        int32_t Lo = 0;
        int32_t Hi = 255;
        bool Holds(int32_t v) const { return v >= Lo && v <= Hi; }
    };
    ByteRange TriggerRangeA, TriggerRangeB;
    ByteRange ArmPassA, ArmPassB;
};

} // namespace vexa
