// The floor of the whole program's work: the real driver library and the
// simulated device at 5,000,000 samples per second with its default signals,
// the acquisition and processing threads, the ring and the record file, and
// no display. Prints, as one JSON object, the processor time of the whole
// process per second of signal and the wake-ups per second of each thread.
// Usage: flow_floor [SECONDS] (default 10)
#include "flow/AcquisitionThreadRM.h"
#include "flow/FlowInterfacesVexaRM.h"
#include "flow/ProcessingThreadRM.h"
#include "tests/support/FlowRig.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <sstream>
#include <map>
#include <mutex>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

using namespace vexa;

namespace {

// Takes the blocks and draws nothing.
class NoDisplay : public IBlockDisplayVexaRM {
public:
    void DisplayBlock(const uint16_t *, int) override {}
    void ResetScreen() override {}
    void ClearScreen() override {}
    void SetShown(bool) override {}
};

// The data flow as the program assembles it, with the driver library and
// the simulated device beside this program, and no display.
class FloorRig : public test::TFlowRig<NoDisplay> {
public:
    FloorRig() : TFlowRig(test::BinDir(), "flowfloor") { AttachDisplays(); }
};

struct ThreadCount {
    std::string Name;
    long long Switches = 0;
    long long Ticks = 0; // user + system clock ticks
};

// Context switches (voluntary and involuntary) of each thread of this process.
std::map<int, ThreadCount> Switches() {
    std::map<int, ThreadCount> out;
    DIR *dir = opendir("/proc/self/task");
    if (!dir) return out;
    while (dirent *e = readdir(dir)) {
        if (e->d_name[0] == '.') continue;
        const int tid = std::atoi(e->d_name);
        std::ifstream status(std::string("/proc/self/task/") + e->d_name + "/status");
        ThreadCount c;
        std::string line;
        while (std::getline(status, line)) {
            if (line.rfind("Name:", 0) == 0) c.Name = line.substr(line.find_first_not_of(" \t", 5));
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0 ||
                line.rfind("nonvoluntary_ctxt_switches:", 0) == 0)
                c.Switches += std::atoll(line.substr(line.find(':') + 1).c_str());
        }
        std::ifstream stat(std::string("/proc/self/task/") + e->d_name + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const size_t close = text.rfind(')');
        if (close != std::string::npos) {
            // After the name: state is field 3; utime and stime are 14 and 15.
            std::istringstream fields(text.substr(close + 2));
            std::string f;
            for (int i = 3; i <= 15 && fields >> f; ++i)
                if (i == 14 || i == 15) c.Ticks += std::atoll(f.c_str());
        }
        out[tid] = c;
    }
    closedir(dir);
    return out;
}

double ProcessCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

} // namespace

int main(int argc, char **argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 10.0;
    int rc = 0;
    {
        FloorRig rig;
        TFlowManagerVexaRM &flow = rig.Flow;
        TMainThreadHandoverVexaRM &handover = rig.Handover;
        // The main thread sleeps until a worker hands it something, as the
        // program's event loop would.
        std::mutex lock;
        std::condition_variable wake;
        bool queued = false;
        handover.SetWakeHook([&] {
            {
                std::lock_guard<std::mutex> g(lock);
                queued = true;
            }
            wake.notify_one();
        });
        auto serveUntil = [&](std::chrono::steady_clock::time_point until) {
            std::unique_lock<std::mutex> g(lock);
            while (std::chrono::steady_clock::now() < until) {
                wake.wait_until(g, until, [&] { return queued; });
                if (!queued) continue;
                queued = false;
                g.unlock();
                handover.ServicePending();
                g.lock();
            }
        };
        rig.Scope.SetModeEKG(true);
        rig.Scope.SetBoostThread(true);
        rig.Scope.SetSMPSetting(15);
        rig.Start();
        rig.SaveTo("floor.rmd");
        rig.StartMeasurement();
        // Past the start-up before the clock starts, as the program's
        // measurement is.
        serveUntil(std::chrono::steady_clock::now() + std::chrono::seconds(2));
        if (!flow.ProcessingThread()) {
            std::fprintf(stderr, "flow_floor: the data flow did not start\n");
            rc = 1;
        } else {
            const auto switches0 = Switches();
            const double cpu0 = ProcessCpuSeconds();
            const uint64_t words0 = flow.ProcessingThread()->WordsProcessed();
            const auto t0 = std::chrono::steady_clock::now();
            serveUntil(t0 + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                std::chrono::duration<double>(seconds)));
            const double wall =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
            const double cpu = ProcessCpuSeconds() - cpu0;
            const uint64_t words = flow.ProcessingThread()->WordsProcessed() - words0;
            const auto switches1 = Switches();
            const double signal = double(words) / 5e6;
            std::printf("{\n  \"measured_seconds\": %.3f,\n  \"samples_per_second\": %.0f,\n"
                        "  \"cpu_seconds\": %.4f,\n  \"cpu_per_signal_second\": %.6f,\n"
                        "  \"threads\": [",
                        wall, double(words) / wall, cpu, signal > 0 ? cpu / signal : -1.0);
            const char *sep = "";
            for (const auto &[tid, after] : switches1) {
                auto before = switches0.find(tid);
                const bool known = before != switches0.end();
                const long long n = after.Switches - (known ? before->second.Switches : 0);
                const long long ticks = after.Ticks - (known ? before->second.Ticks : 0);
                std::printf("%s\n    {\"tid\": %d, \"name\": \"%s\", \"cpu_percent\": %.2f, "
                            "\"wakeups_per_s\": %.1f}",
                            sep, tid, after.Name.c_str(),
                            100.0 * double(ticks) / double(sysconf(_SC_CLK_TCK)) / wall,
                            double(n) / wall);
                sep = ",";
            }
            std::printf("\n  ]\n}\n");
        }
        rig.Stop();
        handover.SetWakeHook({});
    }
    return rc;
}
