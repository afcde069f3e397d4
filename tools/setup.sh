#!/usr/bin/env bash
# Installs what Kovra needs to build and test on Debian 12, then configures
# and builds it in build/. Sourced by run.sh and test.sh.
set -euo pipefail

KOVRA_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
KOVRA_BUILD="${KOVRA_ROOT}/build"

# Extra packages may be named: the test run adds clang for its sanitizer and
# fuzzing build.
kovra_install_missing() {
  local packages=(build-essential cmake ninja-build qt6-base-dev libgtest-dev
                  libcap2-bin "$@")
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

kovra_build() {
  cmake -S "$KOVRA_ROOT" -B "$KOVRA_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
  cmake --build "$KOVRA_BUILD" --parallel "$(nproc)"
}
