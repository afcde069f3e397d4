#!/usr/bin/env bash
# Installs what is missing, builds Kovra and its tests, and runs every test
# on Qt's offscreen platform.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/tools/setup.sh"

# nftables and iproute2: the test that drops datagrams on a veth between namespaces;
# qt6-base-private-dev: the tests that queue input as the window system does.
kovra_install_missing clang libclang-rt-14-dev desktop-file-utils nftables iproute2 \
  qt6-base-private-dev
kovra_build -DKOVRA_BUILD_TESTS=ON

export QT_QPA_PLATFORM=offscreen
(cd "$KOVRA_BUILD" && ctest --output-on-failure --parallel "$(nproc)" --timeout 300)
"$KOVRA_ROOT/tools/check_install.sh" "$KOVRA_BUILD"

# The same tests under AddressSanitizer and UndefinedBehaviorSanitizer, then
# a short round of each fuzz target, from one clang build. Any finding fails
# the run; tools/fuzz.sh says how to reproduce it and how to fuzz for longer.
KOVRA_FUZZ_BUILD="${KOVRA_ROOT}/build-fuzz"
CC=clang CXX=clang++ cmake -S "$KOVRA_ROOT" -B "$KOVRA_FUZZ_BUILD" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKOVRA_FUZZ=ON -DKOVRA_BUILD_TESTS=ON
cmake --build "$KOVRA_FUZZ_BUILD" --parallel "$(nproc)" --target kovra_tests kovra_fuzzers
export ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
(cd "$KOVRA_FUZZ_BUILD" && ctest --output-on-failure --parallel "$(nproc)" --timeout 600)
ASAN_OPTIONS=detect_leaks=0 "$KOVRA_ROOT/tools/fuzz.sh" "$KOVRA_FUZZ_BUILD" 30

# The Windows programs, cross-built with MinGW-w64 and tried under Wine: the
# first run also builds Qt for Windows (about 20 minutes on 2 cores), later
# runs reuse it. KOVRA_WINDOWS=0 leaves them out.
if [ "${KOVRA_WINDOWS:-1}" != 0 ]; then
  "$KOVRA_ROOT/tools/windows/test.sh"
fi
