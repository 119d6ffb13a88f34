// The whole flow with the real driver library and the simulated device:
// processor time per second of signal at the top rate in real time, and the
// sustained rate with the device unpaced. Saving is on in both.
#include "flow/DataSourceModuleVexaRM.h"
#include "flow/FlowInterfacesVexaRM.h"
#include "flow/FlowManagerVexaRM.h"
#include "flow/AcquisitionThreadRM.h"
#include "model/MainThreadHandoverVexaRM.h"
#include "flow/ProcessingThreadRM.h"
#include "device/VirtualDriverVexaRM.h"
#include "model/VirtualScopeVexaRM.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>

using namespace vexa;

namespace {

std::string BinFolder() {
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string p(buf, static_cast<size_t>(n));
    return p.substr(0, p.rfind('/'));
}

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

struct Sim {
    Sim() {
        Handle = dlopen((BinFolder() + "/libvexausb.so").c_str(), RTLD_NOW | RTLD_LOCAL);
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
    std::string dir = std::filesystem::temp_directory_path() / "flowbenchXXXXXX";
    if (!mkdtemp(dir.data())) return r;
    {
        TVirtualScopeVexaRM scope;
        TVirtualDriverVexaRM driver;
        auto ring = std::make_unique<TDataSourceModuleVexaRM>();
        TMainThreadHandoverVexaRM handover;
        TFlowManagerVexaRM flow;
        TouchingDisplay roll, ekg;
        scope.ApplyStoredValues();
        scope.SetModeEKG(false);
        scope.SetBoostThread(false);
        scope.SetSMPSetting(15);
        driver.SetLibraryFolder(BinFolder());
        scope.SetVirtualDriver(&driver);
        flow.SetDataSourceInstance(ring.get());
        flow.SetRollScreen(&roll);
        flow.SetEKGScreen(&ekg);
        flow.SetMainThreadHandover(&handover);
        flow.SetVirtualScope(&scope);
        scope.StartApplication();
        scope.OpenRecordFile(dir + "/bench.rmd");
        scope.SetSavingActivated(true);
        scope.SetMeasurementStarted(true);
        scope.Notify(kNotifySettingsChanged, kGroupMainWindow);
        // Past the start-up before the clock starts.
        auto settle = std::chrono::steady_clock::now() + std::chrono::milliseconds(200);
        while (std::chrono::steady_clock::now() < settle) {
            handover.ServicePending();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        double acq0 = flow.AcquisitionThread()->CpuSeconds();
        double proc0 = flow.ProcessingThread()->CpuSeconds();
        uint64_t words0 = flow.ProcessingThread()->WordsProcessed();
        auto t0 = std::chrono::steady_clock::now();
        auto end = t0 + std::chrono::duration<double>(seconds);
        while (std::chrono::steady_clock::now() < end) {
            handover.ServicePending();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        r.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        r.AcquisitionCpu = flow.AcquisitionThread()->CpuSeconds() - acq0;
        r.ProcessingCpu = flow.ProcessingThread()->CpuSeconds() - proc0;
        r.Words = flow.ProcessingThread()->WordsProcessed() - words0;
        r.Lost = sim.Lost();
        scope.StopApplication();
        sim.Unpaced(0);
    }
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
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
