#!/bin/sh
# The real program's batch commands with no display at all: frame files and a comment written,
# quietly; a refused run says so in one line and leaves nothing.
# Usage: batch_headless.sh KESTRIN GIF_DEMO
set -eu
kestrin=$1
demo=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM

TMPDIR=$work "$demo" >/dev/null
in=$work/kestrin-demo.gif
mkdir "$work/out"

"$kestrin" mesh --input "$in" --size 3 --order fine-to-coarse --out "$work/out" 2>"$work/err"
"$kestrin" comment --input "$in" --output "$work/out/comment.gif" --text 'Kestrin
コメント' --placement below --vertical center --horizontal center --line-align center \
  --background transparent --font 'ＭＳ Ｐゴシック' --size 12 --colour-target line --red 255 \
  2>>"$work/err"
test ! -s "$work/err" || { cat "$work/err"; exit 1; }
test "$(LC_ALL=C ls -A "$work/out" | tr '\n' ' ')" = "Mesh0.gif Mesh1.gif Mesh2.gif comment.gif " || {
  ls -A "$work/out"; exit 1; }

# Frames and one animated file from the same run.
mkdir "$work/both"
"$kestrin" rotate --input "$in" --angle 90 --increment 30 --direction right \
  --out "$work/both" --animated "$work/both/a.gif" --delay 5 2>"$work/err"
test ! -s "$work/err" || { cat "$work/err"; exit 1; }
test "$(LC_ALL=C ls -A "$work/both" | tr '\n' ' ')" = "R0.gif R30.gif R60.gif a.gif " || {
  ls -A "$work/both"; exit 1; }

# Picture commands never start the toolkit's platform: one that cannot be loaded stops none.
mkdir "$work/colour"
QT_QPA_PLATFORM=no-such-platform "$kestrin" colour --input "$in" --red 60 --mode stepwise \
  --increment 30 --out "$work/colour" --animated "$work/colour/a.gif" 2>"$work/err"
test ! -s "$work/err" || { cat "$work/err"; exit 1; }
test -s "$work/colour/Color0.gif" && test -s "$work/colour/a.gif" || { ls -A "$work/colour"; exit 1; }

# An animated file that cannot be put in place (a folder holds its name): the frames of that
# run go again.
mkdir -p "$work/refused/a.gif"
if "$kestrin" rotate --input "$in" --angle 90 --increment 30 --direction right \
    --out "$work/refused" --animated "$work/refused/a.gif" 2>"$work/err"; then
  echo "a refused run exited 0"; exit 1
fi
test "$(wc -l <"$work/err")" -eq 1 || { cat "$work/err"; exit 1; }
grep -q '^kestrin rotate: ' "$work/err"
test "$(ls -A "$work/refused")" = "a.gif" || { ls -A "$work/refused"; exit 1; }
echo "batch commands ran headless"
