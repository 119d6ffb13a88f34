#!/usr/bin/env bash
# Formats every C++ source of the project with clang-format.
# With --check it changes nothing and fails when a file is not formatted.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files -co --exclude-standard -- '*.cpp' '*.h' '*.cc' '*.hpp' | while read -r f; do [ -f "$f" ] && echo "$f"; done)
[ "${#files[@]}" -eq 0 ] && exit 0
if [ "${1:-}" = "--check" ]; then
  clang-format --dry-run --Werror "${files[@]}"
  echo "formatting: ${#files[@]} files clean"
else
  clang-format -i "${files[@]}"
fi
