#!/usr/bin/env bash
# The whole program at 5,000,000 samples per second, recording, with the EKG
# display at 0.1 s per division (the fastest display rate the rate coupling
# allows at that sampling rate), in a private X server on the simulated
# device. Measures:
#   - start-up: from the exec of the program to the first drawn frame of the
#     main window (its trace display painted), polled every ~20 ms;
#   - CPU seconds per second of signal: utime + stime of the whole process
#     (every thread: simulator, driver, flow, repaints) from /proc/<pid>/stat,
#     over the samples that reached the record file in the same interval;
#   - peak resident memory: VmHWM from /proc/<pid>/status at the end.
# Usage: e2e_bench.sh BIN_DIR OUT_JSON [SECONDS]
# Exit 0 measured, 1 failed, 77 skipped (tools or program missing).
set -uo pipefail
BIN=$(cd "$1" && pwd)
OUT=$2
MEASURE_SECONDS=${3:-${E2E_SECONDS:-10}}
HERE=$(cd "$(dirname "$0")" && pwd)
LIB=$HERE/../../tests/e2e/e2e_lib.sh
[ -f "$LIB" ] || { echo "SKIP: tests/e2e/e2e_lib.sh is missing"; exit 77; }
[ -x "$BIN/Vexa_RollMode" ] || { echo "SKIP: $BIN/Vexa_RollMode is not built"; exit 77; }
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
e2e_setup "$BIN"
# 5 MS/s, 0.1 s/div, the EKG display.
# E2E_DISPLAY_ACTIVE=false measures the same recording with the display off.
write_settings "$E2E_DIR/bin/ZovuDori.ini" SMPSetting:15 DSPSetting:0 ModeEKG:true \
    "DisplayActive:${E2E_DISPLAY_ACTIVE:-true}" ShowComixHelp:false

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
# Per thread: "tid name ticks" lines, to show where the time goes.
thread_ticks() {
    local task stat fields
    for task in /proc/"$1"/task/*; do
        stat=$(cat "$task/stat" 2>/dev/null) || continue
        read -r -a fields <<<"${stat##*) }"
        local name=${stat#*(}
        echo "${task##*/} ${name%%)*} $((fields[11] + fields[12]))"
    done | tr ' ' '\t' | sed 's/\t/ /g'
}
threads0=$(thread_ticks "$E2E_PID" | tr ' ' ':')
cpu0=$(cpu_seconds "$E2E_PID") || e2e_fail "the program ended"
t0=$(now)
sleep "$MEASURE_SECONDS"
cpu1=$(cpu_seconds "$E2E_PID") || e2e_fail "the program ended while recording"
size1=$(stat -c %s "$record")
t1=$(now)
hwm_kib=$(awk '/^VmHWM:/ {print $2}' "/proc/$E2E_PID/status")
threads1=$(thread_ticks "$E2E_PID" | tr ' ' ':')
tck=$(getconf CLK_TCK)
echo "CPU per thread over the measurement (main thread = $E2E_PID):"
for t in $threads1; do
    tid=${t%%:*}
    before=$(echo "$threads0" | tr ' ' '\n' | awk -F: -v id="$tid" '$1 == id {print $NF}')
    after=${t##*:}
    used=$((after - ${before:-0}))
    [ "$used" -gt 0 ] && printf '  thread %s (%s): %s %% of one core\n' "$tid" \
        "$(echo "$t" | cut -d: -f2- | sed 's/:[0-9]*$//')" \
        "$(calc "100 * $used / $tck / $MEASURE_SECONDS")"
done
# A cheap display would prove nothing if it stopped drawing: the trace must
# still move (as the end-to-end test of the main window checks it).
shot_a=$(e2e_shot e2e_bench_a "$(display_area)")
sleep 0.5
shot_b=$(e2e_shot e2e_bench_b "$(display_area)")
moved=$(compare -metric AE "$shot_a" "$shot_b" null: 2>&1 | cut -d' ' -f1)
echo "pixels changed in the display within 0.5 s: $moved"
[ "${moved%.*}" -gt 50 ] 2>/dev/null || e2e_fail "the trace did not move ($moved pixels)"

wall=$(calc "$t1 - $t0")
cpu=$(calc "$cpu1 - $cpu0")
# Every sample of both channels is one word of the file.
signal=$(calc "($size1 - $size0) / 2 / 5000000")
holds "$signal > 0" || e2e_fail "the record file did not grow"
per_signal=$(calc "$cpu / $signal")
rate=$(calc "($size1 - $size0) / 2 / $wall")
peak=$(calc "$hwm_kib / 1024")
printf 'recording: %.0f samples/s over %.1f s, CPU %.3f s for %.3f s of signal = %.1f %% of one core\n' \
    "$rate" "$wall" "$cpu" "$signal" "$(calc "$per_signal * 100")"
printf 'peak resident memory (VmHWM): %.1f MiB\n' "$peak"

e2e_click "$main" "$(row_x $((121 + 193 + 96 + 42)))" "$(row_y 80)" # stop
e2e_answer "$main" alt+f
sleep 0.3
xdotool key x
confirm=$(e2e_wait_window '^Confirm$' 10) || e2e_fail "Exit did not ask"
e2e_answer "$confirm" Return
e2e_wait_exit "$E2E_PID" 15 || e2e_fail "the program did not end cleanly"

cat >"$OUT" <<JSON
{
  "sampling_rate": 5000000,
  "display": "EKG, 0.1 s/div",
  "measured_seconds": $wall,
  "samples_per_second_recorded": $rate,
  "cpu_seconds": $cpu,
  "signal_seconds": $signal,
  "cpu_per_signal_second": $per_signal,
  "startup_to_window_s": $startup_window,
  "startup_to_first_frame_s": $startup_frame,
  "peak_rss_mib": $peak,
  "display_pixels_changed_in_half_a_second": ${moved%.*}
}
JSON
echo "written: $OUT"
