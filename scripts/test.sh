#!/usr/bin/env bash
# Installs what is missing, builds, checks the formatting and runs every test.
# Extra arguments go to cmake (e.g. -DVEXA_ASAN=ON with BUILD_DIR=build-asan).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh "$@"
bash scripts/format.sh --check
BUILD_DIR=${BUILD_DIR:-build}
cd "$BUILD_DIR"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
ctest --output-on-failure -j"${JOBS:-2}" --timeout 600
