#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into build-fuzz and runs each for a
# bounded time (FUZZ_SECONDS, default 30). New interesting inputs are kept in
# tests/fuzz/corpus/<target>/ (minimised after each run; files named
# regression_* and the hand-written *.ini seeds always stay); crashes land in
# build-fuzz/artifacts/.
# Usage: scripts/fuzz.sh [seconds] [target...]
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-${FUZZ_SECONDS:-30}}
shift || true
BUILD_DIR=build-fuzz
TARGETS=(settings_loader_fuzz voltage_entry_fuzz time_entry_fuzz device_function_fuzz)
if [ "$#" -gt 0 ]; then TARGETS=("$@"); fi

if ! command -v clang++ >/dev/null 2>&1; then
  echo "fuzz.sh: clang++ is needed (apt-get install clang)" >&2
  exit 1
fi

cmake -S . -B "$BUILD_DIR" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVEXA_FUZZ=ON -DVEXA_ASAN=ON \
  -DVEXA_BUILD_GUI=ON -DVEXA_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link" >/dev/null
cmake --build "$BUILD_DIR" -j2 --target "${TARGETS[@]}"

mkdir -p "$BUILD_DIR/artifacts"
status=0
for t in "${TARGETS[@]}"; do
  corpus=tests/fuzz/corpus/$t
  mkdir -p "$corpus"
  dict=()
  [ -f "tests/fuzz/$t.dict" ] && dict=(-dict="tests/fuzz/$t.dict")
  # The command sequences grow to 80 steps of 13 bytes from the start.
  sizes=(-max_len=8192)
  [ "$t" = device_function_fuzz ] && sizes=(-max_len=1040 -len_control=0)
  echo "== $t: ${SECONDS_EACH}s"
  if ! "$BUILD_DIR/bin/$t" "$corpus" "${dict[@]}" -max_total_time="$SECONDS_EACH" \
      "${sizes[@]}" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$BUILD_DIR/artifacts/$t-"; then
    echo "== $t FAILED: see $BUILD_DIR/artifacts/" >&2
    status=1
    continue
  fi
  # Keep the corpus small: only inputs that add coverage stay.
  merged=$(mktemp -d)
  if "$BUILD_DIR/bin/$t" -merge=1 "${sizes[@]}" "$merged" "$corpus" >/dev/null 2>&1; then
    find "$corpus" -type f ! -name 'regression_*' ! -name '*.ini' -delete
    cp -n "$merged"/* "$corpus"/ 2>/dev/null || true
  fi
  rm -rf "$merged"
  echo "== $t: corpus of $(find "$corpus" -type f | wc -l) files"
done
exit $status
