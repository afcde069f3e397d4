#!/usr/bin/env bash
# Installs what is missing, builds Kovra and its tests, and runs every test
# on Qt's offscreen platform.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/tools/setup.sh"

kovra_install_missing
kovra_build -DKOVRA_BUILD_TESTS=ON

export QT_QPA_PLATFORM=offscreen
cd "$KOVRA_BUILD"
ctest --output-on-failure --parallel "$(nproc)" --timeout 300
