#!/usr/bin/env bash
# kovra.exe under Wine on a virtual display, as a Windows user meets it: its
# window comes up and its state files appear beside it; a Linux copy in a
# network namespace of its own draws and writes to it; the end of the
# Windows session closes it, and then its board is the Linux copy's, file for
# file, with every message once. Where namespaces are not allowed the
# meeting is left out and the rest still tried.
#   try_exe.sh KOVRA_EXE LINUX_PEER
set -euo pipefail
exe="$1"
linux_peer="$2"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
source "$root/tools/windows/wine_env.sh"

work="$(mktemp -d)"
tag="kvw$$"
cleanup() {
  "$wineserver" -k 2>/dev/null || true
  [ -n "$virtual_display" ] && kill "$virtual_display" 2>/dev/null
  ip netns del "$tag" 2>/dev/null || true
  ip link del "${tag}x" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "kovra.exe: $*"
  exit 1
}
mkdir "$work/windows" "$work/linux"
cp "$exe" "$work/windows/kovra.exe"

# The Linux copy's own computer: 10.57.72.1, behind a veth from 10.57.72.2.
meeting=no
if [ "$(id -u)" -eq 0 ] && ip netns add "$tag" 2>/dev/null; then
  if ip link add "${tag}x" type veth peer name "${tag}y" 2>/dev/null; then
    ip link set "${tag}y" netns "$tag"
    ip addr add 10.57.72.2/24 dev "${tag}x"
    ip link set "${tag}x" up
    ip -n "$tag" addr add 10.57.72.1/24 dev "${tag}y"
    ip -n "$tag" link set "${tag}y" up
    ip -n "$tag" link set lo up
    meeting=yes
    printf '10.57.72.1=No\r\n' >"$work/windows/~ListUser.txt"
  fi
fi

start_virtual_display
"$wine" "$work/windows/kovra.exe" &
kovra=$!
disown "$kovra"  # the end of the session may kill it: no word from the shell about that
shown=no
for _ in $(seq 120); do
  if xwininfo -root -tree 2>/dev/null | grep -q '"Kovra"'; then
    shown=yes
    break
  fi
  kill -0 "$kovra" 2>/dev/null || fail "ended before its window was shown"
  sleep 0.5
done
[ "$shown" = yes ] || fail "no window named Kovra within a minute"
echo "kovra.exe shows its window: $(xwininfo -root -tree | grep '"Kovra"' | head -1 | sed 's/^ *//')"

if [ "$meeting" = yes ]; then
  ip netns exec "$tag" "$linux_peer" "$work/linux" 10.57.72.1 10.57.72.2 draw 3 ||
    fail "the Linux copy did not meet it"
fi

# The end of the session, as at logoff: the window closes as its close box would.
"$wine" wineboot --end-session
for _ in $(seq 20); do
  kill -0 "$kovra" 2>/dev/null || break
  sleep 0.5
done
! kill -0 "$kovra" 2>/dev/null || fail "still running 10 s after the end of the session"
for file in "~kv.bmp" "~ListUser.txt" "~Window.ini"; do
  [ -s "$work/windows/$file" ] || fail "no $file beside kovra.exe after the close"
done
echo "kovra.exe closed with the session; beside it: $(cd "$work/windows" && ls | tr '\n' ' ')"

if [ "$meeting" = yes ]; then
  cmp -s "$work/linux/~kv.bmp" "$work/windows/~kv.bmp" || fail "its board differs from the Linux copy's"
  for i in $(seq 0 19); do
    count=$(grep -c "NSA> note $i"$'\r'"\?$" "$work/windows/~Messages.txt" || true)
    [ "$count" -eq 1 ] || fail "message \"note $i\" arrived $count times"
  done
  echo "kovra.exe and a Linux copy met: boards equal, every message once"
else
  echo "kovra.exe did not meet a Linux copy: network namespaces are not allowed here"
fi
