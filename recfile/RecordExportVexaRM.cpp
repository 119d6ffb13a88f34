#include "RecordExportVexaRM.h"

#include "MappedFileVexaRM.h"
#include "TextNumberVexaRM.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexa::rec {

namespace {

constexpr uint64_t kProgressPeriods = 1ull << 20;

// Buffered output to one file; remembers the first error.
class TOut {
public:
    explicit TOut(const std::string &path) : Path(path) {
        Fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (Fd < 0) Error = path + ": " + std::strerror(errno);
        Buf.resize(kBuf);
    }
    ~TOut() { Close(); }
    bool Ok() const { return Error.empty(); }
    char *Room(size_t n) {
        if (Used + n > kBuf) Flush();
        return Buf.data() + Used;
    }
    void Commit(size_t n) { Used += n; }
    void Put(const void *p, size_t n) {
        if (n >= kBuf / 2) {
            Flush();
            WriteAll(static_cast<const char *>(p), n);
            return;
        }
        std::memcpy(Room(n), p, n);
        Used += n;
    }
    void Put(const std::string &s) { Put(s.data(), s.size()); }
    void Flush() {
        WriteAll(Buf.data(), Used);
        Used = 0;
    }
    bool PWrite(const void *p, size_t n, off_t at) {
        Flush();
        if (Ok() && ::pwrite(Fd, p, n, at) != static_cast<ssize_t>(n))
            Error = Path + ": write failed";
        return Ok();
    }
    bool Close() {
        if (Fd < 0) return Ok();
        Flush();
        if (::close(Fd) != 0 && Ok()) Error = Path + ": " + std::strerror(errno);
        Fd = -1;
        return Ok();
    }
    uint64_t Written = 0;
    std::string Error;
    std::string Path;

private:
    void WriteAll(const char *p, size_t n) {
        while (n > 0 && Ok() && Fd >= 0) {
            const ssize_t w = ::write(Fd, p, n);
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) {
                Error = Path + ": " + std::strerror(w < 0 ? errno : ENOSPC);
                return;
            }
            p += w;
            n -= static_cast<size_t>(w);
            Written += static_cast<uint64_t>(w);
        }
    }
    static constexpr size_t kBuf = 4 << 20;
    int Fd = -1;
    std::vector<char> Buf;
    size_t Used = 0;
};

// The periods [First, Last) of one section that lie in the span.
struct TPart {
    uint64_t Section, First, Last;
};

std::vector<TPart> PartsOf(const TRecordReaderVexaRM &r, uint32_t m, TTimeNs from, TTimeNs to) {
    std::vector<TPart> parts;
    const TMeasurement &ms = r.Measurements()[m];
    for (uint64_t s = ms.FirstSection; s < ms.FirstSection + ms.SectionCount; ++s) {
        const TSection &sec = r.Sections()[s];
        const uint64_t a = std::min(PeriodAtOrAfter(sec.Start, sec.Scale.Rate, from), sec.Periods);
        const uint64_t b = std::min(PeriodAtOrAfter(sec.Start, sec.Scale.Rate, to), sec.Periods);
        if (a < b) parts.push_back({s, a, b});
    }
    return parts;
}

// Counts periods and asks progress now and then.
struct TTicker {
    const TProgressFn &Fn;
    uint64_t Total, Done = 0, Next = 0;
    bool Cancelled = false;
    bool Add(uint64_t n) {
        Done += n;
        if (Fn && Done >= Next) {
            Next = Done + kProgressPeriods;
            if (!Fn(Done, Total)) Cancelled = true;
        }
        return !Cancelled;
    }
};

bool SameFile(const std::string &a, const std::string &b) {
    struct stat sa {
    }, sb{};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

// ---- CSV -------------------------------------------------------------------

// Text of every code of one channel in one section: volts, or the code.
struct TCodeTexts {
    char Text[256][24];
    uint8_t Length[256];
    void Fill(const TScale &sc, int ch, bool volts) {
        for (int k = 0; k < 256; ++k) {
            const int64_t q = volts
                                  ? static_cast<int64_t>(k - sc.Zero[ch]) * sc.Deflection[ch] * 3125
                                  : k; // (k - zero) x mV / 32 / 1000 = q x 10^-8 V
            Length[k] = static_cast<uint8_t>(FormatFixed(q, volts ? 8 : 0, Text[k]));
        }
    }
};

void ExportCsv(const TRecordReaderVexaRM &r, const std::vector<TPart> &parts, TOut &out,
               uint64_t decimate, TTicker &tick) {
    bool volts[2] = {true, true};
    for (const TPart &p : parts)
        for (int c = 0; c < 2; ++c)
            volts[c] = volts[c] && r.Sections()[p.Section].Scale.ScaleKnown(c);
    const char *unit[2] = {volts[0] ? "v" : "code", volts[1] ? "v" : "code"};
    char head[128];
    if (decimate <= 1)
        std::snprintf(head, sizeof head, "time_s,a_%s,b_%s\n", unit[0], unit[1]);
    else
        std::snprintf(head, sizeof head,
                      "time_s,a_min_%s,a_max_%s,a_mean_%s,b_min_%s,b_max_%s,b_mean_%s\n", unit[0],
                      unit[0], unit[0], unit[1], unit[1], unit[1]);
    out.Put(std::string(head));
    TCodeTexts text[2];
    for (const TPart &p : parts) {
        const TSection &sec = r.Sections()[p.Section];
        for (int c = 0; c < 2; ++c)
            text[c].Fill(sec.Scale, c, volts[c]);
        const uint32_t rate = sec.Scale.TimingRate();
        const bool wholeNs = kNsPerSecond % rate == 0;
        const int64_t step = kNsPerSecond / rate;
        if (decimate <= 1) {
            r.VisitPeriods(p.Section, p.First, p.Last,
                           [&](uint64_t first, const uint16_t *w, uint64_t n) {
                               TTimeNs t = sec.TimeOf(first);
                               for (uint64_t k = 0; k < n; ++k) {
                                   if (!wholeNs) t = sec.TimeOf(first + k);
                                   char *o = out.Room(96);
                                   int len = FormatSeconds(t, o);
                                   o[len++] = ',';
                                   if (w[k] == kWordMarker2) {
                                       o[len++] = ',';
                                   } else {
                                       const uint8_t a = w[k] & 0xFF, b = w[k] >> 8;
                                       std::memcpy(o + len, text[0].Text[a], 24);
                                       len += text[0].Length[a];
                                       o[len++] = ',';
                                       std::memcpy(o + len, text[1].Text[b], 24);
                                       len += text[1].Length[b];
                                   }
                                   o[len++] = '\n';
                                   out.Commit(static_cast<size_t>(len));
                                   t += step;
                               }
                               return tick.Add(n) && out.Ok();
                           });
            continue;
        }
        // One line per group of decimate periods; groups restart at every section.
        TSummary group;
        uint64_t groupStart = p.First, inGroup = 0;
        auto line = [&]() {
            char *o = out.Room(256);
            int len = FormatSeconds(sec.TimeOf(groupStart), o);
            for (int c = 0; c < 2; ++c) {
                if (group.Values == 0) {
                    std::memcpy(o + len, ",,,", 3);
                    len += 3;
                    continue;
                }
                o[len++] = ',';
                std::memcpy(o + len, text[c].Text[group.Min[c]], 24);
                len += text[c].Length[group.Min[c]];
                o[len++] = ',';
                std::memcpy(o + len, text[c].Text[group.Max[c]], 24);
                len += text[c].Length[group.Max[c]];
                o[len++] = ',';
                const double mean = static_cast<double>(group.Sum[c]) / group.Values;
                len += volts[c] ? FormatRounded(sec.Scale.Volts(c, mean), 8, o + len)
                                : FormatRounded(mean, 4, o + len);
            }
            o[len++] = '\n';
            out.Commit(static_cast<size_t>(len));
            group = TSummary();
            groupStart += inGroup;
            inGroup = 0;
        };
        r.VisitPeriods(p.Section, p.First, p.Last, [&](uint64_t, const uint16_t *w, uint64_t n) {
            const uint64_t all = n;
            while (n > 0) {
                const uint64_t k = std::min(n, decimate - inGroup);
                if (w[0] != kWordMarker2) SummariseSamples(w, k, group);
                inGroup += k;
                w += k;
                n -= k;
                if (inGroup == decimate) line();
            }
            return tick.Add(all) && out.Ok();
        });
        if (inGroup > 0) line();
        if (tick.Cancelled || !out.Ok()) return;
    }
}

// ---- WAV and NPY -------------------------------------------------------------

// Writes the codes of periods [First, Last) of a section: the sample words
// as they are (A low byte, B high byte), ARM-marker periods as 0, 0.
bool PutCodes(const TRecordReaderVexaRM &r, const TPart &p, TOut &out, TTicker &tick) {
    return r.VisitPeriods(p.Section, p.First, p.Last, [&](uint64_t, const uint16_t *w, uint64_t n) {
        if (w[0] == kWordMarker2)
            std::memset(out.Room(n * 2), 0, n * 2), out.Commit(n * 2);
        else
            out.Put(w, n * 2);
        return tick.Add(n) && out.Ok();
    });
}

std::string JsonNumber(double v) {
    char b[40];
    std::snprintf(b, sizeof b, "%.12g", v);
    return b;
}

std::string JsonSeconds(TTimeNs t) {
    char b[40];
    return std::string(b, static_cast<size_t>(FormatSeconds(t, b)));
}

} // namespace

std::vector<uint8_t> TRecordExportVexaRM::WavHeader(uint32_t rate, uint64_t frames) {
    std::vector<uint8_t> h;
    h.reserve(80);
    auto u16 = [&](uint32_t v) {
        h.push_back(v & 0xFF);
        h.push_back((v >> 8) & 0xFF);
    };
    auto u32 = [&](uint32_t v) {
        u16(v & 0xFFFF);
        u16(v >> 16);
    };
    auto u64 = [&](uint64_t v) {
        u32(static_cast<uint32_t>(v));
        u32(static_cast<uint32_t>(v >> 32));
    };
    auto tag = [&](const char *t) {
        for (int i = 0; i < 4; ++i)
            h.push_back(static_cast<uint8_t>(t[i]));
    };
    const uint64_t data = frames * 2;
    const bool rf64 = data + 36 > 0xFFFFFFFFull;
    tag(rf64 ? "RF64" : "RIFF");
    u32(rf64 ? 0xFFFFFFFFu : static_cast<uint32_t>(36 + data));
    tag("WAVE");
    if (rf64) {
        tag("ds64");
        u32(28);
        u64(72 + data); // RIFF size: everything after the first 8 bytes
        u64(data);
        u64(frames);
        u32(0);
    }
    tag("fmt ");
    u32(16);
    u16(1); // PCM
    u16(2); // stereo
    u32(rate);
    u32(rate * 2);
    u16(2); // bytes per frame
    u16(8); // bits per sample
    tag("data");
    u32(rf64 ? 0xFFFFFFFFu : static_cast<uint32_t>(data));
    return h;
}

std::string TRecordExportVexaRM::NpyHeader(uint64_t rows) {
    std::string dict =
        "{'descr': '|u1', 'fortran_order': False, 'shape': (" + std::to_string(rows) + ", 2), }";
    // Magic (6) + version (2) + length (2) + dict + padding + '\n', a multiple of 64.
    const size_t total = (10 + dict.size() + 1 + 63) / 64 * 64;
    dict.append(total - 10 - dict.size() - 1, ' ');
    dict.push_back('\n');
    std::string h("\x93NUMPY\x01\x00", 8);
    h.push_back(static_cast<char>(dict.size() & 0xFF));
    h.push_back(static_cast<char>(dict.size() >> 8));
    return h + dict;
}

std::string TRecordExportVexaRM::PartName(const std::string &out, size_t k) {
    if (k == 0) return out;
    const size_t slash = out.find_last_of('/');
    size_t dot = out.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = out.size();
    return out.substr(0, dot) + "-" + std::to_string(k + 1) + out.substr(dot);
}

TExportResult TRecordExportVexaRM::Export(const TRecordReaderVexaRM &r, const std::string &out,
                                          const TExportOptions &o) {
    TExportResult res;
    if (o.Measurement >= r.Measurements().size()) {
        res.Error = "no measurement " + std::to_string(o.Measurement + 1);
        return res;
    }
    const TMeasurement &ms = r.Measurements()[o.Measurement];
    const TTimeNs from = std::max<TTimeNs>(o.From, 0);
    const TTimeNs to = std::min(o.To, ms.Duration);
    const std::vector<TPart> parts = PartsOf(r, o.Measurement, from, to);
    uint64_t total = 0;
    for (const TPart &p : parts)
        total += p.Last - p.First;
    res.Periods = total;
    TTicker tick{o.Progress, total};
    std::vector<std::unique_ptr<TOut>> files;
    // Every output is checked against the record file before it is opened.
    for (size_t k = 0; k < 2 + parts.size(); ++k) {
        const std::string name = k == 0 ? out : PartName(out, k - 1);
        if (SameFile(name, r.Path())) {
            res.Error = name + ": is the record file itself; nothing written";
            return res;
        }
    }
    auto create = [&](const std::string &path) -> TOut * {
        files.push_back(std::make_unique<TOut>(path));
        res.Files.push_back(path);
        return files.back().get();
    };
    switch (o.Format) {
    case ExportFormat::Csv: {
        TOut *f = create(out);
        if (f->Ok()) ExportCsv(r, parts, *f, o.Decimate, tick);
        break;
    }
    case ExportFormat::Wav: {
        // A new file wherever the rate changes or periods were lost.
        size_t k = 0;
        for (size_t i = 0; i < parts.size();) {
            const TScale &sc = r.Sections()[parts[i].Section].Scale;
            size_t j = i + 1;
            uint64_t frames = parts[i].Last - parts[i].First;
            while (j < parts.size() && r.Sections()[parts[j].Section].Scale.Rate == sc.Rate &&
                   r.Sections()[parts[j].Section].GapBefore == 0 &&
                   parts[j].Section == parts[j - 1].Section + 1) {
                frames += parts[j].Last - parts[j].First;
                ++j;
            }
            TOut *f = create(PartName(out, k++));
            const std::vector<uint8_t> h = WavHeader(sc.TimingRate(), frames);
            f->Put(h.data(), h.size());
            for (size_t q = i; q < j && f->Ok() && !tick.Cancelled; ++q)
                PutCodes(r, parts[q], *f, tick);
            if (!f->Ok() || tick.Cancelled) break;
            i = j;
        }
        if (parts.empty()) {
            TOut *f = create(out);
            const std::vector<uint8_t> h = WavHeader(ms.ScaleAtStart.TimingRate(), 0);
            f->Put(h.data(), h.size());
        }
        break;
    }
    case ExportFormat::Npy: {
        TOut *f = create(out);
        f->Put(NpyHeader(total));
        std::string json = "{\n  \"measurement\": " + std::to_string(o.Measurement + 1) + ",\n";
        json += "  \"from_s\": " + JsonSeconds(from) + ",\n";
        json += "  \"to_s\": " + JsonSeconds(std::max(from, to)) + ",\n";
        json += "  \"rows\": " + std::to_string(total) + ",\n";
        json += "  \"columns\": [\"a\", \"b\"],\n  \"no_value_code\": 0,\n  \"sections\": [";
        uint64_t row = 0;
        for (size_t i = 0; i < parts.size(); ++i) {
            const TSection &sec = r.Sections()[parts[i].Section];
            const TScale &sc = sec.Scale;
            json += i ? ",\n    {" : "\n    {";
            json += "\"row\": " + std::to_string(row) +
                    ", \"rows\": " + std::to_string(parts[i].Last - parts[i].First) +
                    ", \"start_s\": " + JsonSeconds(sec.TimeOf(parts[i].First)) +
                    ", \"rate\": " + std::to_string(sc.Rate);
            const char *name[2] = {"a", "b"};
            for (int c = 0; c < 2; ++c) {
                if (sc.ScaleKnown(c))
                    json += std::string(", \"") + name[c] +
                            "_zero\": " + std::to_string(sc.Zero[c]) + ", \"" + name[c] +
                            "_mv_per_div\": " + std::to_string(sc.Deflection[c]) + ", \"" +
                            name[c] + "_volts_per_code\": " +
                            JsonNumber(sc.Deflection[c] / (kCodesPerDivision * 1000.0));
                else
                    json += std::string(", \"") + name[c] + "_zero\": null, \"" + name[c] +
                            "_mv_per_div\": null, \"" + name[c] + "_volts_per_code\": null";
            }
            json += "}";
            row += parts[i].Last - parts[i].First;
        }
        json += parts.empty() ? "]\n}\n" : "\n  ]\n}\n";
        for (const TPart &p : parts)
            if (f->Ok() && !tick.Cancelled) PutCodes(r, p, *f, tick);
        if (f->Ok() && !tick.Cancelled) {
            std::string side = out;
            if (side.size() > 4 && side.compare(side.size() - 4, 4, ".npy") == 0)
                side.resize(side.size() - 4);
            TOut *j = create(side + ".json");
            j->Put(json);
        }
        break;
    }
    case ExportFormat::Record: {
        TOut *f = create(out);
        const TScale sc = parts.empty() ? ms.ScaleAtStart : r.Sections()[parts[0].Section].Scale;
        auto rec = [&](std::initializer_list<uint16_t> words) {
            f->Put(words.begin(), words.size() * 2);
        };
        auto lo = [](int64_t v) { return static_cast<uint16_t>(v & 0xFFFF); };
        auto hi = [](int64_t v) { return static_cast<uint16_t>((v >> 16) & 0xFFFF); };
        rec({0, 4, kRecMeasurement, 1});
        rec({0, 6, kRecLevelA, sc.Level[0], lo(sc.Zero[0]), 0});
        rec({0, 6, kRecLevelB, sc.Level[1], lo(sc.Zero[1]), 0});
        rec({0, 4, kRecProbeA, sc.Probe[0]});
        rec({0, 4, kRecProbeB, sc.Probe[1]});
        rec({0, 4, kRecCouplingA, sc.Coupling[0]});
        rec({0, 4, kRecCouplingB, sc.Coupling[1]});
        rec({0, 4, kRecGroundA, sc.Ground[0]});
        rec({0, 4, kRecGroundB, sc.Ground[1]});
        rec({0, 5, kRecSampleRate, lo(sc.Rate), hi(sc.Rate)});
        rec({0, 5, kRecDeflectionA, lo(sc.Deflection[0]), hi(sc.Deflection[0])});
        rec({0, 5, kRecDeflectionB, lo(sc.Deflection[1]), hi(sc.Deflection[1])});
        if (!parts.empty()) {
            // Every word from the span's first period to where its last one ends
            // (records and markers between them included), in slices.
            const uint64_t a = r.OffsetOf({parts.front().Section, parts.front().First});
            const TPart &last = parts.back();
            const uint64_t b = last.Last < r.Sections()[last.Section].Periods
                                   ? r.OffsetOf({last.Section, last.Last})
                                   : r.Sections()[last.Section].EndOffset;
            constexpr uint64_t kSlice = 8 << 20;
            for (uint64_t at = a; at < b && f->Ok(); at += kSlice) {
                const uint64_t n = std::min(kSlice, b - at);
                f->Put(r.MappedData() + at, n);
                if (!tick.Add(total * n / std::max<uint64_t>(1, b - a))) break;
            }
        }
        rec({0, 4, kRecMeasurement, 0});
        break;
    }
    }
    bool ok = !tick.Cancelled;
    for (auto &f : files) {
        if (!f->Close() && res.Error.empty()) res.Error = f->Error;
        res.Bytes += f->Written;
    }
    ok = ok && res.Error.empty();
    if (!ok) {
        for (const std::string &p : res.Files)
            std::remove(p.c_str());
        res.Cancelled = tick.Cancelled;
        if (res.Cancelled && res.Error.empty()) res.Error = "cancelled";
        return res;
    }
    if (o.Progress) o.Progress(total, total);
    res.Ok = true;
    return res;
}

} // namespace vexa::rec
