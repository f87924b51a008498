#!/usr/bin/env bash
# Installs the Debian packages the build needs, when any is missing.
# Sourced by demo.sh and test.sh.
set -euo pipefail

KORU_PACKAGES=(
  cmake ninja-build g++ clang libclang-rt-14-dev clang-format
  libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix
)

# The end-to-end suite under Wine (e2e/wine/run.sh) needs these as well.
KORU_WINE_PACKAGES=(
  wine64 xvfb xdotool imagemagick pulseaudio x11-utils
)

koru_install_missing() {
  local missing=()
  local p
  for p in "${KORU_PACKAGES[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
