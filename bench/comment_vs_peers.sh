#!/usr/bin/env bash
# The comment editor's composition (10 lines at 24 points, 5-pixel outline, 640 x 480 base,
# result as a GIF picture) against ImageMagick and Pillow doing the same to the same base:
#   convert base.gif -font ipagp.ttf -density 96 -pointsize 24 -stroke C -strokewidth 10
#           -annotate ... -stroke none -annotate ... out.gif             (one command per comment)
#   Pillow: ImageDraw.multiline_text(..., stroke_width=5), saved as GIF  (one Python process)
#
#   bench/comment_vs_peers.sh [BUILD_DIR]     (default: build/)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}

source "$root/bench/common.sh"
need_convert
need_pillow

font=/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build_bench "$build" comment_bench
bench=$build/bin/comment_bench
"$bench" --write-input "$work/base.gif" "$work/comment.txt"
text=$(cat "$work/comment.txt")

runs=10
t0=$(now)
for ((i = 0; i < runs; i++)); do
  "$convert" "$work/base.gif" -font "$font" -density 96 -pointsize 24 -gravity center \
    -fill '#0000A0' -stroke '#FAC800' -strokewidth 10 -annotate +0+0 "$text" \
    -stroke none -annotate +0+0 "$text" "$work/im$i.gif"
done
t1=$(now)
im=$(awk -v a="$t0" -v b="$t1" -v n="$runs" 'BEGIN { printf "%.5f", (b - a) / n }')

pil=$(/usr/bin/python3 - "$work/base.gif" "$work/comment.txt" "$font" <<'PY'
import io, sys, time
from PIL import Image, ImageDraw, ImageFont
base = Image.open(sys.argv[1]).convert("RGB")
text = open(sys.argv[2], encoding="utf-8").read()
font = ImageFont.truetype(sys.argv[3], 32)
best = 1e9
for _ in range(20):
    t0 = time.perf_counter()
    img = base.copy()
    d = ImageDraw.Draw(img)
    d.multiline_text((320, 240), text, font=font, fill=(0xA0, 0, 0), anchor="mm",
                     align="center", stroke_width=5, stroke_fill=(0xFA, 0xC8, 0))
    buf = io.BytesIO()
    img.save(buf, "GIF")
    best = min(best, time.perf_counter() - t0)
print("%.5f" % best)
PY
)
ours=$("$bench" --seconds "$work/base.gif")

mpx() { awk -v t="$1" 'BEGIN { printf "%.1f", 640 * 480 / t / 1e6 }'; }
echo "comment: 10 lines, 24 pt, 5-pixel outline on a 640 x 480 base, returned as a GIF picture"
printf 'ImageMagick (mean of %d commands): %8.2f ms  (%s Mpixel/s)\n' "$runs" \
  "$(awk -v t="$im" 'BEGIN { print t * 1000 }')" "$(mpx "$im")"
printf 'Pillow (best of 20, one process):  %8.2f ms  (%s Mpixel/s)\n' \
  "$(awk -v t="$pil" 'BEGIN { print t * 1000 }')" "$(mpx "$pil")"
printf 'Kestrin (best of 20, one object):  %8.2f ms  (%s Mpixel/s)\n' \
  "$(awk -v t="$ours" 'BEGIN { print t * 1000 }')" "$(mpx "$ours")"
awk -v im="$im" -v p="$pil" -v k="$ours" \
  'BEGIN { printf "ratio ImageMagick / Kestrin: %.1f x   Pillow / Kestrin: %.2f x\n", im / k, p / k }'
