#!/usr/bin/env bash
# Installs the build in build_dir into a temporary folder, as a user would
# with `cmake --install`, and checks that the folder runs: its desktop entry
# is valid and points at the program, and the program started from it keeps
# its state there and saves it when the session ends it with SIGTERM.
set -euo pipefail
build_dir="${1:?usage: check_install.sh BUILD_DIR}"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
prefix="$scratch/Kovra"

XDG_DATA_HOME="$scratch/data" cmake --install "$build_dir" --prefix "$prefix" >/dev/null
entry="$scratch/data/applications/kovra.desktop"
cmp "$entry" "$prefix/share/applications/kovra.desktop"
grep -qx "Exec=$prefix/kovra" "$entry"
[ -f "$prefix/share/icons/hicolor/scalable/apps/kovra.svg" ]
if command -v desktop-file-validate >/dev/null; then desktop-file-validate "$entry"; fi

# One correspondent on loopback, so that the start asks nobody on the LAN.
printf '127.0.0.77=No\r\n' >"$prefix/~ListUser.txt"
status=0
QT_QPA_PLATFORM=offscreen timeout --preserve-status -s TERM -k 10 3 "$prefix/kovra" 2>/dev/null || status=$?
if [ "$status" -ne 0 ] || [ ! -f "$prefix/~kv.bmp" ]; then
  echo "The installed Kovra did not end cleanly on SIGTERM (status $status) or saved no board" >&2
  exit 1
fi
echo "Installed folder runs: $(ls "$prefix" | tr '\n' ' ')"
