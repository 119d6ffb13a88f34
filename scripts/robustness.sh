#!/usr/bin/env bash
# Builds and runs the fault and endurance suite: no-loss recordings at every
# sampling rate, the device lost and found 20 times in one recording, a full
# disk, 50 closes at random moments (tests/robustness), and, when the program
# is built, the real program under a virtual X server: a full disk, a stop of
# the whole process (SIGSTOP) while it records, and closing it.
# Usage: scripts/robustness.sh [gtest filter]
#   BUILD_DIR=...        build folder (default build)
#   PROGRAM_CLOSES=n     rounds of closing the real program (default 50)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
FILTER=${1:-*}
bash scripts/setup.sh
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} >/dev/null
targets=(robustness_tests robustness_long)
program=no
help=$(cmake --build "$BUILD_DIR" --target help)
if grep -q '^\.\.\. Vexa_RollMode$' <<<"$help"; then
  targets+=(Vexa_RollMode record_check)
  program=yes
fi
cmake --build "$BUILD_DIR" -j"${JOBS:-2}" --target "${targets[@]}"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

status=0
run() {
  local name=$1
  shift
  local t0=$SECONDS
  echo "== $name"
  if "$@"; then
    echo "== $name passed in $((SECONDS - t0)) s"
  else
    echo "== $name FAILED after $((SECONDS - t0)) s" >&2
    status=1
  fi
}
run "quick fault tests" "$BUILD_DIR/bin/robustness_tests" --gtest_filter="$FILTER"
run "endurance tests" "$BUILD_DIR/bin/robustness_long" --gtest_filter="$FILTER"
if [ "$program" = yes ]; then
  run "full disk under the real program (Xvfb)" \
    bash tests/robustness/program_disk_full.sh "$BUILD_DIR/bin"
  run "the real program stopped for 3 s at 5,000,000 samples/s (Xvfb)" \
    bash tests/robustness/program_stall.sh "$BUILD_DIR/bin" 3
  run "closing the program at random moments under Xvfb" \
    bash tests/robustness/program_close.sh "$BUILD_DIR/bin" "${PROGRAM_CLOSES:-50}"
else
  echo "== closing the program: skipped (the program is not in this tree yet)"
fi
exit $status
