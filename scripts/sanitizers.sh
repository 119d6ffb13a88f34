#!/usr/bin/env bash
# Runs the whole test suite under AddressSanitizer + UndefinedBehaviorSanitizer
# (build-asan) and under ThreadSanitizer (build-tsan), through scripts/test.sh.
# Usage: scripts/sanitizers.sh [asan|tsan]...   (both when none is named)
# Each run's output is kept in <build folder>/sanitizer-run.log.
set -euo pipefail
cd "$(dirname "$0")/.."
kinds=("$@")
[ "${#kinds[@]}" -eq 0 ] && kinds=(asan tsan)
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
# scripts/test.sh sets the sanitizer options (leak check, stack traces, the
# ThreadSanitizer suppressions of tests/tsan.supp); a report fails the test.
# The one leak left out: a buffer of the system's D-Bus library, which Qt's
# X platform opens in the end-to-end runs and never frees.
lsan_supp=$(mktemp)
trap 'rm -f "$lsan_supp"' EXIT
printf 'leak:libdbus-1.so\n' >"$lsan_supp"
export LSAN_OPTIONS="suppressions=$lsan_supp ${LSAN_OPTIONS:-}"

status=0
for kind in "${kinds[@]}"; do
  case "$kind" in
    asan) dir=build-asan; flag=-DVEXA_ASAN=ON ;;
    tsan) dir=build-tsan; flag=-DVEXA_TSAN=ON ;;
    *) echo "sanitizers.sh: unknown kind $kind (asan or tsan)" >&2; exit 2 ;;
  esac
  echo "== $kind: building into $dir and running every test"
  t0=$SECONDS
  mkdir -p "$dir"
  if BUILD_DIR=$dir bash scripts/test.sh "$flag" -DVEXA_BUILD_BENCH=OFF 2>&1 | tee "$dir/sanitizer-run.log"; then
    echo "== $kind: clean, $((SECONDS - t0)) s"
  else
    echo "== $kind: FAILED after $((SECONDS - t0)) s (see $dir/sanitizer-run.log)" >&2
    status=1
  fi
done
exit $status
