# Shared steps of the end-to-end runs: a private X server, a private copy of
# the program, and helpers to find, answer and click its windows.
# Every wait is bounded; cleanup stops what was started.

E2E_PIDS=()
E2E_XVFB_PID=""

e2e_fail() {
    echo "FAIL: $*" >&2
    e2e_shot "failure" || true
    exit 1
}

e2e_cleanup() {
    local pid
    for pid in "${E2E_PIDS[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    sleep 0.3
    for pid in "${E2E_PIDS[@]}"; do
        kill -9 "$pid" 2>/dev/null || true
    done
    if [ -n "$E2E_XVFB_PID" ]; then
        kill "$E2E_XVFB_PID" 2>/dev/null || true
        wait "$E2E_XVFB_PID" 2>/dev/null || true
    fi
    if [ -n "${E2E_KEEP:-}" ]; then
        echo "kept: $E2E_DIR"
    else
        rm -rf "$E2E_DIR"
    fi
}

# e2e_setup BIN_DIR [WIDTHxHEIGHT]: X server, private folders, program copy.
e2e_setup() {
    local bin=$1
    e2e_display "${2:-1280x800}"
    cp "$bin/Vexa_RollMode" "$bin/libvexarmdrv.so" "$bin/libvexausb.so" "$bin/VexaSplash.jpg" \
        "$E2E_DIR/bin/" || e2e_fail "the program is not built in $bin"
    cp -r "$bin/Help" "$E2E_DIR/bin/"
}

# e2e_display [WIDTHxHEIGHT]: private folders (E2E_DIR) and an X server.
e2e_display() {
    local screen=${1:-1280x800}
    for tool in Xvfb xdotool import compare; do
        command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
    done
    E2E_DIR=$(mktemp -d "${TMPDIR:-/tmp}/vexa_e2e_XXXXXX")
    trap e2e_cleanup EXIT
    mkdir -p "$E2E_DIR/bin" "$E2E_DIR/tmp" "$E2E_DIR/home" "$E2E_DIR/run" "$E2E_DIR/shots"
    chmod 700 "$E2E_DIR/run"
    # Lock file, sockets and per-user folders stay inside this run.
    export TMPDIR="$E2E_DIR/tmp" HOME="$E2E_DIR/home" XDG_RUNTIME_DIR="$E2E_DIR/run"
    unset WAYLAND_DISPLAY QT_QPA_PLATFORM
    exec 9>"$E2E_DIR/displayfd"
    Xvfb -displayfd 9 -screen 0 "${screen}x24" -nolisten tcp -noreset \
        >"$E2E_DIR/xvfb.log" 2>&1 &
    E2E_XVFB_PID=$!
    local i
    for i in $(seq 1 100); do
        [ -s "$E2E_DIR/displayfd" ] && break
        sleep 0.1
    done
    exec 9>&-
    [ -s "$E2E_DIR/displayfd" ] || e2e_fail "Xvfb did not start"
    export DISPLAY=":$(head -n1 "$E2E_DIR/displayfd")"
}

# e2e_start [VAR=value ...]: starts the program in its folder, pid in E2E_PID.
e2e_start() {
    (cd "$E2E_DIR/bin" && exec env "$@" ./Vexa_RollMode) >>"$E2E_DIR/program.log" 2>&1 &
    E2E_PID=$!
    E2E_PIDS+=("$E2E_PID")
}

# e2e_wait_window REGEX [SECONDS]: prints the id of a visible window whose
# title matches.
e2e_wait_window() {
    local regex=$1 limit=${2:-15} i id
    for i in $(seq 1 $((limit * 5))); do
        id=$(xdotool search --onlyvisible --name "$regex" 2>/dev/null | head -n1)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.2
    done
    return 1
}

e2e_window_count() {
    xdotool search --onlyvisible --name "$1" 2>/dev/null | wc -l
}

# e2e_answer ID KEYS...: focuses a window and types keys into it.
e2e_answer() {
    local id=$1
    shift
    xdotool windowfocus --sync "$id" 2>/dev/null || xdotool windowfocus "$id"
    sleep 0.2
    xdotool key --clearmodifiers "$@"
}

# e2e_click ID X Y: clicks at window coordinates.
e2e_click() {
    xdotool mousemove --window "$1" "$2" "$3" click 1
    sleep 0.3
}

# e2e_geometry ID: sets WIN_X WIN_Y WIN_W WIN_H.
e2e_geometry() {
    eval "$(xdotool getwindowgeometry --shell "$1")"
    WIN_X=$X WIN_Y=$Y WIN_W=$WIDTH WIN_H=$HEIGHT
}

# e2e_shot NAME [GEOMETRY]: screenshot of the screen (or a part of it).
e2e_shot() {
    [ -n "${DISPLAY:-}" ] || return 1
    local out="$E2E_DIR/shots/$1.png"
    if [ -n "${2:-}" ]; then
        import -window root -crop "$2" +repage "$out"
    else
        import -window root "$out"
    fi
    [ -n "${E2E_SHOTS:-}" ] && mkdir -p "$E2E_SHOTS" && cp "$out" "$E2E_SHOTS/"
    echo "$out"
}

# e2e_wait_exit PID SECONDS: waits for the program to end; its exit code.
e2e_wait_exit() {
    local pid=$1 limit=$2 i
    for i in $(seq 1 $((limit * 10))); do
        if ! kill -0 "$pid" 2>/dev/null; then
            wait "$pid" 2>/dev/null
            return $?
        fi
        sleep 0.1
    done
    return 124
}

# wait_until SECONDS COMMAND...: a bounded wait for a condition.
wait_until() {
    local limit=$1 i
    shift
    for i in $(seq 1 $((limit * 10))); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}
# bigger_than FILE BYTES: the file exists and has more than BYTES bytes.
bigger_than() { [ "$(stat -c %s "$1" 2>/dev/null || echo 0)" -gt "$2" ]; }
