#!/usr/bin/env bash
# The real program is stopped (SIGSTOP) for a few seconds (default 3) while
# it records at 5,000,000 samples per second with the counter pattern, and
# then continued: the device's memory overflows meanwhile. The record file
# must carry exactly one record of lost samples, standing where the gap is,
# with the device's own count (which the simulated device also writes to a
# report file when the program ends) and within 2 % of the time stopped x
# rate less the device's memory; every other sample in order; and the
# operator is told once, without the recording waiting for the answer.
# Usage: program_stall.sh BIN_DIR [SECONDS]
# Exit 0 pass, 1 fail, 77 skipped (tools or program missing).
set -uo pipefail
BIN=$(cd "$1" && pwd)
STOP_S=${2:-3}
HERE=$(cd "$(dirname "$0")" && pwd)
LIB=$HERE/../e2e/e2e_lib.sh
[ -f "$LIB" ] || { echo "SKIP: tests/e2e/e2e_lib.sh is missing"; exit 77; }
[ -x "$BIN/Vexa_RollMode" ] || { echo "SKIP: $BIN/Vexa_RollMode is not built"; exit 77; }
[ -x "$BIN/record_check" ] || { echo "SKIP: $BIN/record_check is not built"; exit 77; }
# shellcheck source=../e2e/e2e_lib.sh
source "$LIB"
# shellcheck source=../../bench/e2e/e2e_settings.sh
source "$HERE/../../bench/e2e/e2e_settings.sh"

MAIN_TITLE='^ZovuDori Vexa[1-6]$'
RATE=5000000
FIFO_WORDS=4194304
row_x() { echo $(((WIN_W - 790) / 2 + $1)); }
row_y() { echo $((WIN_H - 96 + $1)); }
now_ms() { echo $(($(date +%s%N) / 1000000)); }

e2e_setup "$BIN"
write_settings "$E2E_DIR/bin/ZovuDori.ini" SMPSetting:15 DSPSetting:3 ModeEKG:false \
    DisplayActive:true ShowComixHelp:false
report=$E2E_DIR/sim_report.txt
e2e_start VEXA_SIM_COUNTER=1 VEXA_SIM_REPORT="$report"
main=$(e2e_wait_window "$MAIN_TITLE" 20) || e2e_fail "main window not shown"
sleep 0.5
e2e_geometry "$main"
e2e_click "$main" "$(row_x 49)" "$(row_y 28)"
xdotool key ctrl+a BackSpace
xdotool type --delay 10 "stall.rmd"
xdotool key Return
e2e_click "$main" "$(row_x 89)" "$(row_y 54)"
e2e_click "$main" "$(row_x $((121 + 193 + 5 + 42)))" "$(row_y 80)"
record=$E2E_DIR/bin/stall.rmd
for _ in $(seq 1 100); do
    [ "$(stat -c %s "$record" 2>/dev/null || echo 0)" -gt 4000000 ] && break
    sleep 0.1
done
[ "$(stat -c %s "$record" 2>/dev/null || echo 0)" -gt 4000000 ] || e2e_fail "the recording did not start"

t0=$(now_ms)
kill -STOP "$E2E_PID"
sleep "$STOP_S"
kill -CONT "$E2E_PID"
t1=$(now_ms)
stopped_ms=$((t1 - t0))
echo "stopped for $stopped_ms ms"

warning=$(e2e_wait_window '^Warning$' 15) || e2e_fail "the operator was not told of the loss"
size=$(stat -c %s "$record")
# The recording goes on while the message is open.
for _ in $(seq 1 100); do
    [ "$(stat -c %s "$record")" -gt $((size + 4000000)) ] && break
    sleep 0.1
done
[ "$(stat -c %s "$record")" -gt $((size + 4000000)) ] || e2e_fail "the recording waits for the message"
[ "$(e2e_window_count '^Warning$')" -eq 1 ] || e2e_fail "told more than once"
e2e_shot stall_warning >/dev/null || true
e2e_answer "$warning" Return

e2e_answer "$main" alt+f
sleep 0.3
xdotool key x
confirm=$(e2e_wait_window '^Confirm$' 10) || e2e_fail "Exit did not ask"
e2e_answer "$confirm" Return
e2e_wait_exit "$E2E_PID" 15 || e2e_fail "the program did not end cleanly"

result=$("$BIN/record_check" "$record") || e2e_fail "broken record file: $result"
echo "$result"
gaps=$(sed -n 's/.* gaps=\([0-9]*\) .*/\1/p' <<<"$result")
lost=$(sed -n 's/.* lost=\([0-9]*\) .*/\1/p' <<<"$result")
[ "$gaps" = 1 ] || e2e_fail "$gaps records of lost samples, not one"
[ -f "$report" ] || e2e_fail "the simulated device wrote no report"
counted=$(sed -n 's/^lost_samples=//p' "$report")
echo "record: $lost lost sample periods; device: $counted"
[ "$lost" = "$counted" ] || e2e_fail "the record says $lost, the device lost $counted"
expected=$((stopped_ms * (RATE / 1000) - FIFO_WORDS))
diff=$((lost > expected ? lost - expected : expected - lost))
echo "from the time stopped: $expected (differs by $diff)"
[ $((diff * 50)) -le "$expected" ] || e2e_fail "the count is not within 2 % of the time stopped"
echo PASS
