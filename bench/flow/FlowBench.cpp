// The whole flow with the real driver library and the simulated device:
// processor time per second of signal at the top rate in real time, and the
// sustained rate with the device unpaced. Saving is on in both.
#include "flow/FlowInterfacesVexaRM.h"
#include "flow/AcquisitionThreadRM.h"
#include "flow/ProcessingThreadRM.h"
#include "tests/support/FlowRig.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <dlfcn.h>

using namespace vexa;

namespace {

// Reduces every word it is given the way a display would have to touch it.
class TouchingDisplay : public IBlockDisplayVexaRM {
public:
    void DisplayBlock(const uint16_t *words, int n) override {
        uint32_t lo = 255, hi = 0;
        for (int i = 0; i < n; ++i) {
            uint32_t a = words[i] & 0xFF;
            lo = a < lo ? a : lo;
            hi = a > hi ? a : hi;
        }
        Sink = Sink + lo + hi;
    }
    void ResetScreen() override {}
    void ClearScreen() override {}
    void SetShown(bool) override {}
    std::atomic<uint64_t> Sink{0};
};

// The data flow as the program assembles it, with the driver library and
// the simulated device beside the benchmark, drawing on touching displays.
class BenchRig : public test::TFlowRig<TouchingDisplay> {
public:
    BenchRig() : TFlowRig(test::BinDir(), "flowbench") { AttachDisplays(); }
};

struct Sim {
    Sim() {
        Handle = dlopen((test::BinDir() + "/libvexausb.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!Handle) return;
        Reset = reinterpret_cast<void (*)()>(dlsym(Handle, "SimReset"));
        Counter = reinterpret_cast<void (*)(int32_t)>(dlsym(Handle, "SimSetCounterPattern"));
        Unpaced = reinterpret_cast<void (*)(int32_t)>(dlsym(Handle, "SimSetUnpaced"));
        Lost = reinterpret_cast<int64_t (*)()>(dlsym(Handle, "SimLostSamples"));
        if (!Reset || !Counter || !Unpaced || !Lost) Handle = nullptr;
    }
    ~Sim() {
        if (Handle) dlclose(Handle);
    }
    void *Handle = nullptr;
    void (*Reset)() = nullptr;
    void (*Counter)(int32_t) = nullptr;
    void (*Unpaced)(int32_t) = nullptr;
    int64_t (*Lost)() = nullptr;
};

struct Result {
    double Seconds = 0;
    double AcquisitionCpu = 0;
    double ProcessingCpu = 0;
    uint64_t Words = 0;
    int64_t Lost = 0;
};

// Records at the top rate for the given time and reports what it cost.
Result RunFlow(bool unpaced, double seconds) {
    Sim sim;
    Result r;
    if (!sim.Handle) return r;
    sim.Reset();
    sim.Counter(1);
    sim.Unpaced(unpaced ? 1 : 0);
    {
        BenchRig rig;
        rig.Scope.SetBoostThread(false);
        rig.Scope.SetSMPSetting(15);
        rig.Start();
        rig.SaveTo("bench.rmd");
        rig.StartMeasurement();
        TFlowManagerVexaRM &flow = rig.Flow;
        // Past the start-up before the clock starts.
        rig.PumpFor(200);
        double acq0 = flow.AcquisitionThread()->CpuSeconds();
        double proc0 = flow.ProcessingThread()->CpuSeconds();
        uint64_t words0 = flow.ProcessingThread()->WordsProcessed();
        auto t0 = std::chrono::steady_clock::now();
        rig.PumpFor(static_cast<int>(seconds * 1000));
        r.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        r.AcquisitionCpu = flow.AcquisitionThread()->CpuSeconds() - acq0;
        r.ProcessingCpu = flow.ProcessingThread()->CpuSeconds() - proc0;
        r.Words = flow.ProcessingThread()->WordsProcessed() - words0;
        r.Lost = sim.Lost();
        rig.Stop();
        sim.Unpaced(0);
    }
    return r;
}

void BM_FlowRealTimeTopRate(benchmark::State &state) {
    Result r;
    for (auto _ : state)
        r = RunFlow(false, 4.0);
    if (r.Seconds <= 0) {
        state.SkipWithError("the simulated device was not found");
        return;
    }
    // Seconds of signal: the words that came through at 5,000,000 per second.
    double signal = static_cast<double>(r.Words) / 5e6;
    state.counters["acq_cpu_s_per_signal_s"] = r.AcquisitionCpu / signal;
    state.counters["proc_cpu_s_per_signal_s"] = r.ProcessingCpu / signal;
    state.counters["samples_per_s"] = static_cast<double>(r.Words) / r.Seconds;
    state.counters["lost_samples"] = static_cast<double>(r.Lost);
}
BENCHMARK(BM_FlowRealTimeTopRate)->Iterations(1)->Unit(benchmark::kSecond);

void BM_FlowUnpaced(benchmark::State &state) {
    Result r;
    for (auto _ : state)
        r = RunFlow(true, 2.0);
    if (r.Seconds <= 0) {
        state.SkipWithError("the simulated device was not found");
        return;
    }
    double rate = static_cast<double>(r.Words) / r.Seconds;
    state.counters["samples_per_s"] = rate;
    state.counters["multiple_of_5MS"] = rate / 5e6;
    state.counters["acq_cpu_share"] = r.AcquisitionCpu / r.Seconds;
    state.counters["proc_cpu_share"] = r.ProcessingCpu / r.Seconds;
}
BENCHMARK(BM_FlowUnpaced)->Iterations(1)->Unit(benchmark::kSecond);

} // namespace
