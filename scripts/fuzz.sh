#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz and runs each for a
# bounded time (FUZZ_SECONDS, default 30). New interesting inputs are kept in
# tests/fuzz/corpus/<target>/; crashes land in build-fuzz/artifacts/.
# Usage: scripts/fuzz.sh [seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-${FUZZ_SECONDS:-30}}
BUILD_DIR=build-fuzz
TARGETS=(settings_loader_fuzz)

if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz.sh: clang++ is needed (apt-get install clang)" >&2
  exit 1
fi

cmake -S . -B "$BUILD_DIR" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXA_FUZZ=ON -DVEXA_ASAN=ON \
  -DVEXA_BUILD_GUI=OFF -DVEXA_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link" >/dev/null
cmake --build "$BUILD_DIR" -j2 --target "${TARGETS[@]}"

mkdir -p "$BUILD_DIR/artifacts"
status=0
for t in "${TARGETS[@]}"; do
  corpus=tests/fuzz/corpus/$t
  mkdir -p "$corpus"
  dict=()
  [ -f "tests/fuzz/$t.dict" ] && dict=(-dict="tests/fuzz/$t.dict")
  echo "== $t: ${SECONDS_EACH}s"
  if ! "$BUILD_DIR/bin/$t" "$corpus" "${dict[@]}" -max_total_time="$SECONDS_EACH" \
      -max_len=8192 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$BUILD_DIR/artifacts/$t-"; then
    echo "== $t FAILED: see $BUILD_DIR/artifacts/" >&2
    status=1
  fi
done
exit $status
