// Throughput of DeviceFunction code 14 on a full 65,536-byte block per
// pipeline configuration. The scripted transport's FIFO read only copies a
// prepared block (runs of samples and empty slots); a memcpy of the same
// block in the same run is the physical limit of an in-place pass.
#include "common/ScopeConstsVexaRM.h"

#include <benchmark/benchmark.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <string>
#include <unistd.h>
#include <vector>

using namespace vexa;

namespace {

constexpr int32_t kBlockWords = 32768;

std::string BinDir() {
    char buf[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string p(buf, static_cast<size_t>(n));
    return p.substr(0, p.rfind('/'));
}

// A block as the device delivers it under load: runs of samples (a slow
// sine on A, a ramp on B) separated by runs of empty slots, about 70 % full.
std::vector<uint16_t> RealisticBlock() {
    std::vector<uint16_t> block(kBlockWords, 0);
    uint32_t rng = 12345;
    auto next = [&rng] {
        rng ^= rng << 13;
        rng ^= rng >> 17;
        rng ^= rng << 5;
        return rng;
    };
    int i = 0;
    int n = 0;
    while (i < kBlockWords) {
        const int run = 1 + static_cast<int>(next() % 96);
        for (int k = 0; k < run && i < kBlockWords; ++k, ++i, ++n) {
            const int a = 128 + static_cast<int>(100 * ((n / 64) % 2 ? 1 : -1) * ((n % 64) / 64.0));
            const int b = 1 + n % 255;
            block[static_cast<size_t>(i)] = static_cast<uint16_t>(b << 8 | a);
        }
        i += static_cast<int>(next() % 40);
    }
    return block;
}

class Chain {
public:
    Chain() {
        setenv("VEXA_USB_LIBRARY", "libvexascript.so", 1);
        const std::string dir = BinDir();
        Transport = dlopen((dir + "/libvexascript.so").c_str(), RTLD_NOW);
        Driver = dlopen((dir + "/libvexarmdrv.so").c_str(), RTLD_NOW);
        if (Transport == nullptr || Driver == nullptr) return;
        Init = reinterpret_cast<int32_t (*)(uint8_t *)>(dlsym(Driver, "InitializeDevice"));
        Fn = reinterpret_cast<decltype(Fn)>(dlsym(Driver, "DeviceFunction"));
        // A record of zeros whose checksum is right: the device starts.
        uint8_t record[256] = {};
        record[158] = 0x2F;
        record[159] = 0x3A;
        reinterpret_cast<void (*)(const uint8_t *)>(dlsym(Transport, "ScriptSetRecord"))(record);
        const std::vector<uint16_t> block = RealisticBlock();
        reinterpret_cast<void (*)(const uint16_t *, int32_t)>(
            dlsym(Transport, "ScriptSetStandingBlock"))(block.data(), kBlockWords);
        Call(kCmdRegisterFailureFlag, reinterpret_cast<intptr_t>(&Failure));
        Ok = Init(nullptr) == 0;
    }
    ~Chain() {
        if (Driver != nullptr) dlclose(Driver);
        if (Transport != nullptr) dlclose(Transport);
    }
    int32_t Call(int32_t code, intptr_t value, int32_t *result = nullptr,
                 uint16_t *buffer = nullptr) {
        return Fn(code, buffer, 0, nullptr, 0, value, result);
    }
    bool Ok = false;

private:
    void *Transport = nullptr;
    void *Driver = nullptr;
    int32_t (*Init)(uint8_t *) = nullptr;
    int32_t (*Fn)(int32_t, uint16_t *, int32_t, uint8_t *, int32_t, intptr_t, int32_t *) = nullptr;
    uint8_t Failure = 0;
};

enum Config { kCompact, kTriggerSearch, kArmFilter };

void ReadBlock(benchmark::State &state, Config config, bool ground) {
    Chain chain;
    if (!chain.Ok) {
        state.SkipWithError("driver or scripted transport not loadable");
        return;
    }
    int32_t r = 0;
    chain.Call(kCmdRangeA, 100);
    chain.Call(kCmdRangeB, 100);
    chain.Call(kCmdPositionA, 2000, &r);
    chain.Call(kCmdPositionB, 2000, &r);
    if (config == kTriggerSearch) {
        chain.Call(kCmdFreeRun, 0);           // wait for a trigger ...
        chain.Call(kCmdTriggerSourceA, 1);    // ... on A over a level no sample reaches:
        chain.Call(kCmdTriggerLevelA, 10000); // the search scans every block to its end
    }
    if (config == kArmFilter) {
        chain.Call(kCmdArmSourceA, 1); // ARM on A: part of the samples become markers
        chain.Call(kCmdArmLevelA, 0);
    }
    chain.Call(kCmdGroundA, ground ? 1 : 0);
    chain.Call(kCmdStartStop, 1);
    std::vector<uint16_t> buffer(65536);
    int32_t count = 0;
    chain.Call(kCmdReadSamples, 0, &count, buffer.data()); // the first read of a measurement
    int64_t delivered = 0;
    for (auto _ : state) {
        const int32_t status = chain.Call(kCmdReadSamples, 0, &count, buffer.data());
        benchmark::DoNotOptimize(status);
        benchmark::DoNotOptimize(buffer.data());
        delivered += count;
    }
    chain.Call(kCmdStartStop, 0);
    state.SetItemsProcessed(state.iterations() * kBlockWords);
    state.counters["delivered_per_block"] =
        benchmark::Counter(static_cast<double>(delivered), benchmark::Counter::kAvgIterations);
}

void BM_MemcpyBlock(benchmark::State &state) {
    const std::vector<uint16_t> block = RealisticBlock();
    std::vector<uint16_t> buffer(65536);
    for (auto _ : state) {
        std::memcpy(buffer.data(), block.data(), kBlockWords * sizeof(uint16_t));
        benchmark::DoNotOptimize(buffer.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kBlockWords);
}

void BM_CompactStage(benchmark::State &s) {
    ReadBlock(s, kCompact, false);
}
void BM_CompactStageGround(benchmark::State &s) {
    ReadBlock(s, kCompact, true);
}
void BM_TriggerSearchStage(benchmark::State &s) {
    ReadBlock(s, kTriggerSearch, false);
}
void BM_TriggerSearchStageGround(benchmark::State &s) {
    ReadBlock(s, kTriggerSearch, true);
}
void BM_ArmFilterStage(benchmark::State &s) {
    ReadBlock(s, kArmFilter, false);
}
void BM_ArmFilterStageGround(benchmark::State &s) {
    ReadBlock(s, kArmFilter, true);
}

} // namespace

BENCHMARK(BM_MemcpyBlock);
BENCHMARK(BM_CompactStage);
BENCHMARK(BM_CompactStageGround);
BENCHMARK(BM_TriggerSearchStage);
BENCHMARK(BM_TriggerSearchStageGround);
BENCHMARK(BM_ArmFilterStage);
BENCHMARK(BM_ArmFilterStageGround);
BENCHMARK_MAIN();
