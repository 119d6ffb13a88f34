// The recording the viewer's benchmarks run on, written at run time.
#pragma once

#include <cstdint>
#include <string>

namespace vexa::bench {

// One measurement of about bytes bytes at 5 MS/s: a slow sine with noise on
// A and a triangle on B, a one-sample spike on A every 100 M periods, a
// device marker every 50 M periods and a run of 4,096 ARM markers every
// 300 M periods. The last periods' words hold no spike, so a search for a
// level above the spikes never finds one.
bool WriteBenchRecord(const std::string &path, uint64_t bytes);

// The code of the spikes on A; the signal stays below kBenchSignalTop.
constexpr int kBenchSpikeCode = 250;
constexpr int kBenchSignalTop = 200;
constexpr uint32_t kBenchRate = 5000000;

} // namespace vexa::bench
