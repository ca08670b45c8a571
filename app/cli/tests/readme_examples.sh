#!/bin/bash
# The README's batch examples, taken from the README itself and run exactly as written (the
# program's name standing for the binary under test) in an empty folder holding in.gif: each
# must succeed and leave what it names.
# Usage: readme_examples.sh README KESTRIN GIF_DEMO
set -eu
readme=$1
kestrin=$2
demo=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
unset DISPLAY WAYLAND_DISPLAY
export QT_QPA_PLATFORM=offscreen

TMPDIR=$work "$demo" >/dev/null
mv "$work/kestrin-demo.gif" "$work/in.gif"

# The first sh block whose lines start with "kestrin ", continuation lines joined.
awk '/^```sh$/ { inblock = 1; next } /^```$/ { if (found) exit; inblock = 0; next }
     inblock && /^kestrin / { found = 1 } inblock && found { print }' "$readme" |
  sed -e ':a' -e '/\\$/N; s/\\\n//; ta' >"$work/examples"
count=$(grep -c '^kestrin ' "$work/examples" || true)
if [ "$count" -lt 4 ]; then
  echo "found $count examples in $readme" >&2
  exit 1
fi
cd "$work"
while IFS= read -r line; do
  echo "+ $line"
  # The line as a shell reads it, with the program under test for "kestrin".
  eval "\"$kestrin\" ${line#kestrin }"
done <"$work/examples"
for made in frames/R0.gif frames/Color0.gif mesh.gif out.gif; do
  test -s "$made" || { echo "missing: $made" >&2; exit 1; }
done
