#!/usr/bin/env bash
# Two copies of Kovra in two network namespaces joined by a veth pair whose
# receiving ends drop 5% of the datagrams to port 571 (an nftables rule).
# One draws 40 strokes and writes 20 messages; when both have closed, their
# boards must be the same file and every message must be in the other's
# history once. Skipped (77) where namespaces or nftables are not allowed.
#   lossy_veth.sh PEER_PROGRAM
set -uo pipefail
peer="$1"
skip() { echo "skipped: $*"; exit 77; }
[ "$(id -u)" -eq 0 ] || skip "needs root for network namespaces"
command -v ip >/dev/null && command -v nft >/dev/null || skip "needs ip and nft"

tag="kv$$"
a="${tag}a"
b="${tag}b"
work="$(mktemp -d)"
cleanup() {
  ip netns del "$a" 2>/dev/null
  ip netns del "$b" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
ip netns add "$a" 2>/dev/null || skip "network namespaces are not allowed here"
ip netns add "$b" || exit 1
ip link add "${tag}x" type veth peer name "${tag}y" || skip "veth is not allowed here"
set -e
ip link set "${tag}x" netns "$a"
ip link set "${tag}y" netns "$b"
ip -n "$a" addr add 10.57.71.1/24 dev "${tag}x"
ip -n "$b" addr add 10.57.71.2/24 dev "${tag}y"
for ns in "$a" "$b"; do
  ip -n "$ns" link set lo up
  ip -n "$ns" link set "${tag}x" up 2>/dev/null || ip -n "$ns" link set "${tag}y" up
  ip netns exec "$ns" nft -f - <<'RULES' || skip "nftables rules are not allowed here"
table inet kovra_loss {
  chain input {
    type filter hook input priority 0; policy accept;
    udp dport 571 numgen random mod 100 < 5 counter drop
  }
}
RULES
done
set +e

mkdir "$work/a" "$work/b"
# The watcher stays until the drawer, done and settled for 4 s, has closed.
ip netns exec "$b" "$peer" "$work/b" 10.57.71.2 10.57.71.1 watch "$work/done" &
watcher=$!
ip netns exec "$a" "$peer" "$work/a" 10.57.71.1 10.57.71.2 draw 4
drew=$?
touch "$work/done"
wait "$watcher"
watched=$?
[ "$drew" -eq 0 ] && [ "$watched" -eq 0 ] || { echo "a copy failed: $drew $watched"; exit 1; }

dropped=0
for ns in "$a" "$b"; do
  n=$(ip netns exec "$ns" nft list table inet kovra_loss | sed -n 's/.*counter packets \([0-9]*\).*/\1/p')
  dropped=$((dropped + ${n:-0}))
done
echo "datagrams dropped on the veth: $dropped"
[ "$dropped" -gt 0 ] || { echo "nothing was dropped: the rule did not work"; exit 1; }

status=0
if ! cmp -s "$work/a/~kv.bmp" "$work/b/~kv.bmp"; then
  echo "the two boards differ"
  status=1
fi
for i in $(seq 0 19); do
  count=$(grep -c "NSA> note $i"$'\r'"\?$" "$work/b/~Messages.txt")
  if [ "$count" -ne 1 ]; then
    echo "message \"note $i\" arrived $count times"
    status=1
  fi
done
[ "$status" -eq 0 ] && echo "boards equal, every message once"
exit "$status"
