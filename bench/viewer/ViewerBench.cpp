// The viewer's redraw at 1920 x 1080 on the real index of a 4 GiB recording
// (generated at the first run in a temporary folder, removed at exit): the
// plot of a span built from the index and the raw words, then painted with
// its axes into an image of the screen's size, at zoom levels from the
// whole measurement down to single samples, and while panning. Reference in
// the same run: filling the same image once. Also searches over the file.
#include "BenchRecordVexaRM.h"
#include "viewer/PlotModelVexaRM.h"
#include "recfile/RecordFileVexaRM.h"
#include "viewer/SearchVexaRM.h"
#include "viewer/TracePainterVexaRM.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <random>

using namespace vexa;
using namespace vexa::view;

namespace {

constexpr int kScreenW = 1920, kScreenH = 1080;

struct TBig {
    std::string Dir;
    std::unique_ptr<rec::TRecordFileVexaRM> File;
    std::shared_ptr<const rec::TRecordReaderVexaRM> Reader;
    TTimeNs Duration = 0;
    TBig() {
        const char *tmp = std::getenv("TMPDIR");
        Dir = std::string(tmp && *tmp ? tmp : "/tmp") + "/vexa-viewer-bench-XXXXXX";
        if (!mkdtemp(Dir.data())) std::abort();
        const std::string path = Dir + "/big.rmd";
        // VIEWER_BENCH_BYTES: another size, for a quick look.
        const char *size = std::getenv("VIEWER_BENCH_BYTES");
        const uint64_t bytes = size ? std::strtoull(size, nullptr, 10) : 4ull << 30;
        if (!bench::WriteBenchRecord(path, bytes)) std::abort();
        std::string error;
        File = rec::TRecordFileVexaRM::Open(path, &error);
        if (!File || !File->EnsureIndex().Index) std::abort();
        Reader = File->Reader();
        Duration = Reader->Measurements()[0].Duration;
    }
    ~TBig() { std::filesystem::remove_all(Dir); }
};

TBig &Big() {
    static TBig big;
    return big;
}

// One redraw as the trace view does it: plot of the span, then paint.
void Redraw(QImage &image, const TTraceLayout &l, TTimeNs from, TTimeNs to) {
    const TPlotVexaRM plot = TPlotModelVexaRM::Build(*Big().Reader, 0, from, to, l.Plot.width());
    QPainter p(&image);
    TTraceOverlay overlay;
    overlay.HasCursor[0] = overlay.HasCursor[1] = true;
    overlay.Cursor[0] = from + (to - from) / 4;
    overlay.Cursor[1] = from + (to - from) / 2;
    p.fillRect(image.rect(), Qt::black);
    TTracePainterVexaRM::Paint(p, l, plot, overlay);
}

void BM_FillScreenImage(benchmark::State &state) {
    QImage image(kScreenW, kScreenH, QImage::Format_RGB32);
    for (auto _ : state) {
        image.fill(Qt::black);
        benchmark::DoNotOptimize(image.bits());
    }
}
BENCHMARK(BM_FillScreenImage)->Unit(benchmark::kMillisecond);

// zoom k: the span is the whole measurement / 16^k; the last one is 200
// sample periods (single samples joined by lines).
void BM_ViewerRedraw(benchmark::State &state) {
    TBig &big = Big();
    QImage image(kScreenW, kScreenH, QImage::Format_RGB32);
    const QFontMetrics fm(QFont{});
    const TTraceLayout l = TTracePainterVexaRM::Layout(image.size(), &fm);
    const int k = static_cast<int>(state.range(0));
    TTimeNs width = big.Duration;
    for (int i = 0; i < k; ++i)
        width /= 16;
    if (state.range(0) == 99) width = 200 * (rec::kNsPerSecond / bench::kBenchRate);
    std::mt19937_64 rng(static_cast<uint64_t>(k) + 1);
    for (auto _ : state) {
        const TTimeNs from =
            width >= big.Duration ? 0 : static_cast<TTimeNs>(rng() % (big.Duration - width));
        Redraw(image, l, from, from + width);
        benchmark::DoNotOptimize(image.bits());
    }
    state.counters["span_s"] = rec::Seconds(width);
}
BENCHMARK(BM_ViewerRedraw)
    ->ArgName("zoom")
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Arg(3)
    ->Arg(4)
    ->Arg(5)
    ->Arg(99)
    ->Unit(benchmark::kMillisecond);

// Dragging: the span moves by a twentieth of its width per frame.
void BM_ViewerPan(benchmark::State &state) {
    TBig &big = Big();
    QImage image(kScreenW, kScreenH, QImage::Format_RGB32);
    const QFontMetrics fm(QFont{});
    const TTraceLayout l = TTracePainterVexaRM::Layout(image.size(), &fm);
    const TTimeNs width = big.Duration / 300;
    TTimeNs from = 0;
    for (auto _ : state) {
        if (from + width > big.Duration) from = 0;
        Redraw(image, l, from, from + width);
        from += width / 20;
        benchmark::DoNotOptimize(image.bits());
    }
}
BENCHMARK(BM_ViewerPan)->Unit(benchmark::kMillisecond);

// A level above every sample: the whole file is searched, from the index.
void BM_SearchWholeFileNoHit(benchmark::State &state) {
    TBig &big = Big();
    TSearchQuery q;
    q.Level = (bench::kBenchSpikeCode + 2 - 128) / 32.0; // volts at 1 V/div, zero 128
    for (auto _ : state) {
        TTimeNs found;
        if (TSearchVexaRM::Find(*big.Reader, 0, 0, true, q, &found)) state.SkipWithError("hit");
    }
}
BENCHMARK(BM_SearchWholeFileNoHit)->Unit(benchmark::kMillisecond);

// The next spike from a random place (they are 20 s of signal apart).
void BM_SearchNextSpike(benchmark::State &state) {
    TBig &big = Big();
    TSearchQuery q;
    q.Level = (bench::kBenchSignalTop - 128) / 32.0;
    std::mt19937_64 rng(3);
    for (auto _ : state) {
        TTimeNs found;
        const TTimeNs from = static_cast<TTimeNs>(rng() % static_cast<uint64_t>(big.Duration / 2));
        benchmark::DoNotOptimize(TSearchVexaRM::Find(*big.Reader, 0, from, true, q, &found));
    }
}
BENCHMARK(BM_SearchNextSpike)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
