#!/usr/bin/env bash
# End-to-end runs of the real program in a private X server, driven from
# outside with xdotool and checked with screenshots and files.
#   run_e2e.sh CASE BIN_DIR
# CASE: first_start_record | second_instance | device_absent | device_in_use | exit_signals |
#       settings_pipe | keyboard_record | fits_screen | screens
# Exit 0 pass, 1 fail, 77 skipped (tools missing).
set -uo pipefail
CASE=$1
BIN=$(cd "$2" && pwd)
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=e2e_lib.sh
source "$HERE/e2e_lib.sh"

MAIN_TITLE='^ZovuDori Vexa[1-6]$'
DEMO_TITLE='^ZovuDori VexaX +<-RUNNING IN DEMO MODE->$'

# Places on the front panel, from the window's bottom edge: the bottom row
# is centred and the window has no frame in a bare X server.
row_x() { echo $(((WIN_W - 790) / 2 + $1)); }
row_y() { echo $((WIN_H - 96 + $1)); }

answer_missing_settings() {
    local msg
    msg=$(e2e_wait_window '^Error$' 20) || e2e_fail "no message about the missing settings file"
    e2e_answer "$msg" Return
}

exit_by_menu() {
    local main=$1 confirm
    e2e_answer "$main" alt+f
    sleep 0.3
    xdotool key x
    confirm=$(e2e_wait_window '^Confirm$' 10) || e2e_fail "Exit did not ask"
    e2e_answer "$confirm" Return # Yes is the default button
}

# Percentage of pure magenta pixels in an image.
magenta_share() {
    local total magenta
    total=$(identify -format '%[fx:w*h]' "$1")
    magenta=$(convert "$1" -fill black +opaque '#FF00FF' -fill white -opaque '#FF00FF' \
        -format '%[fx:mean*w*h]' info:)
    echo $((${magenta%.*} * 100 / ${total%.*}))
}

display_area() { # the trace display, as an import crop geometry
    echo "$((WIN_W - 86 - 1 - 87 - 20))x$((WIN_H - 96 - 120))+$((WIN_X + 97))+$((WIN_Y + 100))"
}

case_first_start_record() {
    e2e_setup "$BIN"
    e2e_start
    answer_missing_settings
    local main
    main=$(e2e_wait_window "$MAIN_TITLE" 20) || e2e_fail "main window not shown"
    sleep 1
    e2e_geometry "$main"

    # Record file name, then saving on.
    e2e_click "$main" "$(row_x 49)" "$(row_y 28)"
    xdotool key ctrl+a BackSpace
    xdotool type --delay 30 "e2e.rmd"
    xdotool key Return
    e2e_click "$main" "$(row_x 89)" "$(row_y 54)"
    # Start the measurement.
    e2e_click "$main" "$(row_x $((121 + 193 + 5 + 42)))" "$(row_y 80)"
    sleep 2
    local a b
    a=$(e2e_shot trace1 "$(display_area)")
    sleep 1.5
    b=$(e2e_shot trace2 "$(display_area)")
    local diff
    diff=$(compare -metric AE "$a" "$b" null: 2>&1 | cut -d' ' -f1)
    echo "pixels changed in the display: $diff"
    [ "${diff%.*}" -gt 50 ] 2>/dev/null || e2e_fail "the trace did not move ($diff pixels)"
    # Stop, and the record file holds data.
    e2e_click "$main" "$(row_x $((121 + 193 + 96 + 42)))" "$(row_y 80)"
    sleep 0.5
    local size
    size=$(stat -c %s "$E2E_DIR/bin/e2e.rmd" 2>/dev/null || echo 0)
    echo "record file: $size bytes"
    [ "$size" -gt 1000 ] || e2e_fail "nothing recorded (e2e.rmd has $size bytes)"
    exit_by_menu "$main"
    e2e_wait_exit "$E2E_PID" 15 || e2e_fail "the program did not end cleanly (code $?)"
    local lines
    lines=$(wc -l <"$E2E_DIR/bin/ZovuDori.ini")
    echo "ZovuDori.ini: $lines lines"
    [ "$lines" -eq 62 ] || e2e_fail "ZovuDori.ini has $lines lines, not 62"
    echo PASS
}

case_second_instance() {
    e2e_setup "$BIN"
    e2e_start
    local first=$E2E_PID
    answer_missing_settings
    local main
    main=$(e2e_wait_window "$MAIN_TITLE" 20) || e2e_fail "main window not shown"
    sleep 0.5
    # Cover the window with another one, then start again: the first
    # instance must come to the front over it.
    e2e_geometry "$main"
    convert -size 300x200 xc:'#FF00FF' "$E2E_DIR/cover.png"
    display -geometry "+$((WIN_X + 200))+$((WIN_Y + 150))" "$E2E_DIR/cover.png" &
    E2E_PIDS+=("$!")
    e2e_wait_window 'cover.png' 10 >/dev/null || e2e_fail "the covering window did not open"
    sleep 0.5
    local area="200x120+$((WIN_X + 250))+$((WIN_Y + 190))"
    [ "$(magenta_share "$(e2e_shot covered "$area")")" -gt 90 ] || e2e_fail "the cover is not on top"
    # Another temporary folder does not hide the running copy.
    mkdir -p "$E2E_DIR/tmp2"
    e2e_start TMPDIR="$E2E_DIR/tmp2"
    local second=$E2E_PID
    e2e_wait_exit "$second" 10
    local code=$?
    [ $code -eq 0 ] || e2e_fail "the second start did not end by itself (code $code)"
    kill -0 "$first" 2>/dev/null || e2e_fail "the first instance ended"
    [ "$(e2e_window_count "$MAIN_TITLE")" -eq 1 ] || e2e_fail "a second main window opened"
    sleep 0.5
    local share
    share=$(magenta_share "$(e2e_shot raised "$area")")
    echo "cover visible after the second start: $share %"
    [ "$share" -lt 10 ] || e2e_fail "the first window was not brought to the front"
    exit_by_menu "$main"
    e2e_wait_exit "$first" 15 || e2e_fail "the first instance did not end cleanly"
    echo PASS
}

case_device_absent() {
    e2e_setup "$BIN"
    # Retry once, then demo mode.
    e2e_start VEXA_SIM_INIT_FAILURES=-1
    answer_missing_settings
    local ask
    ask=$(e2e_wait_window '^Error$' 20) || e2e_fail "no question about the missing device"
    e2e_answer "$ask" alt+y # Retry
    local i again=""
    for i in $(seq 1 50); do
        again=$(xdotool search --onlyvisible --name '^Error$' 2>/dev/null | grep -vx "$ask" | head -n1)
        [ -n "$again" ] && break
        sleep 0.2
    done
    [ -n "$again" ] || e2e_fail "retry did not ask again"
    ask=$again
    e2e_answer "$ask" alt+n # No: demo mode
    local main
    main=$(e2e_wait_window "$DEMO_TITLE" 20) || e2e_fail "no demo mode after No"
    exit_by_menu "$main"
    e2e_wait_exit "$E2E_PID" 15 || e2e_fail "demo run did not end cleanly"

    # Quit from the question: the program ends before its window opens.
    e2e_start VEXA_SIM_INIT_FAILURES=-1
    ask=$(e2e_wait_window '^Error$' 20) || e2e_fail "no question on the second start"
    e2e_answer "$ask" Escape # Cancel: quit
    e2e_wait_exit "$E2E_PID" 15
    local code=$?
    [ $code -eq 0 ] || e2e_fail "quitting from the question did not end cleanly (code $code)"
    [ "$(e2e_window_count 'ZovuDori')" -eq 0 ] || e2e_fail "a main window was left"
    echo PASS
}

case_device_in_use() {
    e2e_setup "$BIN"
    # Another program holds the ownership lock but shows no window we know.
    sleep 60 &
    local holder=$!
    E2E_PIDS+=("$holder")
    printf '%s\nsleep\n%s\n' "$holder" "$(uname -n)" >"$XDG_RUNTIME_DIR/Korvel_Vexa_SW.lock"
    e2e_start
    local msg
    msg=$(e2e_wait_window '^Error$' 15) || e2e_fail "no message about the device in use"
    [ "$(e2e_window_count 'ZovuDori|Vexa series scope')" -eq 0 ] || e2e_fail "the program went on"
    e2e_answer "$msg" Return
    e2e_wait_exit "$E2E_PID" 10
    local code=$?
    [ $code -eq 1 ] || e2e_fail "expected the program to end with code 1, got $code"
    echo PASS
}

# No lock file and no activation socket is left in the runtime folder.
check_nothing_left() {
    local left
    left=$(find "$XDG_RUNTIME_DIR" -name 'Korvel_Vexa_SW*' | head -n3)
    [ -z "$left" ] || e2e_fail "$1: left behind: $left"
}

# e2e_signal_exit PID SIGNAL WHAT: sends the signal and waits for a clean end.
e2e_signal_exit() {
    local pid=$1 sig=$2 what=$3 t0 code
    t0=$(date +%s%N)
    kill "-$sig" "$pid"
    e2e_wait_exit "$pid" 10
    code=$?
    echo "$what: ended $((($(date +%s%N) - t0) / 1000000)) ms after SIG$sig, code $code"
    [ $code -eq 0 ] || e2e_fail "$what: the program did not end cleanly after SIG$sig (code $code)"
}

# SIGHUP, SIGTERM and SIGINT end the program as File -> Exit does, also with
# a dialog open: settings saved, a running recording closed by its stop
# record, lock and sockets removed.
case_exit_signals() {
    e2e_setup "$BIN"
    # During the start-up message about the missing settings file.
    e2e_start
    e2e_wait_window '^Error$' 20 >/dev/null || e2e_fail "no start-up message"
    e2e_signal_exit "$E2E_PID" HUP "start-up message"
    [ "$(wc -l <"$E2E_DIR/bin/ZovuDori.ini")" -eq 62 ] || e2e_fail "settings not saved after SIGHUP"
    check_nothing_left SIGHUP

    # During a recording of the counter pattern.
    e2e_start VEXA_SIM_COUNTER=1
    local main
    main=$(e2e_wait_window "$MAIN_TITLE" 20) || e2e_fail "main window not shown"
    sleep 0.5
    e2e_geometry "$main"
    e2e_click "$main" "$(row_x 49)" "$(row_y 28)"
    xdotool key ctrl+a BackSpace
    xdotool type --delay 30 "signal.rmd"
    xdotool key Return
    e2e_click "$main" "$(row_x 89)" "$(row_y 54)"
    e2e_click "$main" "$(row_x $((121 + 193 + 5 + 42)))" "$(row_y 80)"
    local i
    for i in $(seq 1 100); do
        [ "$(stat -c %s "$E2E_DIR/bin/signal.rmd" 2>/dev/null || echo 0)" -gt 100000 ] && break
        sleep 0.1
    done
    [ "$(stat -c %s "$E2E_DIR/bin/signal.rmd" 2>/dev/null || echo 0)" -gt 100000 ] ||
        e2e_fail "the recording did not grow"
    # The settings are written again at the end.
    rm "$E2E_DIR/bin/ZovuDori.ini"
    e2e_signal_exit "$E2E_PID" TERM "recording"
    local tail
    tail=$(tail -c 8 "$E2E_DIR/bin/signal.rmd" | od -An -tx1 | tr -d ' \n')
    echo "record file: $(stat -c %s "$E2E_DIR/bin/signal.rmd") bytes, ends with $tail"
    [ "$tail" = "0000040001000000" ] || e2e_fail "the record file does not end with its stop record"
    [ $(($(stat -c %s "$E2E_DIR/bin/signal.rmd") % 2)) -eq 0 ] || e2e_fail "half a word at the end"
    [ "$(wc -l <"$E2E_DIR/bin/ZovuDori.ini")" -eq 62 ] || e2e_fail "settings not saved after SIGTERM"
    check_nothing_left SIGTERM

    # While the Exit question waits for an answer.
    e2e_start
    main=$(e2e_wait_window "$MAIN_TITLE" 20) || e2e_fail "main window not shown"
    sleep 0.3
    e2e_answer "$main" alt+f
    sleep 0.3
    xdotool key x
    e2e_wait_window '^Confirm$' 10 >/dev/null || e2e_fail "Exit did not ask"
    e2e_signal_exit "$E2E_PID" INT "Exit question"
    check_nothing_left SIGINT
    echo PASS
}

# A named pipe as settings file neither blocks the start nor the menu's
# Load saved: "Error reading file." comes at once and the program goes on.
case_settings_pipe() {
    e2e_setup "$BIN"
    mkfifo "$E2E_DIR/bin/ZovuDori.ini" "$E2E_DIR/bin/RollModeSettings.dat"
    e2e_start
    local msg main
    msg=$(e2e_wait_window '^Error$' 5) || e2e_fail "the start blocked on the pipe"
    e2e_answer "$msg" Return
    main=$(e2e_wait_window "$MAIN_TITLE" 20) || e2e_fail "main window not shown"
    sleep 0.3
    e2e_answer "$main" alt+s
    sleep 0.3
    xdotool key Down Return # Load saved
    msg=$(e2e_wait_window '^Error$' 5) || e2e_fail "Load saved blocked on the pipe"
    e2e_answer "$msg" Return
    exit_by_menu "$main"
    e2e_wait_exit "$E2E_PID" 15 || e2e_fail "the program did not end cleanly"
    # The settings were saved over the pipe's name as a regular file.
    [ -f "$E2E_DIR/bin/ZovuDori.ini" ] || e2e_fail "ZovuDori.ini is not a regular file"
    [ "$(wc -l <"$E2E_DIR/bin/ZovuDori.ini")" -eq 62 ] || e2e_fail "settings not saved"
    echo PASS
}

# wait_size FILE BYTES SECONDS: waits until FILE exists and holds more than
# BYTES (-1: exists at all).
wait_size() {
    local i size
    for i in $(seq 1 $(($3 * 10))); do
        size=$(stat -c %s "$1" 2>/dev/null || echo -2)
        [ "$size" -gt "$2" ] && return 0
        sleep 0.1
    done
    return 1
}

# The sampling rates of the start records' snapshots in a record file, one
# a line: the payload of each rate record (type 10) that follows a start.
start_rates() {
    od -An -v -tu2 -w2 "$1" | awk '
        { w[n++] = $1 }
        END {
            i = 0; started = 0
            while (i < n) {
                if (w[i] != 0) { i++; continue }
                len = w[i + 1]; type = w[i + 2]
                if (len == 0) { i++; continue }
                if (type == 1 && w[i + 3] == 1) started = 1
                if (type == 10 && started) { print w[i + 3] + 65536 * w[i + 4]; started = 0 }
                i += len
            }
        }'
}

# The keyboard alone, no mouse: name the record file, switch saving on, set
# a sampling rate, start with F5, stop with F6, leave by the menu and Enter.
case_keyboard_record() {
    e2e_setup "$BIN"
    e2e_start VEXA_SIM_COUNTER=1
    answer_missing_settings
    local main
    main=$(e2e_wait_window "$MAIN_TITLE" 20) || e2e_fail "main window not shown"
    xdotool windowfocus --sync "$main" 2>/dev/null || xdotool windowfocus "$main"
    # The first control (channel A) has the focus; the file name edit is
    # the first control of the bottom row, after 15 in the left column and
    # 16 in the right one.
    xdotool key --delay 40 $(printf 'Tab %.0s' $(seq 1 31))
    xdotool key ctrl+a BackSpace
    xdotool type --delay 30 "keys.rmd"
    xdotool key Return
    # Browse, clear file, Save: Space switches saving on. Then the
    # sampling-rate bar: one step down, 100 kS/s to 50 kS/s.
    xdotool key --delay 40 Tab Tab Tab space Tab Left
    local file="$E2E_DIR/bin/keys.rmd"
    wait_size "$file" -1 10 || e2e_fail "saving is not on (no keys.rmd)"
    xdotool key F5
    wait_size "$file" 200000 20 || e2e_fail "the record file does not grow"
    xdotool key F6
    local before after
    before=$(stat -c %s "$file")
    e2e_answer "$main" alt+f
    local confirm
    for _ in $(seq 1 50); do
        confirm=$(xdotool search --onlyvisible --name '^Confirm$' 2>/dev/null | head -n1)
        [ -n "$confirm" ] && break
        xdotool key x
        sleep 0.2
    done
    [ -n "$confirm" ] || e2e_fail "Exit did not ask"
    e2e_answer "$confirm" Return
    e2e_wait_exit "$E2E_PID" 15 || e2e_fail "the program did not end cleanly (code $?)"
    after=$(stat -c %s "$file")
    echo "record file: $after bytes"
    local result
    result=$("$BIN/record_check" "$file") || e2e_fail "broken record file: $result"
    echo "$result"
    case "$result" in
    *" starts=1 stops=1 "*) ;;
    *) e2e_fail "not one whole measurement: $result" ;;
    esac
    local rates
    rates=$(start_rates "$file")
    [ "$rates" = "50000" ] || e2e_fail "the measurement ran at '$rates' samples/s, not 50000"
    echo PASS
}

# The window opens wholly on the screen: at 200 % on 1920x1080 (960x540
# logical pixels) and on an 800x600 screen; the bottom row is on the screen
# and answers a key (F5 starts).
case_fits_screen() {
    local screen scale
    for screen in 1920x1080:2 800x600:1; do
        scale=${screen#*:}
        screen=${screen%:*}
        (
            e2e_setup "$BIN" "$screen"
            e2e_start QT_SCALE_FACTOR="$scale"
            answer_missing_settings
            local main
            main=$(e2e_wait_window "$MAIN_TITLE" 20) || e2e_fail "main window not shown"
            e2e_geometry "$main"
            echo "$screen at $scale: window ${WIN_W}x${WIN_H} at $WIN_X,$WIN_Y"
            [ "$WIN_X" -ge 0 ] && [ "$WIN_Y" -ge 0 ] &&
                [ $((WIN_X + WIN_W)) -le "${screen%x*}" ] &&
                [ $((WIN_Y + WIN_H)) -le "${screen#*x}" ] ||
                e2e_fail "the window is not wholly on the $screen screen"
            e2e_shot "fits_${screen}_x${scale}" >/dev/null
            exit_by_menu "$main"
            e2e_wait_exit "$E2E_PID" 15 || e2e_fail "did not end cleanly"
        ) || exit 1
    done
    echo PASS
}

# Not a test: screenshots of the main window while recording, in both
# display modes, for a look by eye (E2E_SHOTS names the folder).
case_screens() {
    local size=${E2E_SCREEN:-1280x800}
    e2e_setup "$BIN" "$size"
    e2e_start
    answer_missing_settings
    local main
    main=$(e2e_wait_window "$MAIN_TITLE" 20) || e2e_fail "main window not shown"
    if [ -n "${E2E_WINDOW:-}" ]; then
        xdotool windowsize --sync "$main" "${E2E_WINDOW%x*}" "${E2E_WINDOW#*x}"
        xdotool windowmove --sync "$main" 0 0
    fi
    sleep 1
    e2e_geometry "$main"
    e2e_click "$main" "$(row_x $((121 + 193 + 5 + 42)))" "$(row_y 80)"
    sleep 4
    e2e_shot "main_${size}_ekg"
    e2e_click "$main" 64 $((57 + 41 + 11 + 22)) # Roll
    sleep 4
    e2e_shot "main_${size}_roll"
    exit_by_menu "$main"
    e2e_wait_exit "$E2E_PID" 15 || e2e_fail "did not end cleanly"
    echo DONE
}

"case_$CASE"
