#!/usr/bin/env bash
# Builds kovra.exe, and with the tests (KOVRA_BUILD_TESTS=ON, the default) the
# test programs, for 64-bit Windows in build-windows/ (or $KOVRA_WINDOWS_BUILD),
# with the MinGW-w64 cross compiler and a static Qt that build_qt.sh makes
# once. Installs what is missing first.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../setup.sh"

kovra_install_missing g++-mingw-w64-x86-64-posix mingw-w64-tools libz-mingw-w64-dev libgcrypt-mingw-w64-dev googletest
qt="$("$KOVRA_ROOT/tools/windows/build_qt.sh")"
build="${KOVRA_WINDOWS_BUILD:-$KOVRA_ROOT/build-windows}"
# Debian's own Qt runs moc, rcc and uic for the Windows build.
cmake -S "$KOVRA_ROOT" -B "$build" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$KOVRA_ROOT/cmake/mingw-w64.cmake" -DCMAKE_PREFIX_PATH="$qt" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 \
  -DKOVRA_BUILD_TESTS="${KOVRA_BUILD_TESTS:-ON}" >/dev/null
cmake --build "$build" --parallel "$(nproc)"
