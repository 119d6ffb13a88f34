#!/usr/bin/env bash
# Configures and builds into build/ (or the folder given in BUILD_DIR).
# Extra arguments are passed to cmake at configure time, e.g. -DVEXA_TSAN=ON.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=${BUILD_TYPE:-RelWithDebInfo} "$@" >/dev/null
cmake --build "$BUILD_DIR" -j"${JOBS:-2}"
