#!/usr/bin/env bash
# The rotation editor's 36-frame series (x3 stretch, turn by 0, 10, ..., 350 degrees, x1/3,
# returned through a GIF) against ImageMagick doing the same to the same 320 x 240 picture:
#   convert in.gif -filter point -resize 300% -rotate A -filter point -resize 33.333% \
#           +dither -colors 256 out.gif
#
#   bench/rotation_series_vs_imagemagick.sh [BUILD_DIR]     (default: build/)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}

source "$root/bench/common.sh"
need_convert

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build_bench "$build" rotation_series_bench
bench=$build/bin/rotation_series_bench
"$bench" --write-input "$work/in.gif"

best=""
for run in 1 2; do
  t0=$(now)
  for ((a = 0; a < 360; a += 10)); do
    "$convert" "$work/in.gif" -filter point -resize 300% -rotate "$a" -filter point \
      -resize 33.333% +dither -colors 256 "$work/R$a.gif"
  done
  t1=$(now)
  best=$(awk -v a="$t0" -v b="$t1" -v best="$best" \
    'BEGIN { t = b - a; if (best == "" || t < best) best = t; printf "%.3f", best }')
done
ours=$("$bench" --series-seconds "$work/in.gif")

echo "series: 36 frames of a 320 x 240 picture of 100 colours"
printf 'ImageMagick (best of 2, 36 commands): %8.3f s  (%.1f frames/s)\n' "$best" \
  "$(awk -v t="$best" 'BEGIN { print 36 / t }')"
printf 'Kestrin (best of 3, one object):      %8.3f s  (%.1f frames/s)\n' "$ours" \
  "$(awk -v t="$ours" 'BEGIN { print 36 / t }')"
awk -v im="$best" -v k="$ours" 'BEGIN { printf "ratio (ImageMagick / Kestrin):        %8.1f x\n", im / k }'
