#!/usr/bin/env bash
# Installs the Debian packages the project needs, when they are missing.
# Idempotent and quick when everything is present: apt-get update runs only
# when something has to be installed.
set -euo pipefail

PACKAGES=(
  g++ cmake make
  qt6-base-dev libgl-dev
  libjpeg62-turbo-dev
  libgtest-dev libgmock-dev
  libbenchmark-dev
  xvfb xauth xdotool imagemagick
  clang-format clang
  python3 python3-numpy
  fonts-dejavu-core
  dpkg-dev file lintian desktop-file-utils appstream
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -eq 0 ]; then
  exit 0
fi

echo "Installing missing packages: ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
