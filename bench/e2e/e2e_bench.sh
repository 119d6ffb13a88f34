#!/usr/bin/env bash
# The whole program at 5,000,000 samples per second, recording, in a private
# X server on the simulated device, in six display cases, and the floor of
# its work in the same run:
#   EKG 0.1 s/div, EKG 20,000 s/div, rolling 0.1 s/div, rolling 20,000 s/div
#   (window at its design size, 824 x 600), EKG and rolling 0.1 s/div with
#   the window at 1920 x 1080; the floor is build/bin/flow_floor: driver,
#   simulated device, both flow threads, ring and record file, no display.
# Measures per case:
#   - CPU seconds per second of signal: utime + stime of the whole process
#     (every thread: simulator, driver, flow, repaints) from /proc/<pid>/stat,
#     over the samples that reached the record file in the same interval;
#   - CPU and wake-ups (voluntary + involuntary context switches from
#     /proc/<pid>/task/*/status) per second of each thread;
#   - at 0.1 s/div: that the trace still moves (pixels changed in 0.5 s);
#   - in the first case also the start-up (exec to the first drawn frame of
#     the main window, polled every ~20 ms) and the peak resident memory.
# Usage: e2e_bench.sh BIN_DIR OUT_JSON [SECONDS]
#   E2E_CASES="1 3"  only these cases (1..6); E2E_DISPLAY_ACTIVE=false
#   measures with the display off.
# Exit 0 measured, 1 failed, 77 skipped (tools or program missing).
set -uo pipefail
BIN=$(cd "$1" && pwd)
OUT=$2
MEASURE_SECONDS=${3:-${E2E_SECONDS:-10}}
HERE=$(cd "$(dirname "$0")" && pwd)
LIB=$HERE/../../tests/e2e/e2e_lib.sh
[ -f "$LIB" ] || { echo "SKIP: tests/e2e/e2e_lib.sh is missing"; exit 77; }
[ -x "$BIN/Vexa_RollMode" ] || { echo "SKIP: $BIN/Vexa_RollMode is not built"; exit 77; }

# name | ModeEKG | DSPSetting | screen | window size (empty: the design size)
CASES=(
    "EKG 0.1 s/div, 824x600|true|0|1280x800|"
    "EKG 20000 s/div, 824x600|true|16|1280x800|"
    "rolling 0.1 s/div, 824x600|false|0|1280x800|"
    "rolling 20000 s/div, 824x600|false|16|1280x800|"
    "EKG 0.1 s/div, 1920x1080|true|0|1920x1080|1920x1080"
    "rolling 0.1 s/div, 1920x1080|false|0|1920x1080|1920x1080"
)

if [ -z "${E2E_ONE_CASE:-}" ]; then
    command -v python3 >/dev/null || { echo "SKIP: python3 is not installed"; exit 77; }
    [ -x "$BIN/flow_floor" ] || { echo "SKIP: $BIN/flow_floor is not built"; exit 77; }
    parts=$(mktemp -d)
    trap 'rm -rf "$parts"' EXIT
    echo "== floor: flow_floor $MEASURE_SECONDS (driver, simulator, flow threads, record file)"
    "$BIN/flow_floor" "$MEASURE_SECONDS" >"$parts/floor.json" || echo "the floor was not measured"
    cat "$parts/floor.json"
    k=0
    for c in "${CASES[@]}"; do
        k=$((k + 1))
        if [ -n "${E2E_CASES:-}" ] && [[ " $E2E_CASES " != *" $k "* ]]; then continue; fi
        echo "== case $k: ${c%%|*}"
        E2E_ONE_CASE="$c" E2E_STARTUP=$([ "$k" = 1 ] && echo 1) \
            bash "$0" "$BIN" "$parts/case$k.json" "$MEASURE_SECONDS" ||
            echo "case $k was not measured"
    done
    python3 - "$parts" "$OUT" <<'PY'
import glob, json, os, sys
parts, out = sys.argv[1], sys.argv[2]
result = {"sampling_rate": 5000000, "cases": []}
try:
    with open(os.path.join(parts, "floor.json")) as f:
        result["floor"] = json.load(f)
except (OSError, ValueError):
    result["floor"] = None
for path in sorted(glob.glob(os.path.join(parts, "case*.json"))):
    with open(path) as f:
        c = json.load(f)
    result["cases"].append(c)
    for key in ("startup_to_window_s", "startup_to_first_frame_s", "peak_rss_mib"):
        if c.get(key) is not None:
            result[key] = c[key]
    if c["display"].startswith("EKG 0.1 s/div, 824"):
        result["cpu_per_signal_second"] = c["cpu_per_signal_second"]
floor = (result["floor"] or {}).get("cpu_per_signal_second")
print("\n%-42s %9s %9s  %s" % ("case", "CPU", "x floor", "wake-ups per second by thread"))
def threads(t):
    return ", ".join("%s %.0f" % (x["name"], x["wakeups_per_s"]) for x in t
                     if x["wakeups_per_s"] >= 0.5)
if floor:
    print("%-42s %8.2f%% %9s  %s" % ("floor (flow_floor)", 100 * floor, "1.00",
                                    threads(result["floor"]["threads"])))
for c in result["cases"]:
    ratio = c["cpu_per_signal_second"] / floor if floor else None
    c["ratio_to_floor"] = ratio
    print("%-42s %8.2f%% %9s  %s" % ("whole program, " + c["display"],
                                    100 * c["cpu_per_signal_second"],
                                    "%.2f" % ratio if ratio else "-", threads(c["threads"])))
with open(out, "w") as f:
    json.dump(result, f, indent=2)
print("written: " + out)
PY
    exit 0
fi

IFS='|' read -r CASE_NAME CASE_EKG CASE_DSP CASE_SCREEN CASE_WINDOW <<<"$E2E_ONE_CASE"
# shellcheck source=../../tests/e2e/e2e_lib.sh
source "$LIB"
# shellcheck source=e2e_settings.sh
source "$HERE/e2e_settings.sh"

MAIN_TITLE='^ZovuDori Vexa[1-6]$'
row_x() { echo $(((WIN_W - 790) / 2 + $1)); }
row_y() { echo $((WIN_H - 96 + $1)); }
display_area() {
    echo "$((WIN_W - 86 - 1 - 87 - 20))x$((WIN_H - 96 - 120))+$((WIN_X + 97))+$((WIN_Y + 100))"
}
now() { date +%s.%N; }
# Arithmetic and comparisons on decimals.
calc() { awk "BEGIN { printf \"%.6f\", $1 }"; }
holds() { awk "BEGIN { exit !($1) }"; }
# CPU seconds (user + system, all threads) of a process.
cpu_seconds() {
    local stat fields
    stat=$(cat "/proc/$1/stat") || return 1
    read -r -a fields <<<"${stat##*) }"
    # After the command name: field 3 is index 0, utime (14) index 11, stime (15) index 12.
    calc "(${fields[11]} + ${fields[12]}) / $(getconf CLK_TCK)"
}

for tool in awk identify compare; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
e2e_setup "$BIN" "$CASE_SCREEN"
# 5 MS/s and the case's display.
write_settings "$E2E_DIR/bin/ZovuDori.ini" SMPSetting:15 "DSPSetting:$CASE_DSP" \
    "ModeEKG:$CASE_EKG" "DisplayActive:${E2E_DISPLAY_ACTIVE:-true}" ShowComixHelp:false

# ---- start-up to the first drawn frame ----------------------------------
t_exec=$(now)
e2e_start
main=""
for _ in $(seq 1 1000); do
    main=$(xdotool search --onlyvisible --name "$MAIN_TITLE" 2>/dev/null | head -n1)
    [ -n "$main" ] && break
    kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended during its start"
    sleep 0.02
done
[ -n "$main" ] || e2e_fail "main window not shown within 20 s"
t_window=$(now)
e2e_geometry "$main"
t_frame=""
for _ in $(seq 1 100); do
    # A painted display has a grid: its pixels are not all alike.
    sd=$(import -window root -crop "$(display_area)" +repage png:- 2>/dev/null |
        identify -format '%[fx:standard_deviation]' - 2>/dev/null)
    if [ -n "$sd" ] && holds "$sd > 0"; then
        t_frame=$(now)
        break
    fi
    sleep 0.02
done
startup_window=$(calc "$t_window - $t_exec")
if [ -n "$t_frame" ]; then
    startup_frame=$(calc "$t_frame - $t_exec")
else
    echo "the trace display was never drawn" >&2
    startup_frame=null
fi
echo "start-up: window visible after ${startup_window} s, first frame after ${startup_frame} s"

# ---- the case's window ---------------------------------------------------
if [ -n "$CASE_WINDOW" ]; then
    # The whole screen: the window moves to its corner and takes its size.
    xdotool windowmove --sync "$main" 0 0 2>/dev/null || xdotool windowmove "$main" 0 0
    xdotool windowsize --sync "$main" "${CASE_WINDOW%x*}" "${CASE_WINDOW#*x}" 2>/dev/null ||
        xdotool windowsize "$main" "${CASE_WINDOW%x*}" "${CASE_WINDOW#*x}"
    sleep 1
    e2e_geometry "$main"
fi
echo "window ${WIN_W}x${WIN_H}"

# ---- record at 5 MS/s ----------------------------------------------------
sleep 0.5
e2e_click "$main" "$(row_x 49)" "$(row_y 28)"
xdotool key ctrl+a BackSpace
xdotool type --delay 20 "bench.rmd"
xdotool key Return
e2e_click "$main" "$(row_x 89)" "$(row_y 54)"             # saving on
e2e_click "$main" "$(row_x $((121 + 193 + 5 + 42)))" "$(row_y 80)" # start
record=$E2E_DIR/bin/bench.rmd
sleep 2
size0=$(stat -c %s "$record" 2>/dev/null || echo 0)
[ "$size0" -gt 0 ] || e2e_fail "nothing is being recorded"
# Per thread: "tid<TAB>name<TAB>CPU ticks<TAB>context switches" lines.
thread_counts() {
    local task stat fields name sw
    for task in /proc/"$1"/task/*; do
        stat=$(cat "$task/stat" 2>/dev/null) || continue
        read -r -a fields <<<"${stat##*) }"
        name=${stat#*(}
        name=${name%%)*}
        sw=$(awk '/^(non)?voluntary_ctxt_switches:/ {n += $2} END {print n + 0}' \
            "$task/status" 2>/dev/null) || continue
        printf '%s\t%s\t%s\t%s\n' "${task##*/}" "$name" "$((fields[11] + fields[12]))" "$sw"
    done
}
# The per-thread snapshots take a while: they stay outside the interval of
# the file size and the process's CPU time.
tt0=$(now)
threads0=$(thread_counts "$E2E_PID")
size0=$(stat -c %s "$record")
cpu0=$(cpu_seconds "$E2E_PID") || e2e_fail "the program ended"
t0=$(now)
sleep "$MEASURE_SECONDS"
cpu1=$(cpu_seconds "$E2E_PID") || e2e_fail "the program ended while recording"
size1=$(stat -c %s "$record")
t1=$(now)
threads1=$(thread_counts "$E2E_PID")
tt1=$(now)
hwm_kib=$(awk '/^VmHWM:/ {print $2}' "/proc/$E2E_PID/status")
wall=$(calc "$t1 - $t0")
thread_wall=$(calc "$tt1 - $tt0")
tck=$(getconf CLK_TCK)
# Per thread over the measurement: CPU % of one core and wake-ups per second;
# the main thread's id is the process id.
threads_json=$(awk -F'\t' -v wall="$thread_wall" -v tck="$tck" -v main="$E2E_PID" '
    NR == FNR { ticks[$1] = $3; sw[$1] = $4; next }
    {
        name = ($1 == main) ? "main" : $2
        gsub(/"/, "", name)
        printf "%s{\"tid\": %s, \"name\": \"%s\", \"cpu_percent\": %.2f, \"wakeups_per_s\": %.1f}",
            sep, $1, name, 100 * ($3 - ticks[$1]) / tck / wall, ($4 - sw[$1]) / wall
        sep = ", "
    }' <(echo "$threads0") <(echo "$threads1"))
echo "per thread over the measurement (main = $E2E_PID): $threads_json"

# A cheap display would prove nothing if it stopped drawing: at 0.1 s/div the
# trace must still move (as the end-to-end test of the main window checks
# it); at 20,000 s/div a pixel column takes 400 s, so nothing moves then.
moved=null
if [ "$CASE_DSP" = 0 ] && [ "${E2E_DISPLAY_ACTIVE:-true}" = true ]; then
    shot_a=$(e2e_shot e2e_bench_a "$(display_area)")
    sleep 0.5
    shot_b=$(e2e_shot e2e_bench_b "$(display_area)")
    moved=$(compare -metric AE "$shot_a" "$shot_b" null: 2>&1 | cut -d' ' -f1)
    moved=${moved%.*}
    echo "pixels changed in the display within 0.5 s: $moved"
    [ "$moved" -gt 50 ] 2>/dev/null || e2e_fail "the trace did not move ($moved pixels)"
fi

cpu=$(calc "$cpu1 - $cpu0")
# Every sample of both channels is one word of the file.
signal=$(calc "($size1 - $size0) / 2 / 5000000")
holds "$signal > 0" || e2e_fail "the record file did not grow"
per_signal=$(calc "$cpu / $signal")
rate=$(calc "($size1 - $size0) / 2 / $wall")
peak=$(calc "$hwm_kib / 1024")
printf 'recording: %.0f samples/s over %.1f s, CPU %.3f s for %.3f s of signal = %.2f %% of one core\n' \
    "$rate" "$wall" "$cpu" "$signal" "$(calc "$per_signal * 100")"
printf 'peak resident memory (VmHWM): %.1f MiB\n' "$peak"

e2e_click "$main" "$(row_x $((121 + 193 + 96 + 42)))" "$(row_y 80)" # stop
e2e_answer "$main" alt+f
sleep 0.3
xdotool key x
confirm=$(e2e_wait_window '^Confirm$' 10) || e2e_fail "Exit did not ask"
e2e_answer "$confirm" Return
e2e_wait_exit "$E2E_PID" 15 || e2e_fail "the program did not end cleanly"

startup_fields=""
if [ -n "${E2E_STARTUP:-}" ]; then
    startup_fields="\"startup_to_window_s\": $startup_window,
  \"startup_to_first_frame_s\": $startup_frame,
  \"peak_rss_mib\": $peak,"
fi
cat >"$OUT" <<JSON
{
  "display": "$CASE_NAME",
  "window": "${WIN_W}x${WIN_H}",
  "measured_seconds": $wall,
  "samples_per_second_recorded": $rate,
  "cpu_seconds": $cpu,
  "signal_seconds": $signal,
  "cpu_per_signal_second": $per_signal,
  $startup_fields
  "display_pixels_changed_in_half_a_second": $moved,
  "threads": [$threads_json]
}
JSON
echo "written: $OUT"
