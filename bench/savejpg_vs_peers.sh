#!/usr/bin/env bash
# SavetoJPEG against libjpeg-turbo's cjpeg and ImageMagick on one 4000 x 3000 24-bit bitmap, in
# the same run: best of several wall-clock times, file sizes and the ratios. cjpeg and convert
# run as programs, so the writer is timed the same way: savejpg_bench's single call per rate,
# process start included, through a tiny driver below.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build}
runs=${RUNS:-5}
source "$root/bench/common.sh"

need_convert
need_tool /usr/bin/cjpeg libjpeg-turbo-progs
build_bench "$build" savejpg_bench

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bin/savejpg_bench" --make-input="$work/in.bmp"

calc() { awk "BEGIN { print ($1) }"; }

# best_of CMD...: the shortest wall-clock time of $runs runs, in seconds.
best_of() {
  local best="" t0 t1 t
  for ((i = 0; i < runs; i++)); do
    t0=$(now)
    "$@" >/dev/null
    t1=$(now)
    t=$(calc "$t1 - $t0")
    if [[ -z $best ]] || [[ $(calc "$t < $best") == 1 ]]; then best=$t; fi
  done
  echo "$best"
}

ours=$(best_of "$build/bin/savejpg_bench" --save="$work/in.bmp" --out="$work/ours.jpg" --rate=80)
cj=$(best_of /usr/bin/cjpeg -quality 80 -outfile "$work/cjpeg.jpg" "$work/in.bmp")
im=$(best_of "$convert" "$work/in.bmp" -quality 80 "$work/im.jpg")
size() { stat -c %s "$1"; }

printf '%-22s %9s %11s %9s\n' tool seconds bytes Mpixel/s
for row in "SavetoJPEG:$ours:ours.jpg" "cjpeg -quality 80:$cj:cjpeg.jpg" \
  "convert -quality 80:$im:im.jpg"; do
  IFS=: read -r name t file <<<"$row"
  printf '%-22s %9.3f %11d %9.1f\n' "$name" "$t" "$(size "$work/$file")" "$(calc "12 / $t")"
done
printf 'time SavetoJPEG / cjpeg:   %.2f (target <= 1.2)\n' "$(calc "$ours / $cj")"
printf 'time convert / SavetoJPEG: %.2f (target >= 2)\n' "$(calc "$im / $ours")"
printf 'size SavetoJPEG / cjpeg:   %.3f\n' "$(calc "$(size "$work/ours.jpg") / $(size "$work/cjpeg.jpg")")"
printf 'size SavetoJPEG / convert: %.3f\n' "$(calc "$(size "$work/ours.jpg") / $(size "$work/im.jpg")")"

echo "== In-process rates (Google Benchmark) =="
"$build/bin/savejpg_bench" --benchmark_min_time=1
