// The fault and endurance tests' rig: the whole data flow
// (tests/support/FlowRig.h) on the real driver library and the simulated
// device, with a display stand-in that counts and fingerprints every word
// the processing thread hands on.
#pragma once

#include "tests/support/CounterStream.h"
#include "tests/support/SimControl.h"
#include "flow/FlowInterfacesVexaRM.h"
#include "tests/support/FlowRig.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vexa::test {

// Counts the words it is given and folds them into a fingerprint that the
// record file must reproduce.
class CountingDisplay : public IBlockDisplayVexaRM {
public:
    void DisplayBlock(const uint16_t *words, int n) override;
    void ResetScreen() override {}
    void ClearScreen() override {}
    void SetShown(bool) override {}
    uint64_t Words() const { return FWords.load(); }
    uint64_t Fingerprint() const { return FFingerprint.load(); }

private:
    // Written by the processing thread only, read after it stopped.
    std::atomic<uint64_t> FWords{0};
    std::atomic<uint64_t> FFingerprint{1469598103934665603ull};
};

// The fingerprint CountingDisplay computes, over a whole word sequence.
uint64_t FingerprintOf(const std::vector<uint16_t> &words);

// The flow with counting displays, its folder named "robust".
class RobustRig : public TFlowRig<CountingDisplay> {
public:
    RobustRig();
};

} // namespace vexa::test
