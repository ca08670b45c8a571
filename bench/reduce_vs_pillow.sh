#!/usr/bin/env bash
# Exact nearest-colour reduction of the 4000 x 3000 photograph-like picture (the JPEG
# benchmark's) to the 256-entry halftone palette: our ReduceColor against Pillow's
# quantize(palette=..., dither=Image.Dither.NONE), on the same pixels and palette. Both are timed
# in their own process around the reduction alone (file loading excluded), best of several runs.
# Then every pixel of both results is checked against the nearest entry found by brute force
# (Euclidean RGB); ours must be exactly the first of the nearest entries, and the script fails
# if it is not.
#
#   bench/reduce_vs_pillow.sh [BUILD_DIR]     (default: build/ at the repository root)
#
# REPEAT=n sets how many runs each side takes the best of (default 5).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
repeat=${REPEAT:-5}

source "$root/bench/common.sh"
need_pillow

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

build_bench "$build" reduce_photo_bench
bench=$build/bin/reduce_photo_bench
"$bench" --write-input "$work"

# ReduceColor splits a large picture between two threads; the one-core run shows what that
# split is worth, and what we do on the single core Pillow uses.
read -r ours_first ours < <("$bench" --seconds "$work" "$repeat")
read -r _ ours_one < <(taskset -c 0 "$bench" --seconds "$work" "$repeat")

read -r pil_first pil < <(/usr/bin/python3 - "$work" "$repeat" <<'PY'
import sys, time
from PIL import Image
work, repeat = sys.argv[1], int(sys.argv[2])
photo = Image.open(work + "/photo.bmp").convert("RGB")
palette = Image.new("P", (1, 1))
with open(work + "/halftone.pal", "rb") as f:
    palette.putpalette(f.read())
first, best = None, 1e9
for _ in range(repeat):
    t0 = time.perf_counter()
    reduced = photo.quantize(palette=palette, dither=Image.Dither.NONE)
    t = time.perf_counter() - t0
    first = t if first is None else first
    best = min(best, t)
with open(work + "/pillow.idx", "wb") as f:
    f.write(reduced.tobytes())
print("%.5f %.5f" % (first, best))
PY
)

read -r ours_off ours_other pil_off _ < <("$bench" --check "$work" "$work/ours.idx" "$work/pillow.idx")
pixels=12000000
mpx() { awk -v t="$1" -v n="$pixels" 'BEGIN { printf "%6.0f", n / 1e6 / t }'; }

echo "picture: 4000 x 3000 photograph-like, 256-entry halftone palette, no dithering"
printf 'Pillow quantize (best of %d):              %7.4f s  (%s Mpixel/s; first run %.4f s)\n' \
  "$repeat" "$pil" "$(mpx "$pil")" "$pil_first"
printf 'Kestrin ReduceColor (best of %d, 2 threads): %7.4f s  (%s Mpixel/s; first run %.4f s)\n' \
  "$repeat" "$ours" "$(mpx "$ours")" "$ours_first"
printf 'Kestrin ReduceColor on one core:            %7.4f s  (%s Mpixel/s)\n' \
  "$ours_one" "$(mpx "$ours_one")"
awk -v p="$pil" -v k="$ours" -v o="$ours_one" \
  'BEGIN { printf "ratio Pillow / Kestrin: %.2f x (one core: %.2f x)\n", p / k, p / o }'
pct() { awk -v d="$1" -v n="$pixels" 'BEGIN { printf "%.2f%%", 100 * d / n }'; }
echo "pixels mapped to a farther entry than the nearest (Euclidean RGB):"
printf '  Pillow:  %d (%s)\n' "$pil_off" "$(pct "$pil_off")"
printf '  Kestrin: %d (%s)\n' "$ours_off" "$(pct "$ours_off")"
echo "pixels where Kestrin did not pick the first of the nearest entries: $ours_other"
if [[ $ours_off -ne 0 || $ours_other -ne 0 ]]; then
  echo "ReduceColor is not exact" >&2
  exit 1
fi
