#!/usr/bin/env bash
# Installs what is missing, builds, checks the formatting and runs every test.
# Extra arguments go to cmake (e.g. -DVEXA_ASAN=ON with BUILD_DIR=build-asan).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh "$@"
bash scripts/format.sh --check
BUILD_DIR=${BUILD_DIR:-build}
ROOT=$PWD
cd "$BUILD_DIR"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
# Only read by sanitizer builds.
export TSAN_OPTIONS="suppressions=$ROOT/tests/tsan.supp second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
export ASAN_OPTIONS="detect_leaks=1 ${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1 halt_on_error=1 ${UBSAN_OPTIONS:-}"
ctest --output-on-failure -j"${JOBS:-2}" --timeout 600
