#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Bytes of the frame files of a series: Kestrin's (LZW, the default; and --no-compress, the
# library's literal codes) against the same frames written by Pillow (`Image.save`, one process
# for all frames) and by gifsicle (`-O3`, each frame file recompressed). The series are the
# rotation (36 frames), colour and mesh series of the 320 x 240 test picture, and the rotation
# series of the same picture scaled to 1280 x 1280 (nearest neighbour, same palette).
#
#   bench/frame_bytes_vs_peers.sh [BUILD_DIR]     (default: build/)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}

source "$root/bench/common.sh"
need_pillow
need_tool /usr/bin/gifsicle gifsicle

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build_bench "$build" rotation_editor_bench
build_bench "$build" kestrin
kestrin=$build/bin/kestrin
export QT_QPA_PLATFORM=offscreen
"$build/bin/rotation_editor_bench" --write-input "$work/in.gif"
/usr/bin/python3 -c "
from PIL import Image
Image.open('$work/in.gif').resize((1280, 1280), Image.NEAREST).save('$work/big.gif')"

total() { cat "$@" | wc -c; }

printf '%-16s %7s %12s %12s %12s %12s %9s %9s\n' series frames "Kestrin LZW" "literal" Pillow \
  "gifsicle -O3" "K/Pillow" "K/gifs."
run() {  # run NAME INPUT COMMAND...
  local name=$1 input=$2
  shift 2
  mkdir -p "$work/$name/lzw" "$work/$name/literal" "$work/$name/pillow" "$work/$name/gifsicle"
  "$kestrin" "$@" --input "$input" --out "$work/$name/lzw" >/dev/null
  "$kestrin" "$@" --input "$input" --out "$work/$name/literal" --no-compress >/dev/null
  mapfile -t frames < <(ls "$work/$name/lzw"/*.gif | sort -V)
  /usr/bin/python3 - "$work/$name/pillow" "${frames[@]}" <<'EOF'
import os, sys
from PIL import Image
out = sys.argv[1]
for f in sys.argv[2:]:
    Image.open(f).save(os.path.join(out, os.path.basename(f)))
EOF
  for f in "${frames[@]}"; do /usr/bin/gifsicle -O3 "$f" -o "$work/$name/gifsicle/$(basename "$f")"; done
  local k l p g
  k=$(total "$work/$name/lzw"/*.gif) l=$(total "$work/$name/literal"/*.gif)
  p=$(total "$work/$name/pillow"/*.gif) g=$(total "$work/$name/gifsicle"/*.gif)
  printf '%-16s %7d %12d %12d %12d %12d %9.3f %9.3f\n' "$name" "${#frames[@]}" "$k" "$l" "$p" "$g" \
    "$(awk -v a="$k" -v b="$p" 'BEGIN { print a / b }')" "$(awk -v a="$k" -v b="$g" 'BEGIN { print a / b }')"
}
run rotate-320x240 "$work/in.gif" rotate --angle 360 --increment 10 --direction right
run colour-320x240 "$work/in.gif" colour --red 60 --blue -40 --mode stepwise --increment 20
run mesh-320x240 "$work/in.gif" mesh --size 20 --order fine-to-coarse
run rotate-1280x1280 "$work/big.gif" rotate --angle 360 --increment 10 --direction right
