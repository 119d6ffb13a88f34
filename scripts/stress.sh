#!/usr/bin/env bash
# Runs the whole test suite ROUNDS times (default 20) while four busy loops
# keep the processors loaded, as on a machine that does other work, and
# counts the rounds in which every test passed. The build happens once,
# before the load starts.
# Usage: scripts/stress.sh [rounds]
#   BUILD_DIR=...   build folder (default build)
#   BUSY=n          number of busy loops (default 4)
# Each round's ctest output is kept in <build folder>/stress/round-N.log;
# the summary names every test that failed and in how many rounds.
set -euo pipefail
cd "$(dirname "$0")/.."
ROUNDS=${1:-20}
BUSY=${BUSY:-4}
BUILD_DIR=${BUILD_DIR:-build}
bash scripts/build.sh
bash scripts/format.sh --check
ROOT=$PWD
LOGS=$ROOT/$BUILD_DIR/stress
rm -rf "$LOGS"
mkdir -p "$LOGS"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

busy=()
stop_busy() {
  for pid in "${busy[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${busy[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  busy=()
}
trap stop_busy EXIT
for _ in $(seq 1 "$BUSY"); do
  bash -c 'while :; do :; done' &
  busy+=("$!")
done

passed=0
t0=$SECONDS
for round in $(seq 1 "$ROUNDS"); do
  r0=$SECONDS
  log=$LOGS/round-$round.log
  if (cd "$BUILD_DIR" && ctest --output-on-failure -j"${JOBS:-2}" --timeout 600) >"$log" 2>&1; then
    passed=$((passed + 1))
    echo "round $round: pass ($((SECONDS - r0)) s)"
  else
    failed=$(sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (.*)$/\1/p' "$log" | tr '\n' ' ')
    echo "round $round: FAIL ($((SECONDS - r0)) s): $failed"
  fi
done
stop_busy
echo "$passed of $ROUNDS rounds passed with $BUSY busy loops, $((SECONDS - t0)) s in all"
if [ "$passed" -ne "$ROUNDS" ]; then
  echo "failed tests (rounds):"
  cat "$LOGS"/round-*.log | sed -n 's/^[[:space:]]*[0-9]* - \(.*\) (.*)$/\1/p' | sort | uniq -c |
    sort -rn
  exit 1
fi
