#!/usr/bin/env bash
# Makes desktop/kovra.ico, the Windows icon, from desktop/kovra.svg: one PNG a
# size, as Windows reads them since Vista. Run by hand after a change to the
# picture (needs rsvg-convert, from librsvg2-bin); the result is kept in git.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
sizes=(16 24 32 48 64 256)
for size in "${sizes[@]}"; do
  rsvg-convert -w "$size" -h "$size" "$root/desktop/kovra.svg" -o "$work/$size.png"
done
python3 - "$root/desktop/kovra.ico" "$work" "${sizes[@]}" <<'PY'
import struct, sys
out, work, sizes = sys.argv[1], sys.argv[2], [int(s) for s in sys.argv[3:]]
pngs = [open(f"{work}/{s}.png", "rb").read() for s in sizes]
data = struct.pack("<HHH", 0, 1, len(pngs))
offset = 6 + 16 * len(pngs)
for size, png in zip(sizes, pngs):
    side = 0 if size >= 256 else size  # 0 stands for 256
    data += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(png), offset)
    offset += len(png)
open(out, "wb").write(data + b"".join(pngs))
PY
