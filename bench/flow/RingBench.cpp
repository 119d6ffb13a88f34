// Words per second through the ring between a writer and a reader thread.
#include "flow/DataSourceModuleVexaRM.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <thread>

using vexa::TDataSourceModuleVexaRM;

static void BM_RingTwoThreads(benchmark::State &state) {
    const int32_t block = static_cast<int32_t>(state.range(0));
    constexpr int64_t kWordsPerIteration = 64 << 20;
    auto ring = std::make_unique<TDataSourceModuleVexaRM>();
    int64_t total = 0;
    uint64_t check = 0;
    for (auto _ : state) {
        ring->ResetBuffer();
        std::atomic<bool> abandon{false};
        std::thread writer([&] {
            int64_t sent = 0;
            while (sent < kWordsPerIteration) {
                uint16_t *p = ring->GetWritePointer(abandon);
                if (!p) return;
                for (int32_t i = 0; i < block; ++i)
                    p[i] = static_cast<uint16_t>(sent + i);
                ring->CommitWrite(block);
                sent += block;
            }
        });
        int64_t got = 0;
        while (got < kWordsPerIteration) {
            int32_t n;
            const uint16_t *p = ring->GetReadBlock(n);
            if (!p) break;
            for (int32_t i = 0; i < n; ++i) // read every word, as the budget counts them
                check += p[i];
            got += n;
            ring->ConsumeRead(n);
        }
        writer.join();
        total += got;
    }
    benchmark::DoNotOptimize(check);
    state.SetItemsProcessed(total);
    state.counters["words_per_s"] =
        benchmark::Counter(static_cast<double>(total), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RingTwoThreads)
    ->Arg(65536)
    ->Arg(8192)
    ->Arg(1024)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
