#!/usr/bin/env bash
# Makes the zip to hand over to Windows users: kovra.exe (one file, built
# for 64-bit Windows) and a short Russian text on starting it and on the
# firewall's question. Prints the zip's path.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../setup.sh"

kovra_install_missing zip
KOVRA_BUILD_TESTS="${KOVRA_BUILD_TESTS:-OFF}" "$KOVRA_ROOT/tools/windows/build.sh" >&2
build="${KOVRA_WINDOWS_BUILD:-$KOVRA_ROOT/build-windows}"
version="$(sed -n 's/^project(Kovra VERSION \([0-9.]*\).*/\1/p' "$KOVRA_ROOT/CMakeLists.txt")"
zip="$build/Kovra-$version-windows.zip"
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
mkdir "$stage/Kovra"
cp "$build/kovra.exe" "$KOVRA_ROOT/desktop/windows/README.txt" "$stage/Kovra/"
rm -f "$zip"
(cd "$stage" && zip -q -9 -X -r "$zip" Kovra)
echo "$zip"
