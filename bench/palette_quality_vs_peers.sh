#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Photographs reduced to 256 colours and written as GIF, whole processes from picture file to GIF
# file: Kestrin's three choices of "減色" against Pillow's quantize(256) (its default, median cut
# without dithering, and that palette applied with Floyd-Steinberg dithering) and ImageMagick's
# `convert -colors 256`. Each is run RUNS times (default 5), in turn, on the same picture; the table
# gives the median time, the peak resident memory, the file's bytes and its distance from the
# picture: the mean CIEDE2000 (lower is better) and the PSNR over R, G and B (higher is better).
#
#   bench/palette_quality_vs_peers.sh [BUILD_DIR]     (default: build/)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
runs=${RUNS:-5}

source "$root/bench/common.sh"
need_convert
need_pillow

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build_bench "$build" palette_quality_bench
bench=$build/bin/palette_quality_bench
export QT_QPA_PLATFORM=offscreen
"$bench" --write-inputs "$work" 2>/dev/null

cat >"$work/pillow.py" <<'EOF'
import sys
from PIL import Image
mode, source, target = sys.argv[1:4]
image = Image.open(source)
reduced = image.quantize(256)
if mode == "dither":
    reduced = image.quantize(palette=reduced, dither=Image.Dither.FLOYDSTEINBERG)
reduced.save(target)
EOF

tools=(kestrin-halftone kestrin-adaptive kestrin-dither pillow pillow-fs imagemagick)
command_of() {  # command_of TOOL IN OUT: the whole job as one process
  case $1 in
    kestrin-*) echo "$bench --reduce ${1#kestrin-} $2 $3" ;;
    pillow) echo "/usr/bin/python3 $work/pillow.py default $2 $3" ;;
    pillow-fs) echo "/usr/bin/python3 $work/pillow.py dither $2 $3" ;;
    imagemagick) echo "$convert $2 -colors 256 $3" ;;
  esac
}

for picture in photo nature; do
  input=$work/$picture.ppm
  size=$(/usr/bin/python3 -c "from PIL import Image; print('%d x %d' % Image.open('$input').size)")
  echo "$picture ($size)"
  declare -A times=() rss=()
  for ((i = 0; i < runs; i++)); do
    for tool in "${tools[@]}"; do
      out=$work/$picture-$tool.gif
      rm -f "$out"
      t0=$(now)
      # shellcheck disable=SC2046
      /usr/bin/time -f %M -o "$work/rss" $(command_of "$tool" "$input" "$out") 2>/dev/null
      t1=$(now)
      times[$tool]+="$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }') "
      rss[$tool]=$(cat "$work/rss")
    done
  done
  printf '  %-18s %9s %9s %11s %11s %9s\n' choice "median s" "peak MB" "GIF bytes" "CIEDE2000" "PSNR dB"
  for tool in "${tools[@]}"; do
    out=$work/$picture-$tool.gif
    median=$(tr ' ' '\n' <<<"${times[$tool]}" | grep . | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
    read -r de psnr < <("$bench" --score "$input" "$out" 2>/dev/null)
    printf '  %-18s %9.3f %9.0f %11d %11.3f %9.2f\n' "$tool" "$median" \
      "$(awk -v k="${rss[$tool]}" 'BEGIN { print k / 1024 }')" "$(stat -c %s "$out")" "$de" "$psnr"
  done
  unset times rss
done
