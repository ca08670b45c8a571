#!/usr/bin/env bash
# The transparency editor's keyed drawing of a 1920 x 1080 piece onto a 1920 x 1080 target,
# against Pillow in one process doing the same job: a mask of every pixel that is not exactly
# the key colour, then paste through that mask.
#
#   bench/transparency_vs_pillow.sh [BUILD_DIR]     (default: build/)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}

source "$root/bench/common.sh"
need_pillow

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build_bench "$build" transparency_editor_bench
bench=$build/bin/transparency_editor_bench
"$bench" --write-input "$work/piece.bmp" "$work/target.bmp"

ours=$("$bench" --seconds "$work/piece.bmp" "$work/target.bmp")
pil=$(/usr/bin/python3 - "$work/piece.bmp" "$work/target.bmp" <<'PY'
import sys, time
from PIL import Image, ImageChops
piece = Image.open(sys.argv[1]).convert("RGB")
target = Image.open(sys.argv[2]).convert("RGB")
key = Image.new("RGB", piece.size, (0, 255, 0))
best = 1e9
for _ in range(5):
    t = target.copy()
    t0 = time.perf_counter()
    r, g, b = ImageChops.difference(piece, key).split()
    on = lambda v: 255 if v else 0
    mask = ImageChops.lighter(ImageChops.lighter(r.point(on), g.point(on)), b.point(on))
    t.paste(piece, (0, 0), mask)
    best = min(best, time.perf_counter() - t0)
print("%.5f" % best)
PY
)
mpx() { awk -v t="$1" 'BEGIN { printf "%.0f", 1920 * 1080 / 1e6 / t }'; }
echo "keyed drawing, 1920 x 1080, about a third of the piece in the key colour (best of 5)"
printf 'Pillow  (mask + paste): %8.4f s (%s Mpixel/s)\n' "$pil" "$(mpx "$pil")"
printf 'Kestrin (PE::DrawP):    %8.4f s (%s Mpixel/s)\n' "$ours" "$(mpx "$ours")"
awk -v p="$pil" -v k="$ours" 'BEGIN { printf "ratio Pillow / Kestrin: %.2f x\n", p / k }'
