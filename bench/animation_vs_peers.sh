#!/usr/bin/env bash
# Animated export of the rotation editor's 36-frame series of a 320 x 240 picture: Kestrin's
# SaveAnimatedSeries against gifsicle and ImageMagick combining the same R*.gif files, time and
# file size, in one run:
#   gifsicle -O2 --delay 10 --loopcount=forever R*.gif
#   convert -delay 10 -loop 0 R*.gif -layers optimize
# The frames are given to the peers in angle order (R0, R10, ..., R350). That ImageMagick command
# keeps the first frame's 320 x 240 canvas and cuts the larger turned frames to it, so it is also
# run with every frame centred on the full screen first (-gravity center -extent), the same
# content that Kestrin and gifsicle write.
#
#   bench/animation_vs_peers.sh [BUILD_DIR]     (default: build/)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}

source "$root/bench/common.sh"
need_convert
need_tool /usr/bin/gifsicle gifsicle

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build_bench "$build" rotation_editor_bench
bench=$build/bin/rotation_editor_bench
"$bench" --write-input "$work/in.gif"
mkdir "$work/frames"
read -r ours ours_bytes < <("$bench" --animate "$work/in.gif" "$work/frames" "$work/ours.gif")
mapfile -t frames < <(ls "$work"/frames/R*.gif | sort -V)

best_of() {  # best_of N command...: the best wall time of N runs, in seconds
  local n=$1 best=1e9 t0 t1
  shift
  for ((i = 0; i < n; i++)); do
    t0=$(now)
    "$@" >/dev/null
    t1=$(now)
    best=$(awk -v a="$best" -v b="$(awk -v x="$t0" -v y="$t1" 'BEGIN { print y - x }')" \
      'BEGIN { print (b < a) ? b : a }')
  done
  echo "$best"
}
gs=$(best_of 5 /usr/bin/gifsicle -O2 --delay 10 --loopcount=forever "${frames[@]}" -o "$work/gifsicle.gif")
im=$(best_of 3 "$convert" -delay 10 -loop 0 "${frames[@]}" -layers optimize "$work/im.gif")
screen=$(/usr/bin/gifsicle --info "$work/ours.gif" | sed -n 's/.*logical screen \([0-9]*x[0-9]*\).*/\1/p')
imf=$(best_of 3 "$convert" -delay 10 -loop 0 "${frames[@]}" -gravity center -background none \
  -extent "$screen" -layers optimize "$work/im_full.gif")
gs_bytes=$(stat -c %s "$work/gifsicle.gif")
im_bytes=$(stat -c %s "$work/im.gif")
imf_bytes=$(stat -c %s "$work/im_full.gif")

echo "animated export: 36 frames of a 320 x 240 picture turned by 0, 10, ..., 350 degrees"
printf '%-42s %9s %9s\n' tool seconds bytes
printf '%-42s %9.4f %9d\n' "Kestrin SaveAnimatedSeries" "$ours" "$ours_bytes"
printf '%-42s %9.4f %9d\n' "gifsicle -O2" "$gs" "$gs_bytes"
printf '%-42s %9.4f %9d\n' "convert -layers optimize" "$im" "$im_bytes"
printf '%-42s %9.4f %9d\n' "convert -extent $screen -layers optimize" "$imf" "$imf_bytes"
awk -v k="$ours" -v g="$gs" -v i="$im" -v kb="$ours_bytes" -v ib="$im_bytes" -v gb="$gs_bytes" \
  -v fb="$imf_bytes" 'BEGIN {
  printf "time gifsicle / Kestrin: %.2f x   time ImageMagick / Kestrin: %.2f x\n", g / k, i / k
  printf "size Kestrin / gifsicle: %.3f   Kestrin / ImageMagick same content: %.3f\n", kb / gb, kb / fb
  printf "size Kestrin / ImageMagick as given (frames cut to 320 x 240): %.3f\n", kb / ib }'
