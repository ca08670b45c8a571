#!/usr/bin/env bash
# Whole jobs from input GIF to output files: Kestrin's batch commands (rotate, colour, mesh as
# frame files and --animated, a comment on 4000 x 3000) against one Pillow process doing the same
# job with the palette pictures, run alternately, medians of PAIRS pairs, with the median ratio
# (Pillow / Kestrin: above 1 means Kestrin is faster), the larger peak resident memory of the
# runs and the output bytes. Run it on an otherwise idle machine.
#
#   bench/jobs_vs_pillow.sh [BUILD_DIR] [PAIRS] [SIZES...]   (default: build/ 5, every size)
#   sizes: 100x100 320x240 640x640 1280x1280 2560x2560 4000x3000 (the comment job)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
pairs=${2:-5}
shift $(($# > 2 ? 2 : $#))
sizes=("$@")
[[ ${#sizes[@]} -gt 0 ]] || sizes=(100x100 320x240 640x640 1280x1280 2560x2560 4000x3000)

source "$root/bench/common.sh"
need_pillow

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build_bench "$build" rotation_series_bench
build_bench "$build" kestrin
inputs=()
for size in "${sizes[@]}"; do
  "$build/bin/rotation_series_bench" --write-drawing "${size%x*}" "${size#*x}" "$work/$size.gif"
  inputs+=("$size" "$work/$size.gif")
done
echo "input: drawings of 100 colours; Kestrin: $build/bin/kestrin; peer: Pillow" \
  "$(/usr/bin/python3 -c 'import PIL; print(PIL.__version__)')"
/usr/bin/python3 "$root/bench/jobs_vs_pillow.py" drive "$pairs" "$build/bin/kestrin" "$work" \
  "${inputs[@]}"
