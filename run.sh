#!/usr/bin/env bash
# Installs what is missing, builds Kovra and starts it.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/tools/setup.sh"

kovra_install_missing
kovra_build -DKOVRA_BUILD_TESTS=OFF

# Port 571 is privileged on Linux: let the program bind it without root.
binary="${KOVRA_BUILD}/kovra"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo setcap cap_net_bind_service=+ep "$binary" 2>/dev/null ||
  echo "Could not grant port 571 to ${binary}; run it as root to receive." >&2

exec "$binary"
