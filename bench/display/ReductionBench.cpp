// Column reduction throughput in words per second.
#include "display/ColumnReducerVexaRM.h"

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

namespace {

// One device read's worth of sample pairs with a marker 2 now and then, as
// an armed measurement delivers them.
std::vector<uint16_t> SampleBlock(bool withMarkers) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> code(1, 255), pick(0, 4095);
    std::vector<uint16_t> block(65536);
    for (auto &w : block)
        w = uint16_t(code(rng) | (code(rng) << 8));
    if (withMarkers)
        for (auto &w : block)
            if (pick(rng) == 0) w = 2;
    return block;
}

void BM_Reduce(benchmark::State &state) {
    const int64_t b = state.range(0);
    const auto block = SampleBlock(state.range(1) != 0);
    vexa::TColumnReducerVexaRM reducer;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            reducer.Reduce(block.data(), int(block.size()), b, /*widthColumns=*/-1));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * int64_t(block.size()));
    state.counters["words/s"] =
        benchmark::Counter(double(state.iterations() * block.size()), benchmark::Counter::kIsRate);
}

} // namespace

// Samples per column: 1 (every word a column), 100, 2000 (100 kS/s at
// 1 s/div), 10000 (5 MS/s at 0.1 s/div), 2e9 (5 MS/s at 20,000 s/div);
// second argument: with markers 2 scattered through the block.
BENCHMARK(BM_Reduce)
    ->ArgNames({"b", "markers"})
    ->Args({1, 0})
    ->Args({100, 0})
    ->Args({2000, 0})
    ->Args({10000, 0})
    ->Args({2000000000, 0})
    ->Args({2000, 1});

BENCHMARK_MAIN();
