#!/usr/bin/env bash
# Installs the build in build_dir into a temporary folder whose path holds a
# space, as a user would with `cmake --install`, and checks that the folder
# runs: its desktop entry is valid and points at the program, and the
# program started from it keeps its state there and, when the session ends
# it with SIGTERM, saves it and ends within a second, even with a listed
# name that resolves nowhere.
set -euo pipefail
build_dir="${1:?usage: check_install.sh BUILD_DIR}"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
prefix="$scratch/my apps/Kovra"

XDG_DATA_HOME="$scratch/data" cmake --install "$build_dir" --prefix "$prefix" >/dev/null
entry="$scratch/data/applications/kovra.desktop"
cmp "$entry" "$prefix/share/applications/kovra.desktop"
grep -qxF "Exec=\"$prefix/kovra\"" "$entry"
[ -f "$prefix/share/icons/hicolor/scalable/apps/kovra.svg" ]
desktop-file-validate "$entry"

# One correspondent, whose name no name service knows: the start asks
# nobody on the LAN, and the goodbye to it cannot be delivered.
printf 'KOVRA-NOWHERE.invalid=No\r\n' >"$prefix/~ListUser.txt"
status=0
QT_QPA_PLATFORM=offscreen timeout --preserve-status -s TERM -k 1 3 "$prefix/kovra" 2>/dev/null || status=$?
if [ "$status" -ne 0 ] || [ ! -f "$prefix/~kv.bmp" ] ||
   [ "$(cat "$prefix/~ListUser.txt")" != $'KOVRA-NOWHERE.invalid=No\r' ]; then
  echo "The installed Kovra did not end within 1 s of SIGTERM (status $status) or saved no board or list" >&2
  exit 1
fi
echo "Installed folder runs: $(ls "$prefix" | tr '\n' ' ')"
