#!/usr/bin/env bash
# Builds Release into build-bench, runs every benchmark program
# (build-bench/bin/*_bench) with JSON output into build-bench/results/, runs
# the whole-program harness when the program is in the tree (bench/e2e), and prints
# one table of each figure against its budget.
# Usage: scripts/bench.sh [benchmark-name-filter]
#   BUILD_DIR=...      another build folder (default build-bench)
#   BENCH_ARGS=...     Google Benchmark arguments (default: 3 repetitions, the
#                      median is shown: the machine is shared, the median is steadier)
#   SKIP_E2E=1         leave out the whole-program harness
#   SKIP_VIEWER=1      leave out the viewer's whole-program measurements
#   VIEWER_BIG=1       also the viewer's memory on a 10 GiB recording (needs
#                      16 GiB free in TMPDIR for a while)
#   TABLE_ONLY=1       only print the table of the results already there
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build-bench}
FILTER=${1:-}
RESULTS=$BUILD_DIR/results

if ! command -v python3 >/dev/null 2>&1; then
  echo "bench.sh: python3 is needed to print the table" >&2
  exit 1
fi

if [ -z "${TABLE_ONLY:-}" ]; then
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DVEXA_BUILD_BENCH=ON >/dev/null
mapfile -t targets < <(cmake --build "$BUILD_DIR" --target help |
  sed -n 's/^\.\.\. \([A-Za-z0-9_]*_bench\)$/\1/p' | sort)
if [ "${#targets[@]}" -eq 0 ]; then
  echo "bench.sh: no benchmark programs in this tree" >&2
  exit 1
fi
e2e=()
help=$(cmake --build "$BUILD_DIR" --target help)
if [ -z "${SKIP_E2E:-}" ] && grep -q '^\.\.\. Vexa_RollMode$' <<<"$help"; then
  e2e=(Vexa_RollMode flow_floor)
fi
if [ -z "${SKIP_VIEWER:-}" ] && grep -q '^\.\.\. PreviewVexaRM$' <<<"$help"; then
  e2e+=(PreviewVexaRM viewer_bench_file)
fi
cmake --build "$BUILD_DIR" -j"${JOBS:-2}" --target "${targets[@]}" "${e2e[@]}"

mkdir -p "$RESULTS"
rm -f "$RESULTS"/*.json
for t in "${targets[@]}"; do
  exe=$BUILD_DIR/bin/$t
  [ -x "$exe" ] || continue
  echo "== $t" >&2
  args=(--benchmark_format=console --benchmark_out="$RESULTS/$t.json" --benchmark_out_format=json)
  [ -n "$FILTER" ] && args+=(--benchmark_filter="$FILTER")
  # shellcheck disable=SC2086
  "$exe" "${args[@]}" ${BENCH_ARGS:---benchmark_repetitions=3 --benchmark_report_aggregates_only=true} >&2 ||
    echo "== $t failed" >&2
done
if [[ " ${e2e[*]} " == *" PreviewVexaRM "* ]]; then
  echo "== viewer (bench/viewer/viewer_e2e_bench.sh)" >&2
  bash bench/viewer/viewer_e2e_bench.sh "$BUILD_DIR/bin" "$RESULTS/viewer.json" >&2 ||
    echo "== viewer: not measured" >&2
fi
if [[ " ${e2e[*]} " == *" Vexa_RollMode "* ]]; then
  echo "== whole program (bench/e2e)" >&2
  bash bench/e2e/e2e_bench.sh "$BUILD_DIR/bin" "$RESULTS/e2e.json" >&2 ||
    echo "== whole program: not measured" >&2
fi
fi

python3 - "$RESULTS" <<'PY'
import glob, json, os, re, subprocess, sys

results = sys.argv[1]
runs = {}
for path in sorted(glob.glob(os.path.join(results, "*_bench.json"))):
    try:
        with open(path) as f:
            data = json.load(f)
    except ValueError:  # a program whose benchmarks the filter left out writes nothing
        continue
    for b in data.get("benchmarks", []):
        if b.get("run_type") == "aggregate" and b.get("aggregate_name") != "median":
            continue
        name = b.get("run_name", b["name"])
        runs[name] = b
e2e = {}
if os.path.exists(os.path.join(results, "e2e.json")):
    with open(os.path.join(results, "e2e.json")) as f:
        e2e = json.load(f)
viewer = {}
if os.path.exists(os.path.join(results, "viewer.json")):
    with open(os.path.join(results, "viewer.json")) as f:
        viewer = json.load(f)

def find(prefix):
    """The run named prefix, or prefix followed by /options such as /iterations:1."""
    for n in sorted(runs):
        if n == prefix or n.startswith(prefix + "/"):
            return runs[n]
    return None

def value(b, key):
    if key in b:
        return float(b[key])
    return None

def fmt(x, unit):
    if x is None:
        return "-"
    if unit == "words/s":
        return "%.0f M/s" % (x / 1e6)
    if unit == "x":
        return "%.1f x" % x
    if unit == "%":
        return "%.1f %%" % (100 * x)
    if unit == "s":
        return "%.3f s" % x
    if unit == "MiB":
        return "%.1f MiB" % x
    if unit == "ms":
        return "%.2f ms" % x if x >= 0.1 else "%.1f us" % (x * 1000)
    return "%.3g" % x

rows = []  # figure, measured, budget, ratio to memcpy, verdict
def row(figure, x, unit, budget, higher=True, ratio=None, ref="memcpy"):
    if x is None:
        verdict = "not measured"
    elif budget is None:
        verdict = "info"
    else:
        verdict = "ok" if (x >= budget if higher else x <= budget) else "MISSED"
    btext = "-" if budget is None else ((">= " if higher else "< ") + fmt(budget, unit))
    rows.append((figure, fmt(x, unit), btext, "-" if ratio is None else "%.2f x %s" % (ratio, ref),
                 verdict))

memcpy = find("BM_MemcpyBlock")
memcpy_rate = value(memcpy, "items_per_second") if memcpy else None
row("memcpy of the same block", memcpy_rate, "words/s", None)
for stage, budget in (("CompactStage", 2e9), ("TriggerSearchStage", 1e9), ("ArmFilterStage", 1e9)):
    for suffix, label in (("", ""), ("Ground", " (ground on)")):
        b = find("BM_" + stage + suffix)
        if b is None and suffix:
            continue
        x = value(b, "items_per_second") if b else None
        ratio = x / memcpy_rate if (x and memcpy_rate) else None
        row("driver %s, code 14%s" % (stage, label), x, "words/s", budget, True, ratio)

def number_in(n, pattern):
    m = re.search(pattern, n)
    return int(m.group(1)) if m else 0
reduce = sorted((n for n in runs if n.startswith("BM_Reduce")),
                key=lambda n: (number_in(n, r"b:(\d+)"), number_in(n, r"markers:(\d)")))
if not reduce:
    row("column reduction", None, "words/s", 4e8)
for n in reduce:
    m = re.search(r"b:(\d+)/markers:(\d)", n)
    label = ("%s samples/column%s" % (m.group(1), ", markers" if m.group(2) == "1" else "")) if m else n
    row("column reduction, " + label, value(runs[n], "words/s") or value(runs[n], "items_per_second"),
        "words/s", 4e8)

demo = [n for n in runs if n.startswith("BM_DemoBlockTopRate")]
if not demo:
    row("demo source at 5 MS/s", None, "x", 6)
for n in sorted(demo):
    row("demo source at 5 MS/s, " + n[len("BM_DemoBlockTopRate"):], value(runs[n], "realtime_x"),
        "x", 6)

ring = sorted((n for n in runs if n.startswith("BM_RingTwoThreads")),
              key=lambda n: -int(n.split("/")[1]) if "/" in n and n.split("/")[1].isdigit() else 0)
if not ring:
    row("ring between two threads", None, "words/s", 5e8)
for n in ring:
    block = n.split("/")[1] if "/" in n else "?"
    row("ring between two threads, blocks of %s words" % block, value(runs[n], "words_per_s"),
        "words/s", 5e8)

units = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}
for n in sorted(n for n in runs if n.startswith("BM_DisplayBlock")):
    b = runs[n]
    kind = "EKG" if "EKG" in n else "rolling"
    dsp = number_in(n, r"DSPSetting:(\d+)")
    # One iteration is one second of signal at 5 MS/s.
    share = float(b["cpu_time"]) * units.get(b.get("time_unit", "ns"), 1e-9)
    row("%s display at 5 MS/s, DSPSetting %d, CPU s per s of signal" % (kind, dsp), share, "%", None)

flow = find("BM_FlowRealTimeTopRate")
if flow:
    acq, proc = value(flow, "acq_cpu_s_per_signal_s"), value(flow, "proc_cpu_s_per_signal_s")
    row("flow threads at 5 MS/s (acquisition + processing), CPU s per s of signal",
        (acq or 0) + (proc or 0), "%", None)
    row("flow at 5 MS/s, samples lost by the device", value(flow, "lost_samples"), "", None)
unpaced = find("BM_FlowUnpaced")
if unpaced:
    row("flow with the device unpaced, multiple of 5 MS/s", value(unpaced, "multiple_of_5MS"), "x", None)

floor = (e2e.get("floor") or {}).get("cpu_per_signal_second")
if e2e:
    row("floor at 5 MS/s (flow_floor: driver, simulator, flow threads, record file), CPU s per s of signal",
        floor, "%", None)
for c in e2e.get("cases", []):
    x = c.get("cpu_per_signal_second")
    ratio = x / floor if (x and floor) else None
    verdict_budget = 0.05
    row("whole program at 5 MS/s, %s, CPU s per s of signal" % c["display"], x, "%", verdict_budget,
        False, ratio, "floor")
    if ratio is not None and ratio > 1.5:
        rows[-1] = rows[-1][:4] + ("MISSED (> 1.5 x floor)",)
if not e2e:
    row("whole program at 5 MS/s, CPU s per s of signal", None, "%", 0.05, False)
row("start-up to the first drawn frame", e2e.get("startup_to_first_frame_s"), "s", 1.0, False)
row("peak resident memory (VmHWM)", e2e.get("peak_rss_mib"), "MiB", 150, False)

# The viewer: CPU ms per redraw at 1920 x 1080 against one fill of the image.
def cpu_ms(b):
    return float(b["cpu_time"]) * units.get(b.get("time_unit", "ns"), 1e-9) * 1e3 if b else None
fill = cpu_ms(find("BM_FillScreenImage"))
row("viewer: fill of a 1920 x 1080 image (reference)", fill, "ms", None)
for n in sorted((n for n in runs if n.startswith("BM_ViewerRedraw")),
                key=lambda n: number_in(n, r"zoom:(\d+)")):
    z = number_in(n, r"zoom:(\d+)")
    label = "single samples (200 periods)" if z == 99 else ("whole 4 GiB measurement" if z == 0
                                                            else "1/%d of it" % (16 ** z))
    x = cpu_ms(runs[n])
    row("viewer redraw 1920 x 1080, " + label, x, "ms", 16, False,
        x / fill if (x and fill) else None, "fill")
pan = find("BM_ViewerPan")
if pan:
    x = cpu_ms(pan)
    row("viewer redraw while panning", x, "ms", 16, False, x / fill if (x and fill) else None,
        "fill")
for name, label in (("BM_SearchWholeFileNoHit", "search through the whole 4 GiB, no hit"),
                    ("BM_SearchNextSpike", "search for the next spike")):
    b = find(name)
    if b:
        row("viewer " + label, cpu_ms(b), "ms", 1000, False)
if viewer:
    row("viewer start-up to the whole 4 GiB measurement drawn", viewer.get("startup_s"), "s", 0.5, False)
    row("viewer redraw in the program, 1920 x 1080, slowest (CPU)", viewer.get("redraw_cpu_ms_max"),
        "ms", 16, False)
    if "rss10g_current_mib" in viewer:
        row("viewer memory, 10 GiB recording, index current", viewer["rss10g_current_mib"], "MiB",
            200, False)
        row("viewer memory, 10 GiB recording, while indexing (peak)",
            viewer["rss10g_indexing_peak_mib"], "MiB", 200, False)

other = [n for n in runs if not any(n.startswith(p) for p in (
    "BM_FillScreenImage", "BM_ViewerRedraw", "BM_ViewerPan", "BM_Search",
    "BM_MemcpyBlock", "BM_CompactStage", "BM_TriggerSearchStage", "BM_ArmFilterStage", "BM_Reduce",
    "BM_FlowRealTimeTopRate", "BM_FlowUnpaced", "BM_DisplayBlock",
    "BM_DemoBlockTopRate", "BM_RingTwoThreads", "BM_FlowRealTimeTopRate", "BM_FlowUnpaced"))]
for n in sorted(other):
    row(n, value(runs[n], "items_per_second"), "words/s", None)

cpu = "?"
try:
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
except OSError:
    pass
load = open("/proc/loadavg").read().split()[:3] if os.path.exists("/proc/loadavg") else ["?"]
print()
print("machine: %d cores (nproc), %s, load average %s" % (os.cpu_count() or 0, cpu, " ".join(load)))
widths = [max(len(r[i]) for r in rows + [("figure", "measured", "budget", "ratio", "verdict")])
          for i in range(5)]
def line(r):
    return "| " + " | ".join(r[i].ljust(widths[i]) for i in range(5)) + " |"
print(line(("figure", "measured", "budget", "ratio", "verdict")))
print("|" + "|".join("-" * (w + 2) for w in widths) + "|")
for r in rows:
    print(line(r))
PY
