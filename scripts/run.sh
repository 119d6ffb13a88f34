#!/usr/bin/env bash
# Builds the program and starts it (on the simulated device unless the
# VEXA_SIM_... variables say otherwise, see README.md).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
exe=build/bin/Vexa_RollMode
if [ ! -x "$exe" ]; then
  echo "The program has not been built yet (build/bin/Vexa_RollMode is missing)." >&2
  exit 1
fi
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found. Run it in a virtual X server instead:" >&2
  echo "  xvfb-run -s '-screen 0 1280x800x24' build/bin/Vexa_RollMode" >&2
  exit 1
fi
exec "$exe"
