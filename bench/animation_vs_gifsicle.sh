#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Animated GIFs of the mesh, colour and rotation series of the 320 x 240 test picture, from the
# same frame files: Kestrin's animated export (animation_join_bench: frame files in, animated
# file out, one process) against `gifsicle -O3 --disposal background --delay 10
# --loopcount=forever` (each frame shown alone on a cleared screen, as Kestrin's animations are).
# The two run alternately RUNS times (default 5); medians, the ratio, peak memory and bytes, and
# Kestrin's writer alone (frames already in memory, best of 5). The frames come from the batch
# commands, which also give the whole job (`kestrin mesh ... --animated`) for reference.
#
#   bench/animation_vs_gifsicle.sh [BUILD_DIR]     (default: build/)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
runs=${RUNS:-5}

source "$root/bench/common.sh"
need_tool /usr/bin/gifsicle gifsicle

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
build_bench "$build" animation_join_bench
build_bench "$build" rotation_editor_bench
build_bench "$build" kestrin
join=$build/bin/animation_join_bench
kestrin=$build/bin/kestrin
export QT_QPA_PLATFORM=offscreen
"$build/bin/rotation_editor_bench" --write-input "$work/in.gif"

declare -A commands=(
  [mesh]="mesh --size 20 --order fine-to-coarse"
  [colour]="colour --red 60 --blue -40 --mode stepwise --increment 20"
  [rotate]="rotate --angle 360 --increment 10 --direction right"
)

median() { tr ' ' '\n' <<<"$1" | grep . | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
timed() {  # timed RSS_FILE command...: prints the wall seconds
  local t0 t1
  t0=$(now)
  /usr/bin/time -f %M -o "$1" "${@:2}" >/dev/null 2>&1
  t1=$(now)
  awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }'
}

printf '%-7s %6s %10s %10s %7s %9s %9s %10s %10s %10s %9s %7s\n' series frames "Kestrin s" \
  "gifsicle s" ratio "K peakMB" "g peakMB" "K bytes" "g bytes" "whole" "writer s" "load s"
for series in mesh colour rotate; do
  mkdir "$work/$series"
  # shellcheck disable=SC2086
  "$kestrin" ${commands[$series]} --input "$work/in.gif" --out "$work/$series" >/dev/null
  mapfile -t frames < <(ls "$work/$series"/*.gif | sort -V)
  ours="" theirs=""
  for ((i = 0; i < runs; i++)); do
    rm -f "$work/k.gif" "$work/g.gif"
    ours+="$(timed "$work/k.rss" "$join" "$work/k.gif" "${frames[@]}") "
    theirs+="$(timed "$work/g.rss" /usr/bin/gifsicle -O3 --disposal background --delay 10 \
      --loopcount=forever "${frames[@]}" -o "$work/g.gif") "
  done
  rm -f "$work/w.gif"
  "$join" --whole-frames "$work/w.gif" "${frames[@]}" 2>/dev/null
  read -r writer load < <("$join" --seconds "$work/s.gif" "${frames[@]}" 2>/dev/null)
  k=$(median "$ours") g=$(median "$theirs")
  printf '%-7s %6d %10.3f %10.3f %7.2f %9.1f %9.1f %10d %10d %10d %9.4f %7.4f\n' "$series" \
    "${#frames[@]}" \
    "$k" "$g" "$(awk -v a="$k" -v b="$g" 'BEGIN { print a / b }')" \
    "$(awk -v r="$(cat "$work/k.rss")" 'BEGIN { print r / 1024 }')" \
    "$(awk -v r="$(cat "$work/g.rss")" 'BEGIN { print r / 1024 }')" \
    "$(stat -c %s "$work/k.gif")" "$(stat -c %s "$work/g.gif")" "$(stat -c %s "$work/w.gif")" \
    "$writer" "$load"
done
echo "ratio: Kestrin's time / gifsicle's; whole: Kestrin's bytes with every frame whole (--whole-frames);"
echo "writer: Kestrin's animated save of frames in memory (best of 5); load: reading the frame files"
echo "rotate: gifsicle puts every frame at the top left, Kestrin centres them; the pictures differ"
