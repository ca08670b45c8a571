#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs the build into a temporary prefix, takes write permission away from the whole tree and
# runs what it holds as an ordinary user would: the batch commands and the windows' workflow
# (headless). Nothing may need to write beside the program or its libraries, and nothing may be
# left in the user's temporary folder.
# Usage: scripts/check-install-readonly.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)

# Who runs it: as root, the unprivileged "nobody"; otherwise the caller, who owns nothing under
# the prefix once its write permission is gone.
as_user=()
if [ "$(id -u)" -eq 0 ]; then
  if id nobody >/dev/null 2>&1 && command -v runuser >/dev/null 2>&1; then
    as_user=(runuser -u nobody --)
  elif command -v setpriv >/dev/null 2>&1; then
    as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups --)
  else
    echo "check-install-readonly: skipped: running as root without runuser or setpriv"
    exit 0
  fi
fi

scratch=$(mktemp -d)
cleanup() {
  chmod -R u+w "$scratch" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
chmod 755 "$scratch"
prefix=$scratch/prefix
work=$scratch/work
cmake --install "$build" --prefix "$prefix" >/dev/null
cp "$build/bin/kestrin_installed_workflow" "$prefix/bin/"
chmod -R a+rX,a-w "$prefix"

mkdir -p "$work/home" "$work/tmp" "$work/run" "$work/frames" "$work/colour" "$work/mesh" "$work/windows"
TMPDIR=$work "$build/bin/kestrin_gif_demo" >/dev/null
in=$work/kestrin-demo.gif
chmod 700 "$work/run"
if [ "$(id -u)" -eq 0 ]; then chown -R 65534:65534 "$work"; fi
touch "$scratch/before"

run() {
  "${as_user[@]}" env -i PATH=/usr/bin:/bin LANG=C.UTF-8 HOME="$work/home" TMPDIR="$work/tmp" \
    XDG_RUNTIME_DIR="$work/run" "$@"
}
fail() {
  echo "check-install-readonly: $*" >&2
  exit 1
}

run "$prefix/bin/kestrin" rotate --input "$in" --angle 90 --increment 30 --direction right \
  --out "$work/frames" --animated "$work/rotate.gif" || fail "rotate failed"
[ "$(cd "$work/frames" && ls | tr '\n' ' ')" = "R0.gif R30.gif R60.gif " ] ||
  fail "rotate wrote: $(ls "$work/frames")"
run "$prefix/bin/kestrin" colour --input "$in" --red 40 --mode stepwise --increment 20 \
  --out "$work/colour" || fail "colour failed"
run "$prefix/bin/kestrin" mesh --input "$in" --size 3 --order fine-to-coarse --out "$work/mesh" ||
  fail "mesh failed"
run "$prefix/bin/kestrin" comment --input "$in" --output "$work/comment.gif" --text 'Kestrin' \
  --placement below --vertical center --horizontal center --line-align center \
  --background transparent --font IPAGothic --size 14 --colour-target line --red 255 ||
  fail "comment failed"
[ -s "$work/rotate.gif" ] && [ -s "$work/comment.gif" ] && [ -s "$work/colour/Color0.gif" ] &&
  [ -s "$work/mesh/Mesh0.gif" ] || fail "a batch command wrote nothing"

run "$prefix/bin/kestrin_installed_workflow" "$in" "$work/windows" >/dev/null 2>"$work/err" ||
  fail "the windows' workflow failed: $(grep -v propagateSizeHints "$work/err")"
[ -f "$work/home/.cache/kestrin/一時ファイル/itiji.bmp" ] ||
  fail "the transparency editor's capture is not in the user's cache folder"

leftovers=$(ls -A "$work/tmp")
[ -z "$leftovers" ] || fail "left in the temporary folder: $leftovers"
changed=$(find "$prefix" -newer "$scratch/before" -print)
[ -z "$changed" ] || fail "written under the prefix: $changed"
echo "check-install-readonly: the installed tree works read-only for $( [ "$(id -u)" -eq 0 ] && echo nobody || id -un)"
