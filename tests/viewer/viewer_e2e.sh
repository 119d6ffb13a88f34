#!/usr/bin/env bash
# End to end in a private X server: the real program records a few seconds
# of the simulated device's counter pattern, File → Viewer opens the file in
# PreviewVexaRM, which is zoomed with the wheel and the keys, given both
# cursors by mouse and exports the span between them as CSV; the CSV is
# checked against the recorded words.
#   viewer_e2e.sh BIN_DIR [WIDTHxHEIGHT]
# Exit 0 pass, 1 fail, 77 skipped (tools missing). E2E_SHOTS=DIR keeps the
# screenshots.
set -uo pipefail
BIN=$(cd "$1" && pwd)
VIEW_SIZE=${2:-1280x800}
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../e2e/e2e_lib.sh
source "$HERE/../e2e/e2e_lib.sh"
command -v python3 >/dev/null || { echo "SKIP: python3 is not installed"; exit 77; }

MAIN_TITLE='^ZovuDori Vexa[1-6]$'
VIEWER_TITLE='e2e\.rmd .* PreviewVexaRM$'

# Places on the program's front panel, from the window's bottom edge.
row_x() { echo $(((WIN_W - 790) / 2 + $1)); }
row_y() { echo $((WIN_H - 96 + $1)); }

# The file exists and the process holds no descriptor of it (written, closed).
written_by() {
    [ -s "$2" ] || return 1
    ! ls -l "/proc/$1/fd" 2>/dev/null | grep -qF -- "$2"
}

e2e_setup "$BIN" "$VIEW_SIZE"
cp "$BIN/PreviewVexaRM" "$E2E_DIR/bin/" || e2e_fail "the viewer is not built in $BIN"
RECORD="$E2E_DIR/bin/e2e.rmd"

# ---- Record a few seconds of the counter pattern -------------------------------
e2e_start VEXA_SIM_COUNTER=1
msg=$(e2e_wait_window '^Error$' 20) || e2e_fail "no message about the missing settings file"
e2e_answer "$msg" Return
main=$(e2e_wait_window "$MAIN_TITLE" 20) || e2e_fail "main window not shown"
sleep 1
e2e_geometry "$main"
e2e_click "$main" "$(row_x 49)" "$(row_y 28)" # record file name
xdotool key ctrl+a BackSpace
xdotool type --delay 30 "e2e.rmd"
xdotool key Return
e2e_click "$main" "$(row_x 89)" "$(row_y 54)"                   # saving on
e2e_click "$main" "$(row_x $((121 + 193 + 5 + 42)))" "$(row_y 80)" # start
wait_until 30 bigger_than "$RECORD" 600000 || e2e_fail "nothing recorded"
e2e_click "$main" "$(row_x $((121 + 193 + 96 + 42)))" "$(row_y 80)" # stop
echo "recorded $(stat -c %s "$RECORD") bytes"

# ---- File → Viewer ----------------------------------------------------------------
e2e_answer "$main" alt+f
sleep 0.3
xdotool key Return # Viewer, the first command
viewer=$(e2e_wait_window "$VIEWER_TITLE" 20) || e2e_fail "File → Viewer did not open e2e.rmd"
VPID=$(xdotool getwindowpid "$viewer")
E2E_PIDS+=("$VPID")
wait_until 20 test -s "$E2E_DIR/bin/e2e.ind" || e2e_fail "the viewer built no index"
e2e_geometry "$viewer"
echo "viewer window ${WIN_W}x${WIN_H}"
# A point in the trace view: right of the measurement list, above the
# overview strip and the readout.
tx() { echo $((WIN_W * $1 / 100)); }
ty() { echo $((WIN_H * $1 / 100)); }
e2e_shot "viewer_${VIEW_SIZE}_whole" >/dev/null

# ---- Zoom, cursors -----------------------------------------------------------------
xdotool mousemove --window "$viewer" "$(tx 62)" "$(ty 30)"
for _ in 1 2 3; do
    xdotool click 4 # wheel: zoom in around the pointer
    sleep 0.1
done
xdotool key --clearmodifiers plus plus
sleep 0.3
e2e_click "$viewer" "$(tx 50)" "$(ty 30)"                                    # cursor 1
xdotool mousemove --window "$viewer" "$(tx 75)" "$(ty 30)" click 3 && sleep 0.3 # cursor 2
e2e_shot "viewer_${VIEW_SIZE}_cursors" >/dev/null

# ---- Export the span between the cursors --------------------------------------------
OUT="$E2E_DIR/span.csv"
e2e_answer "$viewer" ctrl+e
dialog=$(e2e_wait_window '^Export$' 10) || e2e_fail "File → Export did not open its dialog"
e2e_answer "$dialog" ctrl+a
xdotool type --delay 10 "$OUT"
xdotool key Return
wait_until 30 written_by "$VPID" "$OUT" || e2e_fail "the CSV was not written"
e2e_shot "viewer_${VIEW_SIZE}_exported" >/dev/null
python3 "$HERE/check_csv.py" "$RECORD" "$OUT" || e2e_fail "the CSV does not match the recording"

# ---- Both programs end cleanly; the record file is as it was -------------------------
before=$(stat -c '%s %Y' "$RECORD")
e2e_answer "$viewer" ctrl+q
wait_until 15 sh -c "! kill -0 $VPID 2>/dev/null" || e2e_fail "the viewer did not end"
[ "$(stat -c '%s %Y' "$RECORD")" = "$before" ] || e2e_fail "the record file changed"
e2e_answer "$main" alt+f
sleep 0.3
xdotool key x
confirm=$(e2e_wait_window '^Confirm$' 10) || e2e_fail "Exit did not ask"
e2e_answer "$confirm" Return
e2e_wait_exit "$E2E_PID" 15 || e2e_fail "the program did not end cleanly"
echo PASS
