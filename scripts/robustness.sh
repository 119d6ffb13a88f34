#!/usr/bin/env bash
# Builds and runs the fault and endurance suite: no-loss recordings at every
# sampling rate, the device lost and found 20 times in one recording, a full
# disk, 50 closes at random moments (tests/robustness), and, when the program
# is built, closing the real program under a virtual X server.
# Usage: scripts/robustness.sh [gtest filter]
#   BUILD_DIR=...  build folder (default build)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
FILTER=${1:-*}
bash scripts/setup.sh
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} >/dev/null
targets=(robustness_tests robustness_long)
if cmake --build "$BUILD_DIR" --target help | grep -q '^\.\.\. program_close_test$'; then
  targets+=(Vexa_RollMode program_close_test)
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
if [ -x "$BUILD_DIR/bin/program_close_test" ]; then
  if command -v xvfb-run >/dev/null 2>&1; then
    run "closing the program under Xvfb" env -u QT_QPA_PLATFORM \
      xvfb-run -a -s '-screen 0 1280x800x24' "$BUILD_DIR/bin/program_close_test" --gtest_filter="$FILTER"
  else
    echo "== closing the program: skipped (xvfb-run is missing)"
  fi
fi
exit $status
