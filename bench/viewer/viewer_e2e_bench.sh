#!/usr/bin/env bash
# The viewer as a user starts it, in a private X server of 1920x1080:
#   - start-up: from the exec of PreviewVexaRM with a 4 GiB recording whose
#     index is current to the first frame with the whole measurement drawn
#     (the viewer prints the time of that frame with VEXA_VIEWER_TIMING=1),
#     three runs, the median;
#   - redraws: the window at 1920x1080, zoomed and panned with the keys, the
#     time of every paint (plot from the index and drawing);
#   - with VIEWER_BIG=1 also the memory on a 10 GiB recording: while it
#     builds the index and afterwards with the index current (resident
#     memory without the pages of the record file's mapping).
# The recordings are generated in a temporary folder and removed at the end.
#   viewer_e2e_bench.sh BIN_DIR OUT.json
set -euo pipefail
BIN=$(cd "$1" && pwd)
OUT=$2
for tool in Xvfb xdotool import convert python3; do
    command -v "$tool" >/dev/null || { echo "viewer bench: $tool is missing" >&2; exit 1; }
done
WORK=$(mktemp -d "${TMPDIR:-/tmp}/vexa-viewer-bench-XXXXXX")
XPID=""
VPID=""
cleanup() {
    [ -n "$VPID" ] && kill "$VPID" 2>/dev/null || true
    [ -n "$XPID" ] && kill "$XPID" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT
need=$((5 * 1024 * 1024))
[ -n "${VIEWER_BIG:-}" ] && need=$((need + 11 * 1024 * 1024))
avail=$(df --output=avail -k "$WORK" | tail -n1)
if [ "$avail" -lt "$need" ]; then
    echo "viewer bench: $((avail / 1024)) MiB free in $WORK, $((need / 1024)) MiB needed" >&2
    exit 1
fi
export HOME="$WORK/home" XDG_RUNTIME_DIR="$WORK/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

exec 9>"$WORK/displayfd"
Xvfb -displayfd 9 -screen 0 1920x1080x24 -nolisten tcp -noreset >"$WORK/xvfb.log" 2>&1 &
XPID=$!
for _ in $(seq 1 100); do
    [ -s "$WORK/displayfd" ] && break
    sleep 0.1
done
exec 9>&-
export DISPLAY=":$(head -n1 "$WORK/displayfd")"

# wait_for SECONDS COMMAND...: a bounded wait for a condition.
wait_for() {
    local limit=$1 i
    shift
    for i in $(seq 1 $((limit * 50))); do
        "$@" && return 0
        sleep 0.02
    done
    return 1
}
has_line() { grep -q "$1" "$2" 2>/dev/null; }
lines_in() { grep -c "$1" "$2" 2>/dev/null || true; }
more_lines() { [ "$(lines_in paint-ms "$1")" -gt "$2" ]; }
stop_viewer() {
    kill "$VPID" 2>/dev/null || true
    wait "$VPID" 2>/dev/null || true
    VPID=""
}
# Resident KiB of the viewer apart from the pages of the record file's mapping.
rss_without_record() {
    python3 - "$1" "$2" <<'PY'
import sys
pid, record = sys.argv[1], sys.argv[2]
total = mapped = 0
current = None
with open("/proc/%s/smaps" % pid) as f:
    for line in f:
        parts = line.split()
        if "-" in parts[0] and len(parts) >= 5:
            current = parts[5] if len(parts) > 5 else ""
        elif parts[0] == "Rss:":
            total += int(parts[1])
            if current == record:
                mapped += int(parts[1])
print(total - mapped, mapped)
PY
}

# ---- 4 GiB with a current index: start-up and redraws -----------------------------
FILE="$WORK/big4.rmd"
echo "writing a 4 GiB recording and its index" >&2
"$BIN/viewer_bench_file" "$FILE" $((4 << 30))
starts=()
for run in 1 2 3; do
    log="$WORK/start$run.log"
    t0=$(date +%s%N)
    VEXA_VIEWER_TIMING=1 "$BIN/PreviewVexaRM" "$FILE" 2>"$log" &
    VPID=$!
    wait_for 30 has_line first-frame-realtime-ns "$log" || { echo "no first frame" >&2; exit 1; }
    t1=$(sed -n 's/^first-frame-realtime-ns //p' "$log" | head -n1)
    starts+=("$(python3 -c "print(($t1 - $t0) / 1e9)")")
    if [ "$run" -eq 3 ]; then
        import -window root "$WORK/start.png"
        # The trace is drawn: many green pixels of channel A on the screen.
        green=$(convert "$WORK/start.png" -fx 'g>0.4 && r<0.2 ? 1 : 0' -format '%[fx:mean*w*h]' info:)
        echo "green pixels at the first frame: $green" >&2
        [ "${green%.*}" -gt 10000 ] || { echo "the first frame shows no trace" >&2; exit 1; }
        [ -n "${VIEWER_SHOTS:-}" ] && cp "$WORK/start.png" "$VIEWER_SHOTS/viewer_start_4GiB.png"
    fi
    stop_viewer
done
echo "start-up to the first frame: ${starts[*]} s" >&2

log="$WORK/redraw.log"
VEXA_VIEWER_TIMING=1 "$BIN/PreviewVexaRM" "$FILE" 2>"$log" &
VPID=$!
wait_for 30 has_line first-frame-realtime-ns "$log"
win=$(xdotool search --sync --onlyvisible --pid "$VPID" --name PreviewVexaRM | head -n1)
xdotool windowmove --sync "$win" 0 0
xdotool windowsize --sync "$win" 1920 1080
xdotool windowfocus --sync "$win"
wait_for 10 sh -c "grep -q 'paint-ms .* 1[5-9][0-9][0-9]x' '$log'" || true
sleep 0.5
first=$(lines_in paint-ms "$log")
for key in plus plus plus plus plus plus plus plus Right Right Right Right minus minus \
    minus End Home Right Right plus plus plus plus plus plus plus plus plus plus plus plus f; do
    n=$(lines_in paint-ms "$log")
    xdotool key --window "$win" "$key"
    wait_for 10 more_lines "$log" "$n" || echo "no repaint after $key" >&2
done
[ -n "${VIEWER_SHOTS:-}" ] && import -window root "$VIEWER_SHOTS/viewer_redraw_1920.png"
stop_viewer
# Wall ms, view size, plot ms, CPU ms of each redraw.
redraws=$(sed -n "$((first + 1)),\$p" "$log" |
    sed -n 's/^paint-ms \([0-9.]*\) \([0-9x]*\) plot-ms \([0-9.]*\) cpu-ms \([0-9.]*\)$/\1 \2 \3 \4/p')
echo "redraws (wall ms, view size, plot ms, CPU ms):" >&2
echo "$redraws" | tr '\n' ';' >&2
echo >&2

# ---- 10 GiB: memory while the index is built and with it current ---------------
big_json=""
if [ -n "${VIEWER_BIG:-}" ]; then
    rm -f "$FILE" "${FILE%rmd}ind"
    BIG="$WORK/big10.rmd"
    echo "writing a 10 GiB recording (no index)" >&2
    "$BIN/viewer_bench_file" "$BIG" $((10 << 30)) --no-index
    log="$WORK/big.log"
    t0=$(date +%s)
    VEXA_VIEWER_TIMING=1 "$BIN/PreviewVexaRM" "$BIG" 2>"$log" &
    VPID=$!
    peak=0
    peak_total=0
    # Until the index is stored and the worker has gone (one thread less).
    wait_for 30 has_line paint-ms "$log"
    base=$(ls "/proc/$VPID/task" | wc -l)
    while :; do
        read -r other mapped < <(rss_without_record "$VPID" "$BIG")
        [ "$other" -gt "$peak" ] && peak=$other
        [ $((other + mapped)) -gt "$peak_total" ] && peak_total=$((other + mapped))
        if [ -s "${BIG%rmd}ind" ] && [ "$(ls "/proc/$VPID/task" | wc -l)" -lt "$base" ]; then
            break
        fi
        [ $(($(date +%s) - t0)) -gt 600 ] && { echo "index not built in 10 min" >&2; exit 1; }
        sleep 0.2
    done
    build_s=$(($(date +%s) - t0))
    read -r after_build _ < <(rss_without_record "$VPID" "$BIG")
    hwm=$(sed -n 's/^VmHWM:\s*\([0-9]*\) kB/\1/p' "/proc/$VPID/status")
    stop_viewer
    log="$WORK/big2.log"
    VEXA_VIEWER_TIMING=1 "$BIN/PreviewVexaRM" "$BIG" 2>"$log" &
    VPID=$!
    wait_for 30 has_line first-frame-realtime-ns "$log"
    win=$(xdotool search --sync --onlyvisible --pid "$VPID" --name PreviewVexaRM | head -n1)
    for key in plus plus plus plus Right Right End f; do
        n=$(lines_in paint-ms "$log")
        xdotool key --window "$win" "$key"
        wait_for 10 more_lines "$log" "$n" || true
    done
    read -r current mapped < <(rss_without_record "$VPID" "$BIG")
    stop_viewer
    echo "10 GiB: peak $((peak / 1024)) MiB while indexing (${build_s} s, VmHWM $((hwm / 1024)) MiB" \
        "with the mapping), $((after_build / 1024)) MiB after, $((current / 1024)) MiB with the" \
        "index current (record file pages resident: $((mapped / 1024)) MiB)" >&2
    big_json=$(printf ', "rss10g_indexing_peak_mib": %.1f, "rss10g_after_build_mib": %.1f, "rss10g_current_mib": %.1f, "index10g_build_s": %d, "vmhwm10g_mib": %.1f' \
        "$(python3 -c "print($peak/1024)")" "$(python3 -c "print($after_build/1024)")" \
        "$(python3 -c "print($current/1024)")" "$build_s" "$(python3 -c "print($hwm/1024)")")
fi

python3 - "$OUT" "$big_json" "${starts[@]}" <<PY
import json, statistics, sys
out, extra, starts = sys.argv[1], sys.argv[2], [float(s) for s in sys.argv[3:]]
rows = [l.split() for l in """$redraws""".splitlines() if l.strip()]
wall = [float(r[0]) for r in rows]
cpu = [float(r[3]) for r in rows]
data = {"startup_s": statistics.median(starts), "startup_runs_s": starts,
        "redraw_ms_median": statistics.median(wall), "redraw_ms_max": max(wall),
        "redraw_cpu_ms_median": statistics.median(cpu), "redraw_cpu_ms_max": max(cpu),
        "redraw_plot_ms_max": max(float(r[2]) for r in rows),
        "redraw_view": rows[0][1], "redraws": len(rows)}
data.update(json.loads("{" + extra.lstrip(", ") + "}"))
json.dump(data, open(out, "w"), indent=1)
print(json.dumps(data))
PY
