// DisplayBlock cost in the processing thread: CPU time per second of
// signal at 5,000,000 samples per second, delivered in device reads of
// 65,536 words, for the fastest display rate the coupling allows there
// (0.1 s/div: 10,000 samples per column, 500 columns per second) and for
// the slowest (20,000 s/div: one column in 400 seconds). The displays use
// the main window's stored settings (band, line mode, grid on).
#include "display/RollScreenEKGVexaRM.h"
#include "display/RollScreenShiftVexaRM.h"
#include "model/VirtualScopeVexaRM.h"

#include <QApplication>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {

constexpr int kRate = 5000000;
constexpr int kBlockWords = 65536;

std::vector<uint16_t> SignalBlock() {
    std::mt19937 rng(1);
    std::uniform_int_distribution<int> noise(-3, 3);
    std::vector<uint16_t> block(kBlockWords);
    for (int i = 0; i < kBlockWords; ++i) {
        const int a = 128 + int(100 * std::sin(i / 3000.0)) + noise(rng);
        const int b = 128 + int(60 * std::cos(i / 1700.0)) + noise(rng);
        block[size_t(i)] = uint16_t(std::clamp(a, 1, 255) | (std::clamp(b, 1, 255) << 8));
    }
    return block;
}

// One iteration is one second of signal.
template <class TDisplay> void BM_DisplayBlock(benchmark::State &state) {
    vexa::TVirtualScopeVexaRM scope;
    scope.ApplyStoredValues();
    scope.SetSMPSetting(15); // 5,000,000 samples per second
    scope.SetDSPSetting(int32_t(state.range(0)));
    TDisplay display;
    display.resize(800, 400);
    display.SetVirtualScope(&scope);
    display.ResetScreen();
    const auto block = SignalBlock();
    for (auto _ : state) {
        for (int fed = 0; fed < kRate; fed += kBlockWords)
            display.DisplayBlock(block.data(), std::min(kBlockWords, kRate - fed));
    }
}

} // namespace

BENCHMARK_TEMPLATE(BM_DisplayBlock, vexa::TRollScreenShiftVexaRM)
    ->ArgName("DSPSetting")
    ->Arg(0)
    ->Arg(16)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_DisplayBlock, vexa::TRollScreenEKGVexaRM)
    ->ArgName("DSPSetting")
    ->Arg(0)
    ->Arg(16)
    ->Unit(benchmark::kMillisecond);

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
