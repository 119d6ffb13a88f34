#!/usr/bin/env bash
# The disk fills up while the real program records: a file size limit
# (ulimit -f) stands in for the full disk. The program must report the
# failure once in a message box, switch saving off, keep running, and leave
# the record file whole (even length, every sample in order up to the end).
# Usage: program_disk_full.sh BIN_DIR
# Exit 0 pass, 1 fail, 77 skipped (tools or program missing).
set -uo pipefail
BIN=$(cd "$1" && pwd)
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
row_x() { echo $(((WIN_W - 790) / 2 + $1)); }
row_y() { echo $((WIN_H - 96 + $1)); }
LIMIT_KIB=3000

e2e_setup "$BIN"
# 500,000 samples per second: 1 MB of record file per second.
write_settings "$E2E_DIR/bin/ZovuDori.ini" SMPSetting:12 DSPSetting:3 ModeEKG:false \
    DisplayActive:true ShowComixHelp:false
# The limit holds for the program only (ulimit -f counts KiB in bash).
(cd "$E2E_DIR/bin" && ulimit -f "$LIMIT_KIB" && exec env VEXA_SIM_COUNTER=1 ./Vexa_RollMode) \
    >>"$E2E_DIR/program.log" 2>&1 &
E2E_PID=$!
E2E_PIDS+=("$E2E_PID")
main=$(e2e_wait_window "$MAIN_TITLE" 20) || e2e_fail "main window not shown"
sleep 0.5
e2e_geometry "$main"
e2e_click "$main" "$(row_x 49)" "$(row_y 28)"
xdotool key ctrl+a BackSpace
xdotool type --delay 10 "full.rmd"
xdotool key Return
e2e_click "$main" "$(row_x 89)" "$(row_y 54)"
e2e_click "$main" "$(row_x $((121 + 193 + 5 + 42)))" "$(row_y 80)"
record=$E2E_DIR/bin/full.rmd
msg=""
for _ in $(seq 1 100); do
    kill -0 "$E2E_PID" 2>/dev/null ||
        e2e_fail "the program ended at the full disk ($(stat -c %s "$record" 2>/dev/null) bytes recorded)"
    msg=$(xdotool search --onlyvisible --name '^Error$' 2>/dev/null | head -n1)
    [ -n "$msg" ] && break
    sleep 0.1
done
[ -n "$msg" ] || e2e_fail "no message about the failed write"
sleep 1.5
kill -0 "$E2E_PID" 2>/dev/null || e2e_fail "the program ended after the message"
[ "$(e2e_window_count '^Error$')" -eq 1 ] || e2e_fail "the failure was reported more than once"
e2e_shot disk_full >/dev/null || true
e2e_answer "$msg" Return
bytes=$(stat -c %s "$record")
echo "record file at the failure: $bytes bytes (limit $((LIMIT_KIB * 1024)))"
[ "$bytes" -le $((LIMIT_KIB * 1024)) ] || e2e_fail "the file passed the limit"
result=$("$BIN/record_check" "$record")
# The measurement still runs, so no stop record ends this file: only the
# whole words and the order of the samples are checked here.
case "$result" in
*"fault=none"*) ;;
*) e2e_fail "broken record file: $result" ;;
esac
[ $((bytes % 2)) -eq 0 ] || e2e_fail "the file ends in half a word"
echo "$result"
e2e_answer "$main" alt+f
sleep 0.3
xdotool key x
confirm=$(e2e_wait_window '^Confirm$' 10) || e2e_fail "Exit did not ask"
e2e_answer "$confirm" Return
e2e_wait_exit "$E2E_PID" 15 || e2e_fail "the program did not end cleanly"
echo PASS
