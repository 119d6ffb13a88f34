#!/usr/bin/env bash
# Closes the real program at random moments of a recording, ROUNDS times
# (default 50), in a private X server on the simulated device with the
# counter pattern. Each close (menu Exit, confirmed) must end the program
# within 3 seconds, and the record file must be whole: a whole number of
# words, every sample in order after each start, the stream ending with its
# stop record (checked by record_check).
# Usage: program_close.sh BIN_DIR [ROUNDS]
# Exit 0 pass, 1 fail, 77 skipped (tools or program missing).
set -uo pipefail
BIN=$(cd "$1" && pwd)
ROUNDS=${2:-${PROGRAM_CLOSES:-50}}
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
now_ms() { echo $(($(date +%s%N) / 1000000)); }

e2e_setup "$BIN"
RANDOM=20261208
slowest=0
for round in $(seq 1 "$ROUNDS"); do
    smp=$((10 + RANDOM % 6))
    ekg=$([ $((RANDOM % 2)) -eq 0 ] && echo true || echo false)
    rm -f "$E2E_DIR"/bin/*.rmd
    write_settings "$E2E_DIR/bin/ZovuDori.ini" "SMPSetting:$smp" "ModeEKG:$ekg" DSPSetting:3 \
        DisplayActive:true ShowComixHelp:false
    e2e_start VEXA_SIM_COUNTER=1
    main=$(e2e_wait_window "$MAIN_TITLE" 20) || e2e_fail "round $round: main window not shown"
    sleep 0.3
    e2e_geometry "$main"
    # Most rounds record; one in eight closes before the recording starts.
    recording=$([ $((RANDOM % 8)) -ne 0 ] && echo yes || echo no)
    if [ "$recording" = yes ]; then
        e2e_click "$main" "$(row_x 49)" "$(row_y 28)"
        xdotool key ctrl+a BackSpace
        xdotool type --delay 10 "close.rmd"
        xdotool key Return
        e2e_click "$main" "$(row_x 89)" "$(row_y 54)"
        e2e_click "$main" "$(row_x $((121 + 193 + 5 + 42)))" "$(row_y 80)"
        sleep "$((RANDOM % 2500 / 1000)).$(printf '%03d' $((RANDOM % 1000)))"
    fi
    e2e_answer "$main" alt+f
    sleep 0.2
    xdotool key x
    confirm=$(e2e_wait_window '^Confirm$' 10) || e2e_fail "round $round: Exit did not ask"
    xdotool windowfocus "$confirm" 2>/dev/null
    t0=$(now_ms)
    xdotool key --clearmodifiers Return
    e2e_wait_exit "$E2E_PID" 10
    code=$?
    took=$(($(now_ms) - t0))
    [ "$took" -gt "$slowest" ] && slowest=$took
    [ $code -eq 0 ] || e2e_fail "round $round: the program did not end cleanly (code $code, ${took} ms)"
    [ "$took" -lt 3000 ] || e2e_fail "round $round: closing took ${took} ms"
    result="not recording"
    if [ "$recording" = yes ]; then
        [ -f "$E2E_DIR/bin/close.rmd" ] || e2e_fail "round $round: no record file"
        result=$("$BIN/record_check" "$E2E_DIR/bin/close.rmd") ||
            e2e_fail "round $round: broken record file: $result"
    fi
    echo "round $round: rate index $smp, EKG $ekg, closed in ${took} ms; $result"
done
echo "slowest close: ${slowest} ms over $ROUNDS rounds"
echo PASS
