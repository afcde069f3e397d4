#!/usr/bin/env bash
# Installs what Kovra needs to build and test on Debian 12, then configures
# and builds it in build/. Sourced by run.sh and test.sh.
set -euo pipefail

KOVRA_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
KOVRA_BUILD="${KOVRA_ROOT}/build"

# Extra packages may be named: the test run adds clang for its sanitizer and
# fuzzing build.
kovra_install_missing() {
  local packages=(build-essential cmake ninja-build qt6-base-dev zlib1g-dev libgtest-dev
                  libcap2-bin qt6-translations-l10n libgcrypt20-dev "$@")
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  # sudo clears the environment, so the setting travels on apt-get's command line.
  kovra_as_root apt-get update -qq
  kovra_as_root env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Runs a command as root: directly when we are root, through sudo otherwise.
# Only called when something is to be changed, so a set-up machine never asks.
kovra_as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  else
    sudo "$@"
  fi
}

# Says in one line that Kovra needs a desktop, and fails, when there is none.
kovra_require_display() {
  if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
    echo "Kovra needs a graphical desktop: start it from a desktop session (X11 or Wayland), or over ssh -X." >&2
    return 1
  fi
}

kovra_build() {
  cmake -S "$KOVRA_ROOT" -B "$KOVRA_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
  cmake --build "$KOVRA_BUILD" --parallel "$(nproc)"
}
