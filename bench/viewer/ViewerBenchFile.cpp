// Writes a record file for the viewer's measurements: one measurement of
// about BYTES bytes at 5 MS/s (a slow sine with noise on A, a triangle on B,
// now and then a one-sample spike, device markers and runs of ARM markers),
// then builds its index beside it unless --no-index is given.
//   viewer_bench_file FILE BYTES [--no-index]
#include "BenchRecordVexaRM.h"

#include "recfile/RecordFileVexaRM.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char **argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: viewer_bench_file FILE BYTES [--no-index]\n");
        return 2;
    }
    const std::string path = argv[1];
    const uint64_t bytes = std::strtoull(argv[2], nullptr, 10);
    if (!vexa::bench::WriteBenchRecord(path, bytes)) {
        std::fprintf(stderr, "viewer_bench_file: cannot write %s\n", path.c_str());
        return 1;
    }
    if (argc > 3 && std::strcmp(argv[3], "--no-index") == 0) return 0;
    std::string error;
    auto file = vexa::rec::TRecordFileVexaRM::Open(path, &error);
    if (!file || !file->EnsureIndex().Index) {
        std::fprintf(stderr, "viewer_bench_file: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
