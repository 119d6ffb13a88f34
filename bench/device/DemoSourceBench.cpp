// The demo source at the top sampling rate: how many samples per second one
// core generates, and the share of a core that real time (5,000,000 samples
// per second) needs.
#include "device/DemoSourceVexaRM.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

namespace {

constexpr int32_t kTopRate = 5000000;

// One block of 10 ms at 5,000,000 samples per second (50,000 samples): the
// tick source advances 10 ms per call, as the acquisition thread would see.
void GenerateAtTopRate(benchmark::State &state, int32_t noiseA, int32_t noiseB) {
    vexa::TDemoSourceVexaRM source;
    uint32_t tick = 1000;
    source.SetTickSource([&tick] { return tick; });
    source.Restart();
    vexa::TDemoParametersVexaRM p;
    p.SamplesPerSecond = kTopRate;
    p.PeriodA = 1000;
    p.PeriodB = 2000;
    p.AmplitudeA = 3000;
    p.AmplitudeB = 2000;
    p.NoiseA = noiseA;
    p.NoiseB = noiseB;
    p.VerticalLevelA = 4095 - 2047;
    p.VerticalLevelB = 4095 - 2047;
    p.DeflectionA = 1000;
    p.DeflectionB = 1000;
    std::vector<uint16_t> buffer(65536);
    int64_t samples = 0;
    for (auto _ : state) {
        tick += 10;
        int32_t count = 0;
        benchmark::DoNotOptimize(source.GenerateDemoBlock(p, buffer.data(), count));
        benchmark::DoNotOptimize(buffer.data());
        samples += count;
    }
    state.SetItemsProcessed(samples);
    // Seconds of signal made per second of time, and its inverse: the share
    // of one core that real time at the top rate needs.
    const double signalSeconds = static_cast<double>(samples) / kTopRate;
    state.counters["realtime_x"] = benchmark::Counter(signalSeconds, benchmark::Counter::kIsRate);
    state.counters["core_share"] = benchmark::Counter(
        signalSeconds, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_DemoBlockTopRateNoNoise(benchmark::State &state) {
    GenerateAtTopRate(state, 0, 0);
}
void BM_DemoBlockTopRateNoiseBoth(benchmark::State &state) {
    GenerateAtTopRate(state, 10, 10);
}

} // namespace

BENCHMARK(BM_DemoBlockTopRateNoNoise)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DemoBlockTopRateNoiseBoth)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
