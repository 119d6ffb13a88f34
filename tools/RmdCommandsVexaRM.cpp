#include "RmdCommandsVexaRM.h"

#include "recfile/RecordExportVexaRM.h"
#include "recfile/RecordFileVexaRM.h"
#include "recfile/TextNumberVexaRM.h"

#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace vexa::rec {

namespace {

const char *const kUsage =
    "usage: vexa-rmd info FILE [--json]\n"
    "       vexa-rmd check FILE\n"
    "       vexa-rmd index FILE\n"
    "       vexa-rmd stats FILE [-m K] [--from T] [--to T] [--json]\n"
    "       vexa-rmd export FILE -o OUT [-m K] [--from T] [--to T] [--format csv|wav|npy]"
    " [--decimate N]\n"
    "       vexa-rmd extract FILE -o OUT [-m K] [--from T] [--to T]\n"
    "times in seconds, or with a unit: 250ms, 1.5s, 2min, 1h; measurements count from 1\n";

int Fail(const std::string &message) {
    std::fprintf(stderr, "vexa-rmd: %s\n", message.c_str());
    return 2;
}

std::string Sec(TTimeNs ns) {
    char b[40];
    b[FormatSeconds(ns, b)] = 0;
    return b;
}

std::string Num(double v) {
    if (!std::isfinite(v)) return "null";
    char b[40];
    std::snprintf(b, sizeof b, "%.9g", v);
    return b;
}

std::string JsonText(const std::string &s) {
    std::string o = "\"";
    for (char c : s) {
        if (c == '"' || c == '\\') o += '\\';
        o += c;
    }
    return o + "\"";
}

// Progress on stderr while it is a terminal.
class TProgressLine {
public:
    explicit TProgressLine(const char *what) : What(what), Tty(isatty(2)) {}
    ~TProgressLine() {
        if (Shown) std::fprintf(stderr, "\r%*s\r", 40, "");
    }
    TProgressFn Fn() {
        if (!Tty) return {};
        return [this](uint64_t done, uint64_t total) {
            const int pct = total ? static_cast<int>(100.0 * done / total) : 100;
            if (pct != Last) {
                std::fprintf(stderr, "\r%s %3d %%", What, pct);
                std::fflush(stderr);
                Last = pct;
                Shown = true;
            }
            return true;
        };
    }

private:
    const char *What;
    bool Tty;
    bool Shown = false;
    int Last = -1;
};

const char *ProbeText(uint16_t p) {
    switch (p) {
    case 1:
        return "1:1";
    case 2:
        return "1:10";
    case 3:
        return "1:100";
    case 4:
        return "1:1000";
    }
    return "?";
}

std::string ChannelText(const TScale &sc, int c) {
    std::string s = c == 0 ? "A " : "B ";
    s += sc.ScaleKnown(c) ? std::to_string(sc.Deflection[c]) + " mV/div" : "scale unknown";
    s += sc.ZeroKnown(c) ? ", zero " + std::to_string(sc.Zero[c]) : "";
    s += std::string(", probe ") + ProbeText(sc.Probe[c]);
    s += sc.Coupling[c] ? ", DC" : ", AC";
    if (sc.Ground[c]) s += ", grounded";
    return s;
}

const char *IndexStatusText(TRecordFileVexaRM::LoadStatus s) {
    switch (s) {
    case TRecordFileVexaRM::LoadStatus::Missing:
        return "missing";
    case TRecordFileVexaRM::LoadStatus::Current:
        return "current";
    case TRecordFileVexaRM::LoadStatus::Grown:
        return "behind (the file has grown)";
    case TRecordFileVexaRM::LoadStatus::Stale:
        return "stale (another file's or outdated)";
    case TRecordFileVexaRM::LoadStatus::Unreadable:
        return "unreadable";
    }
    return "?";
}

struct TOpened {
    std::unique_ptr<TRecordFileVexaRM> File;
    std::shared_ptr<const TRecordReaderVexaRM> Reader;
    TRecordFileVexaRM::LoadStatus Before = TRecordFileVexaRM::LoadStatus::Missing;
    TIndexResult Built;
    std::string Error;
};

// Opens the file and makes its index current.
TOpened OpenIndexed(const std::string &path) {
    TOpened o;
    o.File = TRecordFileVexaRM::Open(path, &o.Error);
    if (!o.File) return o;
    o.Before = o.File->LoadIndex();
    TProgressLine line("indexing");
    o.Built = o.File->EnsureIndex(line.Fn());
    o.Reader = o.File->Reader();
    if (!o.Reader) o.Error = path + ": the index could not be built";
    return o;
}

bool Span(const TRmdArgs &a, const TRecordReaderVexaRM &r, uint32_t *m, TTimeNs *from, TTimeNs *to,
          std::string *error) {
    const size_t count = r.Measurements().size();
    if (a.Measurement < 1 || a.Measurement > count) {
        *error = "no measurement " + std::to_string(a.Measurement) + " in " + a.File +
                 " (it holds " + std::to_string(count) + ")";
        return false;
    }
    *m = static_cast<uint32_t>(a.Measurement - 1);
    const TTimeNs duration = r.Measurements()[*m].Duration;
    long long f = 0, t = duration;
    if (!a.From.empty() && !TRmdCommandsVexaRM::ParseTime(a.From, &f)) {
        *error = "not a time: " + a.From;
        return false;
    }
    if (!a.To.empty() && !TRmdCommandsVexaRM::ParseTime(a.To, &t)) {
        *error = "not a time: " + a.To;
        return false;
    }
    const std::string range = " (measurement " + std::to_string(a.Measurement) +
                              " runs from 0 to " + Sec(duration) + " s)";
    if (f < 0 || f > duration || (f == duration && duration > 0)) {
        *error = "time " + a.From + " is outside the measurement" + range;
        return false;
    }
    if (t < 0 || t > duration) {
        *error = "time " + a.To + " is outside the measurement" + range;
        return false;
    }
    if (t <= f && duration > 0) {
        *error = "the span from " + Sec(f) + " s to " + Sec(t) + " s is empty";
        return false;
    }
    *from = f;
    *to = t;
    return true;
}

// ---- info ------------------------------------------------------------------

int Info(const TRmdArgs &a) {
    TOpened o = OpenIndexed(a.File);
    if (!o.Reader) return Fail(o.Error);
    const TRecordReaderVexaRM &r = *o.Reader;
    const auto problems = r.Problems();
    const bool present = o.Before != TRecordFileVexaRM::LoadStatus::Missing;
    const bool current = o.Before == TRecordFileVexaRM::LoadStatus::Current;
    if (a.Json) {
        std::string j = "{\"file\": " + JsonText(a.File) +
                        ", \"bytes\": " + std::to_string(r.FileBytes()) + ", \"measurements\": [";
        for (size_t m = 0; m < r.Measurements().size(); ++m) {
            const TMeasurement &ms = r.Measurements()[m];
            j += m ? ", " : "";
            j += "{\"index\": " + std::to_string(m + 1) +
                 ", \"sample_periods\": " + std::to_string(ms.Periods) +
                 ", \"duration_s\": " + Sec(ms.Duration) +
                 ", \"complete\": " + (ms.Complete ? "true" : "false") +
                 ", \"has_start\": " + (ms.HasStart ? "true" : "false") +
                 ", \"arm_markers\": " + std::to_string(ms.ArmMarkers) +
                 ", \"device_markers\": " + std::to_string(ms.DeviceMarkers) +
                 ", \"gaps\": " + std::to_string(ms.Gaps) +
                 ", \"lost_periods\": " + std::to_string(ms.LostPeriods) + ", \"sections\": [";
            for (uint64_t s = ms.FirstSection; s < ms.FirstSection + ms.SectionCount; ++s) {
                const TSection &sec = r.Sections()[s];
                const TScale &sc = sec.Scale;
                auto opt = [](bool known, int v) {
                    return known ? std::to_string(v) : std::string("null");
                };
                j += s > ms.FirstSection ? ", " : "";
                j += "{\"rate\": " + opt(sc.Rate != 0, static_cast<int>(sc.Rate)) +
                     ", \"samples\": " + std::to_string(sec.Periods) +
                     ", \"start_s\": " + Sec(sec.Start) +
                     ", \"a_mv_per_div\": " + opt(sc.ScaleKnown(0), sc.Deflection[0]) +
                     ", \"b_mv_per_div\": " + opt(sc.ScaleKnown(1), sc.Deflection[1]) +
                     ", \"a_zero\": " + opt(sc.ZeroKnown(0), sc.Zero[0]) +
                     ", \"b_zero\": " + opt(sc.ZeroKnown(1), sc.Zero[1]) +
                     ", \"arm_markers\": " + std::to_string(sec.ArmMarkers) +
                     ", \"gap_before\": " + std::to_string(sec.GapBefore) + "}";
            }
            j += "]}";
        }
        j += "], \"problems\": [";
        for (size_t i = 0; i < problems.size(); ++i)
            j += (i ? ", " : "") + std::string("{\"offset\": ") +
                 std::to_string(problems[i].Offset) +
                 ", \"text\": " + JsonText(problems[i].Text()) + "}";
        j += std::string("], \"index\": {\"present\": ") + (present ? "true" : "false") +
             ", \"current\": " + (current ? "true" : "false") + "}}\n";
        std::fputs(j.c_str(), stdout);
        return 0;
    }
    std::printf("%s: %llu bytes, %zu measurement%s\n", a.File.c_str(),
                static_cast<unsigned long long>(r.FileBytes()), r.Measurements().size(),
                r.Measurements().size() == 1 ? "" : "s");
    for (size_t m = 0; m < r.Measurements().size(); ++m) {
        const TMeasurement &ms = r.Measurements()[m];
        std::printf("measurement %zu: %s s, %llu sample periods, %s%s\n", m + 1,
                    Sec(ms.Duration).c_str(), static_cast<unsigned long long>(ms.Periods),
                    ms.Complete ? "complete" : "incomplete", ms.HasStart ? "" : ", no start");
        std::printf("  markers: %llu ARM, %llu device; gaps: %llu (%llu periods lost)\n",
                    static_cast<unsigned long long>(ms.ArmMarkers),
                    static_cast<unsigned long long>(ms.DeviceMarkers),
                    static_cast<unsigned long long>(ms.Gaps),
                    static_cast<unsigned long long>(ms.LostPeriods));
        for (uint64_t s = ms.FirstSection; s < ms.FirstSection + ms.SectionCount; ++s) {
            const TSection &sec = r.Sections()[s];
            std::printf("  section %llu: from %s s, %llu samples at %s, duration %s s\n",
                        static_cast<unsigned long long>(s - ms.FirstSection + 1),
                        Sec(sec.Start).c_str(), static_cast<unsigned long long>(sec.Periods),
                        sec.Scale.Rate ? (std::to_string(sec.Scale.Rate) + "/s").c_str()
                                       : "unknown rate",
                        Sec(sec.End() - sec.Start).c_str());
            std::printf("    %s; %s\n", ChannelText(sec.Scale, 0).c_str(),
                        ChannelText(sec.Scale, 1).c_str());
        }
    }
    if (problems.empty()) std::printf("problems: none\n");
    for (const TProblem &p : problems)
        std::printf("problem at byte %llu: %s\n", static_cast<unsigned long long>(p.Offset),
                    p.Text().c_str());
    std::printf("index: %s, %s\n", o.File->IndexPath().c_str(), IndexStatusText(o.Before));
    return 0;
}

// ---- check, index ----------------------------------------------------------

int Check(const TRmdArgs &a) {
    TOpened o = OpenIndexed(a.File);
    if (!o.Reader) return Fail(o.Error);
    const auto problems = o.Reader->Problems();
    for (const TProblem &p : problems)
        std::printf("%s: byte %llu: %s\n", a.File.c_str(),
                    static_cast<unsigned long long>(p.Offset), p.Text().c_str());
    if (problems.empty())
        std::printf("%s: whole and well-formed, %zu measurement%s\n", a.File.c_str(),
                    o.Reader->Measurements().size(),
                    o.Reader->Measurements().size() == 1 ? "" : "s");
    return problems.empty() ? 0 : 1;
}

int Index(const TRmdArgs &a) {
    TOpened o = OpenIndexed(a.File);
    if (!o.Reader) return Fail(o.Error);
    const TIndexResult &b = o.Built;
    const std::string name = o.File->IndexPath();
    if (o.Before == TRecordFileVexaRM::LoadStatus::Current) {
        std::printf("%s: current, nothing to do\n", name.c_str());
        return 0;
    }
    const double mb = b.BytesScanned / 1e6;
    std::printf("%s: %s, %.1f MB of record file read in %.3f s (%.0f MB/s)\n", name.c_str(),
                b.Extended ? "extended" : "built", mb, b.Seconds,
                b.Seconds > 0 ? mb / b.Seconds : 0.0);
    if (!b.Saved) {
        std::fprintf(stderr,
                     "vexa-rmd: %s could not be written (%s); the index was kept in memory only\n",
                     name.c_str(), b.SaveError.c_str());
    }
    return 0;
}

// ---- stats -----------------------------------------------------------------

int Stats(const TRmdArgs &a) {
    TOpened o = OpenIndexed(a.File);
    if (!o.Reader) return Fail(o.Error);
    uint32_t m;
    TTimeNs from, to;
    std::string error;
    if (!Span(a, *o.Reader, &m, &from, &to, &error)) return Fail(error);
    const TSpanStats st = o.Reader->Stats(m, from, to);
    if (a.Json) {
        std::string j = "{\"measurement\": " + std::to_string(m + 1) +
                        ", \"from_s\": " + Sec(st.From) + ", \"to_s\": " + Sec(st.To) +
                        ", \"sample_periods\": " + std::to_string(st.Periods);
        for (int c = 0; c < 2; ++c) {
            const TChannelStats &cs = st.Channel[c];
            const bool v = cs.ScaleKnown && cs.Samples > 0;
            auto val = [&](double x) { return v ? Num(x) : std::string("null"); };
            j += std::string(c ? ", \"b\": " : ", \"a\": ") +
                 "{\"samples\": " + std::to_string(cs.Samples) + ", \"min_v\": " + val(cs.MinV) +
                 ", \"max_v\": " + val(cs.MaxV) + ", \"mean_v\": " + val(cs.MeanV) +
                 ", \"rms_v\": " + val(cs.RmsV) + ", \"pp_v\": " + val(cs.MaxV - cs.MinV) +
                 ", \"min_code\": " + (cs.Samples ? std::to_string(cs.MinCode) : "null") +
                 ", \"max_code\": " + (cs.Samples ? std::to_string(cs.MaxCode) : "null") + "}";
        }
        j += "}\n";
        std::fputs(j.c_str(), stdout);
        return 0;
    }
    std::printf("measurement %u, %s s to %s s: %llu sample periods (%llu ARM markers)\n", m + 1,
                Sec(st.From).c_str(), Sec(st.To).c_str(),
                static_cast<unsigned long long>(st.Periods),
                static_cast<unsigned long long>(st.ArmMarkers));
    std::printf(
        "channel  samples       min_V        max_V        mean_V       rms_V        pp_V\n");
    for (int c = 0; c < 2; ++c) {
        const TChannelStats &cs = st.Channel[c];
        if (!cs.ScaleKnown || cs.Samples == 0) {
            std::printf("%-8s %-12llu (scale unknown: codes %d to %d, mean %.4f)\n", c ? "B" : "A",
                        static_cast<unsigned long long>(cs.Samples), cs.MinCode, cs.MaxCode,
                        cs.MeanCode());
            continue;
        }
        std::printf("%-8s %-12llu %-12.6g %-12.6g %-12.6g %-12.6g %-12.6g\n", c ? "B" : "A",
                    static_cast<unsigned long long>(cs.Samples), cs.MinV, cs.MaxV, cs.MeanV,
                    cs.RmsV, cs.MaxV - cs.MinV);
    }
    return 0;
}

// ---- export, extract ---------------------------------------------------------

int Export(const TRmdArgs &a, bool extract) {
    if (a.Out.empty()) return Fail("no output file given (-o OUT)");
    TExportOptions opt;
    if (extract)
        opt.Format = ExportFormat::Record;
    else if (a.Format == "csv")
        opt.Format = ExportFormat::Csv;
    else if (a.Format == "wav")
        opt.Format = ExportFormat::Wav;
    else if (a.Format == "npy")
        opt.Format = ExportFormat::Npy;
    else
        return Fail("unknown format " + a.Format + " (csv, wav or npy)");
    TOpened o = OpenIndexed(a.File);
    if (!o.Reader) return Fail(o.Error);
    std::string error;
    if (!Span(a, *o.Reader, &opt.Measurement, &opt.From, &opt.To, &error)) return Fail(error);
    opt.Decimate = a.Decimate;
    TProgressLine line(extract ? "extracting" : "exporting");
    opt.Progress = line.Fn();
    const auto t0 = std::chrono::steady_clock::now();
    const TExportResult res = TRecordExportVexaRM::Export(*o.Reader, a.Out, opt);
    if (!res.Ok) return Fail(res.Error);
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    for (const std::string &f : res.Files)
        std::printf("wrote %s\n", f.c_str());
    std::printf("%llu sample periods, %llu bytes in %.3f s\n",
                static_cast<unsigned long long>(res.Periods),
                static_cast<unsigned long long>(res.Bytes), s);
    return 0;
}

} // namespace

const char *TRmdCommandsVexaRM::Usage() {
    return kUsage;
}

bool TRmdCommandsVexaRM::ParseTime(const std::string &text, long long *ns) {
    if (text.empty()) return false;
    size_t unitAt = text.size();
    while (unitAt > 0 && std::isalpha(static_cast<unsigned char>(text[unitAt - 1])))
        --unitAt;
    const std::string number = text.substr(0, unitAt), unit = text.substr(unitAt);
    long double scale;
    if (unit.empty() || unit == "s")
        scale = 1e9L;
    else if (unit == "ms")
        scale = 1e6L;
    else if (unit == "min")
        scale = 60e9L;
    else if (unit == "h")
        scale = 3600e9L;
    else
        return false;
    if (number.empty()) return false;
    char *end = nullptr;
    const long double v = std::strtold(number.c_str(), &end);
    if (end != number.c_str() + number.size() || !std::isfinite(static_cast<double>(v)))
        return false;
    const long double n = v * scale;
    if (n > 9e18L || n < -9e18L) return false;
    *ns = std::llround(static_cast<double>(n));
    return true;
}

bool TRmdCommandsVexaRM::Parse(const std::vector<std::string> &argv, TRmdArgs *a,
                               std::string *error) {
    if (argv.empty()) {
        *error = "no command given";
        return false;
    }
    a->Command = argv[0];
    static const char *const kCommands[] = {"info", "check", "index", "stats", "export", "extract"};
    bool known = false;
    for (const char *c : kCommands)
        known = known || a->Command == c;
    if (!known) {
        *error = "unknown command " + a->Command;
        return false;
    }
    for (size_t i = 1; i < argv.size(); ++i) {
        const std::string &s = argv[i];
        auto value = [&](std::string *out) {
            if (i + 1 >= argv.size()) {
                *error = s + " needs a value";
                return false;
            }
            *out = argv[++i];
            return true;
        };
        std::string v;
        if (s == "--json") {
            a->Json = true;
        } else if (s == "-o") {
            if (!value(&a->Out)) return false;
        } else if (s == "-m") {
            if (!value(&v)) return false;
            char *end = nullptr;
            a->Measurement = std::strtoul(v.c_str(), &end, 10);
            if (v.empty() || *end || v[0] == '-') {
                *error = "not a measurement number: " + v;
                return false;
            }
        } else if (s == "--from") {
            if (!value(&a->From)) return false;
        } else if (s == "--to") {
            if (!value(&a->To)) return false;
        } else if (s == "--format") {
            if (!value(&a->Format)) return false;
        } else if (s == "--decimate") {
            if (!value(&v)) return false;
            char *end = nullptr;
            a->Decimate = std::strtoull(v.c_str(), &end, 10);
            if (v.empty() || *end || v[0] == '-' || a->Decimate == 0) {
                *error = "not a period count: " + v;
                return false;
            }
        } else if (!s.empty() && s[0] == '-' && s.size() > 1) {
            *error = "unknown option " + s;
            return false;
        } else if (a->File.empty()) {
            a->File = s;
        } else {
            *error = "unexpected argument " + s;
            return false;
        }
    }
    if (a->File.empty()) {
        *error = "no record file given";
        return false;
    }
    return true;
}

int TRmdCommandsVexaRM::Run(const TRmdArgs &a) {
    if (a.Command == "info") return Info(a);
    if (a.Command == "check") return Check(a);
    if (a.Command == "index") return Index(a);
    if (a.Command == "stats") return Stats(a);
    if (a.Command == "export") return Export(a, false);
    return Export(a, true);
}

} // namespace vexa::rec
