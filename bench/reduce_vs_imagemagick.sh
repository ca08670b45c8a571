#!/usr/bin/env bash
# Halftone reduction of a 4000 x 3000 photograph: our ReduceColor against ImageMagick's
# `convert in.ppm +dither -remap halftone.gif out.gif`, on exactly the same pixels and palette.
#
#   bench/reduce_vs_imagemagick.sh [BUILD_DIR]     (default: build/ at the repository root)
#
# REPEAT=n sets how many ImageMagick runs to take the best of (default 3).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
repeat=${REPEAT:-3}

source "$root/bench/common.sh"
need_convert

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

build_bench "$build" palette_bench
bench=$build/bin/palette_bench
"$bench" --write-inputs "$work"


best=""
for ((i = 0; i < repeat; ++i)); do
  t0=$(now)
  "$convert" "$work/photo.ppm" +dither -remap "$work/halftone.gif" "$work/im.gif"
  t1=$(now)
  best=$(awk -v a="$t0" -v b="$t1" -v best="$best" \
    'BEGIN { t = b - a; if (best == "" || t < best) best = t; printf "%.3f", best }')
done

# Our figure: the benchmark's real time per ReduceColor call, both threads included.
csv=$("$bench" --benchmark_filter='^BM_ReduceColor' --benchmark_format=csv 2>/dev/null)
read -r ours_ms ours_rate < <(awk -F, '
  /^name,/ { for (i = 1; i <= NF; ++i) { gsub(/"/, "", $i); col[$i] = i } next }
  /BM_ReduceColor/ { t = $col["real_time"]; u = $col["time_unit"]
                     if (u == "ns") t /= 1e6; else if (u == "us") t /= 1e3; else if (u == "s") t *= 1e3
                     print t, $col["Mpixel/s"] }' <<<"$csv")

echo "picture: 4000 x 3000, 256-entry halftone palette, no dithering"
printf 'ImageMagick remap (best of %d, whole command): %8.3f s\n' "$repeat" "$best"
printf 'Kestrin ReduceColor:                           %8.3f s  (%.1f Mpixel/s)\n' \
  "$(awk -v t="$ours_ms" 'BEGIN { print t / 1000 }')" "$ours_rate"
awk -v im="$best" -v t="$ours_ms" 'BEGIN { printf "ratio (ImageMagick / ReduceColor):     %8.1f x\n", im * 1000 / t }'

# Agreement: pixels where ImageMagick picked another entry (it measures distance its own way).
"$convert" "$work/photo.ppm" +dither -remap "$work/halftone.gif" "$work/im.ppm"
compare=$(dirname "$convert")/compare
[[ -x $compare ]] || compare=compare
differing=$("$compare" -metric AE "$work/ours.ppm" "$work/im.ppm" null: 2>&1 || true)
awk -v d="$differing" 'BEGIN { printf "pixels mapped differently by ImageMagick: %d (%.2f%%)\n", d, 100 * d / 12e6 }'
