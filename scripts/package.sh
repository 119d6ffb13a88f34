#!/usr/bin/env bash
# Builds, then makes the Debian package build/vexa-rollmode_<version>_<arch>.deb
# (in BUILD_DIR when set). Install it with
#   sudo apt install ./build/vexa-rollmode_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh "$@"
cd "${BUILD_DIR:-build}"
cpack -G DEB
