// The record-file library on a 4 GiB recording generated at the first run
// in a temporary folder (removed at exit): index build from the page cache
// against a plain pass over the same bytes, stats of random spans, a
// 1920-column frame, and the exports against memcpy of the same bytes.
#include "recfile/IndexBuilderVexaRM.h"
#include "recfile/RecordExportVexaRM.h"
#include "recfile/RecordFileVexaRM.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

using namespace vexa::rec;

namespace {

struct TBig {
    std::string Dir, Path;
    std::unique_ptr<TRecordFileVexaRM> File;
    std::shared_ptr<const TRecordReaderVexaRM> Reader;
    TBig() {
        const char *tmp = std::getenv("TMPDIR");
        Dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/vexa-bench-XXXXXX";
        if (!mkdtemp(Dir.data())) std::abort();
        Path = Dir + "/big.rmd";
        std::ofstream out(Path, std::ios::binary);
        const std::vector<uint16_t> head = {
            0, 4, 1, 1, 0,  6,      2,    2047, 128, 0,  0,   6, 3, 2047, 128, 0,   0, 4, 4,
            1, 0, 4, 5, 1,  0,      4,    6,    1,   0,  4,   7, 1, 0,    4,   8,   0, 0, 4,
            9, 0, 0, 5, 10, 0x4B40, 0x4C, 0,    5,   11, 100, 0, 0, 5,    12,  100, 0};
        out.write(reinterpret_cast<const char *>(head.data()), head.size() * 2);
        std::vector<uint16_t> block(1 << 20);
        std::mt19937 rng(1);
        int a = 128, b = 128;
        for (uint64_t done = 0; done < (2ull << 30) - (1 << 20); done += block.size()) {
            for (auto &w : block) {
                a = std::clamp(a + static_cast<int>(rng() % 5) - 2, 3, 250);
                b = std::clamp(b + static_cast<int>(rng() % 3) - 1, 3, 250);
                w = static_cast<uint16_t>(a | (b << 8));
            }
            out.write(reinterpret_cast<const char *>(block.data()), block.size() * 2);
        }
        const uint16_t stop[] = {0, 4, 1, 0};
        out.write(reinterpret_cast<const char *>(stop), sizeof stop);
        out.close();
        std::string error;
        File = TRecordFileVexaRM::Open(Path, &error);
        File->EnsureIndex();
        Reader = File->Reader();
    }
    ~TBig() { std::filesystem::remove_all(Dir); }
};

TBig &Big() {
    static TBig big;
    return big;
}

constexpr uint64_t kPassBytes = 512ull << 20; // the share of the file one build pass reads

// Reference: a plain pass over the same bytes (a sum of the words).
void BM_PlainReadOfTheFile(benchmark::State &state) {
    const auto &m = *Big().File->Mapping();
    uint64_t sum = 0;
    for (auto _ : state) {
        const uint16_t *w = m.WordData();
        for (uint64_t i = 0; i < kPassBytes / 2; ++i)
            sum += w[i];
        benchmark::DoNotOptimize(sum);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kPassBytes));
}
BENCHMARK(BM_PlainReadOfTheFile)->Unit(benchmark::kMillisecond);

void BM_MemcpyOfTheFile(benchmark::State &state) {
    const auto &m = *Big().File->Mapping();
    std::vector<uint8_t> buf(4 << 20);
    for (auto _ : state) {
        for (uint64_t at = 0; at < kPassBytes; at += buf.size())
            std::memcpy(buf.data(), m.Data() + at, buf.size());
        benchmark::DoNotOptimize(buf.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kPassBytes));
}
BENCHMARK(BM_MemcpyOfTheFile)->Unit(benchmark::kMillisecond);

// The whole 4 GiB file, from the page cache, kept in memory (no index file).
void BM_IndexBuild(benchmark::State &state) {
    const auto &m = *Big().File->Mapping();
    for (auto _ : state) {
        TIndexResult r = TIndexBuilderVexaRM::Build(m, nullptr, "");
        benchmark::DoNotOptimize(r.Index.get());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * m.Bytes()));
}
BENCHMARK(BM_IndexBuild)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_StatsRandomSpanOf4GiB(benchmark::State &state) {
    const auto &r = *Big().Reader;
    const TTimeNs d = r.Measurements()[0].Duration;
    std::mt19937_64 rng(3);
    for (auto _ : state) {
        const TTimeNs a = static_cast<TTimeNs>(rng() % static_cast<uint64_t>(d));
        const TTimeNs b = a + static_cast<TTimeNs>(rng() % static_cast<uint64_t>(d - a));
        benchmark::DoNotOptimize(r.Stats(0, a, b));
    }
}
BENCHMARK(BM_StatsRandomSpanOf4GiB)->Unit(benchmark::kMicrosecond);

void BM_Frame1920Of4GiB(benchmark::State &state) {
    const auto &r = *Big().Reader;
    const TTimeNs d = r.Measurements()[0].Duration;
    std::vector<TColumn> cols(1920);
    std::mt19937_64 rng(4);
    const bool whole = state.range(0) == 0;
    for (auto _ : state) {
        const TTimeNs a = whole ? 0 : static_cast<TTimeNs>(rng() % static_cast<uint64_t>(d / 2));
        const TTimeNs b = whole ? d : a + d / 1000;
        r.Frame(0, a, b, 1920, cols.data());
        benchmark::DoNotOptimize(cols.data());
    }
}
BENCHMARK(BM_Frame1920Of4GiB)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Exports of the first 256 MiB of the recording; bytes are those written.
void ExportBench(benchmark::State &state, ExportFormat format) {
    const auto &r = *Big().Reader;
    TExportOptions o;
    o.Format = format;
    o.To = PeriodTime(0, 5000000, 128ull << 20);
    const std::string out = Big().Dir + (format == ExportFormat::Csv ? "/x.csv" : "/x.bin");
    uint64_t bytes = 0;
    for (auto _ : state) {
        const TExportResult res = TRecordExportVexaRM::Export(r, out, o);
        bytes += res.Bytes;
        std::filesystem::remove(out);
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
}
void BM_ExportCsv(benchmark::State &state) {
    ExportBench(state, ExportFormat::Csv);
}
void BM_ExportWav(benchmark::State &state) {
    ExportBench(state, ExportFormat::Wav);
}
void BM_ExportNpy(benchmark::State &state) {
    ExportBench(state, ExportFormat::Npy);
}
BENCHMARK(BM_ExportCsv)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ExportWav)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_ExportNpy)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

BENCHMARK_MAIN();
