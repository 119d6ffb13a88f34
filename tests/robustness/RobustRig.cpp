#include "RobustRig.h"

namespace vexa::test {

namespace {

constexpr uint64_t kFnvPrime = 1099511628211ull;

} // namespace

void CountingDisplay::DisplayBlock(const uint16_t *words, int n) {
    uint64_t h = FFingerprint.load(std::memory_order_relaxed);
    for (int i = 0; i < n; ++i)
        h = (h ^ words[i]) * kFnvPrime;
    FFingerprint.store(h, std::memory_order_relaxed);
    FWords.fetch_add(static_cast<uint64_t>(n), std::memory_order_relaxed);
}

uint64_t FingerprintOf(const std::vector<uint16_t> &words) {
    uint64_t h = 1469598103934665603ull;
    for (uint16_t w : words)
        h = (h ^ w) * kFnvPrime;
    return h;
}

RobustRig::RobustRig() : TFlowRig(BinDir(), "robust") {
    Scope.SetDisplayActive(true);
    Driver.SetDialogs(&Dialogs);
    AttachDisplays();
}

} // namespace vexa::test
