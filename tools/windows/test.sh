#!/usr/bin/env bash
# Builds the Windows programs and tries them under Wine:
#  1. the test program, on Qt's offscreen platform;
#  2. a Windows copy and a Linux copy on loopback, each drawing and writing
#     to the other in turn: the boards must be the same file, and every
#     message must arrive once;
#  3. kovra.exe itself on a virtual display (Xvfb): its window, its state
#     beside it, a Linux copy in a network namespace that draws and writes to
#     it, and the end of the Windows session, which closes it.
# The Linux copy is build/tests/kovra_netns_peer: test.sh builds it first.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../setup.sh"

kovra_install_missing wine64 xvfb x11-utils fonts-dejavu-core
"$KOVRA_ROOT/tools/windows/build.sh"
build="${KOVRA_WINDOWS_BUILD:-$KOVRA_ROOT/build-windows}"
linux_peer="$KOVRA_BUILD/tests/kovra_netns_peer"

source "$KOVRA_ROOT/tools/windows/wine_env.sh"
work="$(mktemp -d)"
children=()
cleanup() {
  for pid in "${children[@]}"; do kill "$pid" 2>/dev/null || true; done
  "$wineserver" -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
start_wine_server
start_virtual_display
children+=($virtual_display)

# 1. The test program.
"$KOVRA_ROOT/tools/windows/run_tests.sh" "$build/kovra_tests.exe" "$build/windows-tests"

# 2. A Windows copy and a Linux copy on loopback.
peer() {  # linux|windows FOLDER OWN PEER ROLE SETTLE
  local system="$1" folder="$2"
  shift 2
  if [ "$system" = windows ]; then
    local settle="$4"
    [ "$3" = watch ] && settle="$(windows_path "$settle")"
    "$wine" "$build/kovra_netns_peer.exe" "$(windows_path "$folder")" "$1" "$2" "$3" "$settle"
  else
    "$linux_peer" "$folder" "$@"
  fi
}
boards_and_messages_agree() {  # DRAWER_FOLDER WATCHER_FOLDER: after both closed
  local status=0
  cmp -s "$1/~kv.bmp" "$2/~kv.bmp" || { echo "the two boards differ"; status=1; }
  for i in $(seq 0 19); do
    local count
    count=$(grep -c "NSA> note $i"$'\r'"\?$" "$2/~Messages.txt" || true)
    [ "$count" -eq 1 ] || { echo "message \"note $i\" arrived $count times"; status=1; }
  done
  return "$status"
}
meet() {  # DRAWER WATCHER, each linux or windows
  local at="$work/$1-draws"
  mkdir -p "$at/draw" "$at/watch"
  peer "$2" "$at/watch" 127.0.0.3 127.0.0.2 watch "$at/done" &
  local watcher=$!
  children+=("$watcher")
  set +e
  peer "$1" "$at/draw" 127.0.0.2 127.0.0.3 draw 3
  local drew=$?
  touch "$at/done"
  wait "$watcher"
  local watched=$?
  set -e
  [ "$drew" -eq 0 ] && [ "$watched" -eq 0 ] || { echo "a copy failed: $drew $watched"; return 1; }
  boards_and_messages_agree "$at/draw" "$at/watch" || return 1
  echo "$1 drew and wrote, $2 watched: boards equal, every message once"
}
meet windows linux
meet linux windows

# 3. kovra.exe in a window.
"$KOVRA_ROOT/tools/windows/try_exe.sh" "$build/kovra.exe" "$linux_peer"
