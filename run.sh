#!/usr/bin/env bash
# Installs what is missing, builds Kovra and starts it.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/tools/setup.sh"

kovra_require_display || exit 1
kovra_install_missing
kovra_build -DKOVRA_BUILD_TESTS=OFF

# Port 571 is privileged on Linux: let the program bind it without root. A
# binary that kept its capability from the last run is left alone; a relink
# drops it. getcap lives in /usr/sbin, outside most users' PATH.
binary="${KOVRA_BUILD}/kovra"
getcap="$(command -v getcap || echo /usr/sbin/getcap)"
if ! "$getcap" "$binary" 2>/dev/null | grep -q cap_net_bind_service; then
  kovra_as_root setcap cap_net_bind_service=+ep "$binary" 2>/dev/null ||
    echo "Could not grant port 571 to ${binary}; run it as root to receive." >&2
fi

exec "$binary"
