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
    FirstStage Stage() const { return FFirst; }
    void SetStage(FirstStage stage) { FFirst = stage; }
    bool FirstRead() const { return FFirstReadPending; }
    void SetFirstRead(bool pending) { FFirstReadPending = pending; }

    // Trigger configuration: flags bit 0 A, bit 1 B, bit 2 A under, bit 3 B
    // under; thresholds in sample units; relation true = AND.
    void SetTrigger(uint8_t flags, int32_t thresholdA, int32_t thresholdB, bool relation);
    // ARM configuration: flags bit 0 A, bit 1 B, bit 2 A under, bit 3 B under.
    void SetArm(uint8_t flags, int32_t thresholdA, int32_t thresholdB);
    bool ArmEnabled() const { return (FArmFlags & 0x03) != 0; }

    // Ground substitution: the zero levels are clamped to 1..255 so that a
    // substituted word is never one of the reserved words.
    void SetGround(bool groundA, bool groundB, int32_t zeroA, int32_t zeroB);
    bool GroundActive() const { return FGroundA || FGroundB; }

    bool FreeRun() const { return FFreeRunOn; }
    void SetFreeRun(bool on) { FFreeRunOn = on; }
    bool Triggered() const { return FTriggeredFlag; }
    void SetTriggered(bool triggered) { FTriggeredFlag = triggered; }
    uint8_t LastStatus() const { return FLastStatusByte; }
    void SetLastStatus(uint8_t status) { FLastStatusByte = status; }
    uint8_t TriggerStateA() const { return FStateA; }
    uint8_t TriggerStateB() const { return FStateB; }
    void SetTriggerStates(uint8_t a, uint8_t b) {
        FStateA = a;
        FStateB = b;
    }

private:
    uint8_t RunFirstStage(uint16_t *block, int32_t &count);
    template <bool All>
    int32_t FindTrigger(const uint16_t *block, int32_t start, int32_t end) const;
    void RebuildTriggerRanges();
    void RebuildArmRanges();

    FirstStage FFirst = FirstStage::Compact;
    bool FFirstReadPending = true;
    bool FGroundA = false;
    bool FGroundB = false;
    uint16_t FZeroA = 128;
    uint16_t FZeroB = 128;
    bool FFreeRunOn = true;
    bool FTriggeredFlag = false;
    uint8_t FLastStatusByte = kStatusWaitingBoth;
    uint8_t FStateA = 1;
    uint8_t FStateB = 1;

    uint8_t FTriggerFlags = 0;
    int32_t FTriggerThresholdA = 0;
    int32_t FTriggerThresholdB = 0;
    bool FTriggerAll = false;
    uint8_t FArmFlags = 0;
    int32_t FArmThresholdA = 0;
    int32_t FArmThresholdB = 0;

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
    ByteRange FTriggerRangeA, FTriggerRangeB;
    ByteRange FArmPassA, FArmPassB;
};

} // namespace vexa
