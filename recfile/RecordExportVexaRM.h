// Exports of a span of one measurement: CSV (every period, or one line per N
// periods with min/max/mean), WAV (8-bit unsigned stereo, A left and B
// right, one file per run of one rate without gaps, RF64 above 4 GiB), NPY
// (an N x 2 uint8 array of codes, plus a JSON sidecar with the scale of every
// section) and extracts (a record file of the span: a complete start group,
// the span's words, a stop record).
//
// ARM-marker periods have no values: empty fields in CSV, code 0 (a code no
// sample has) in WAV and NPY. Device markers take no time and are left out
// (extracts keep every word of the span). Work is reported through progress
// (periods done of all) and cancelled by it; a cancelled or failed export
// removes what it wrote. An output that is the record file itself is refused.
#pragma once

#include "RecordReaderVexaRM.h"

#include <string>
#include <vector>

namespace vexa::rec {

enum class ExportFormat : uint8_t { Csv, Wav, Npy, Record };

struct TExportOptions {
    ExportFormat Format = ExportFormat::Csv;
    uint32_t Measurement = 0;
    TTimeNs From = 0;
    TTimeNs To = INT64_MAX; // clipped to the measurement
    uint64_t Decimate = 0;  // CSV: one line per this many periods (0 or 1: every period)
    TProgressFn Progress;
};

struct TExportResult {
    bool Ok = false;
    bool Cancelled = false;
    std::string Error;
    std::vector<std::string> Files; // every file written
    uint64_t Periods = 0;
    uint64_t Bytes = 0; // bytes written
};

class TRecordExportVexaRM {
public:
    static TExportResult Export(const TRecordReaderVexaRM &reader, const std::string &out,
                                const TExportOptions &options);

    // The header of a WAV file of frames 8-bit stereo frames at rate: RIFF
    // (44 bytes) or, when the data do not fit 32 bits, RF64 (80 bytes).
    static std::vector<uint8_t> WavHeader(uint32_t rate, uint64_t frames);
    // The header of a version 1.0 NPY file of an rows x 2 uint8 array.
    static std::string NpyHeader(uint64_t rows);
    // The name of part k (from 0) of a WAV export: OUT, then OUT-2.ext, ...
    static std::string PartName(const std::string &out, size_t k);
};

} // namespace vexa::rec
