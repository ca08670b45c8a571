#!/usr/bin/env bash
# Makes the Debian package from a build folder (cpack -G DEB), fails on any lintian error (the
# warnings are printed), then unpacks it into a scratch root and runs the unpacked program from
# there as an unprivileged user: it must find its libraries by its run paths, print its help,
# and write every frame file of one batch command. Exits non-zero on any failure.
# Usage: scripts/check-deb.sh BUILD_DIR
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: $0 BUILD_DIR" >&2
  exit 2
fi
build=$(cd "$1" && pwd)

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Directories the package makes get their mode from the umask of the one who packs.
if ! (cd "$build" && umask 022 && cpack -G DEB) >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log" >&2
  exit 1
fi
deb=$(sed -n 's/^CPack: - package: \(.*\.deb\) generated\.$/\1/p' "$scratch/cpack.log")
case $(basename "$deb") in
  kestrin_*_"$(dpkg --print-architecture)".deb) ;;
  *) echo "check-deb: unexpected package name: '$deb'" >&2; cat "$scratch/cpack.log" >&2; exit 1 ;;
esac
echo "== $(basename "$deb"): $(du -h "$deb" | cut -f1) =="

# The font and the Qt translations named by hand, and what dpkg-shlibdeps found.
depends=$(dpkg-deb -f "$deb" Depends)
for d in fonts-ipafont-gothic qt6-translations-l10n libqt6widgets6; do
  if [[ ", $depends," != *", $d"[\ ,]* ]]; then
    echo "check-deb: Depends lacks $d: $depends" >&2
    exit 1
  fi
done

# lintian exits non-zero on errors itself; the E: lines decide here, so that the warnings are
# shown either way and one policy holds whatever lintian's defaults.
lintian --tag-display-limit 0 "$deb" >"$scratch/lintian.log" 2>&1 || true
awk '!/^running with root privileges/' "$scratch/lintian.log"
if grep -q '^E: ' "$scratch/lintian.log"; then
  echo "check-deb: lintian reports errors" >&2
  exit 1
fi

root=$scratch/root
dpkg-deb -x "$deb" "$root"
kestrin=$root/usr/bin/kestrin

# The changelog's latest entry is the package's version.
zcat "$root/usr/share/doc/kestrin/changelog.gz" >"$scratch/changelog"
changelog_version=$(dpkg-parsechangelog -l "$scratch/changelog" -SVersion)
if [ "$changelog_version" != "$(dpkg-deb -f "$deb" Version)" ]; then
  echo "check-deb: changelog is at $changelog_version, the package at" \
    "$(dpkg-deb -f "$deb" Version)" >&2
  exit 1
fi

# Run paths ($ORIGIN/../lib, $ORIGIN) lead to the unpacked libraries, not to any installed
# copy; no loader variables help.
unset LD_LIBRARY_PATH LD_PRELOAD
ldd "$kestrin" >"$scratch/ldd.log"
if grep -q 'not found' "$scratch/ldd.log"; then
  cat "$scratch/ldd.log" >&2
  exit 1
fi
for lib in libkestrin_platform_core.so libkestrin_platform.so libsavejpg.so libpellory.so; do
  if ! grep -q "^[[:space:]]*$lib => $root/usr/" "$scratch/ldd.log"; then
    echo "check-deb: $lib is not taken from the unpacked tree:" >&2
    cat "$scratch/ldd.log" >&2
    exit 1
  fi
done

# Not as root: a packaged program runs as an ordinary user, who can write only its own files.
as_user=()
user=$(id -un)
if [ "$(id -u)" -eq 0 ]; then
  user=nobody
  if uid=$(id -u nobody 2>/dev/null) && gid=$(id -g nobody 2>/dev/null); then
    if runuser -u nobody -- true 2>/dev/null; then
      as_user=(runuser -u nobody --)
    elif setpriv --reuid="$uid" --regid="$gid" --clear-groups true 2>/dev/null; then
      as_user=(setpriv --reuid="$uid" --regid="$gid" --clear-groups)
    fi
  fi
  if [ ${#as_user[@]} -eq 0 ]; then
    echo "check-deb: skipped running the unpacked program: cannot switch to the user nobody"
    exit 0
  fi
fi

chmod 755 "$scratch"
work=$scratch/work
mkdir -m 755 "$work" "$work/home" "$work/frames"
[ ${#as_user[@]} -eq 0 ] || chown "$uid:$gid" "$work/home" "$work/frames"
# An 8 x 8 GIF89a: a red and blue checkerboard in a green border.
printf '%b' '\x47\x49\x46\x38\x39\x61\x08\x00\x08\x00\xf1\x00\x00\xff\x00\x00\x00\x00\xff\x00' \
  '\xff\x00\xff\xff\xff\x2c\x00\x00\x00\x00\x08\x00\x08\x00\x00\x02\x11\x94\x7f\x10\x01\x6a' \
  '\xac\xd8\x6b\x0b\x98\x48\x6f\x75\x02\x56\x04\x16\x00\x3b' >"$work/in.gif"
chmod 644 "$work/in.gif"
if ! "${as_user[@]}" test -x "$kestrin" -a -r "$work/in.gif" -a -w "$work/frames"; then
  echo "check-deb: $user cannot run the unpacked program or write its folder in $scratch" \
    "(is TMPDIR private?)" >&2
  exit 1
fi

# A bare environment without any display: what a user's shell on a headless machine has.
run() {
  "${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$work/home" LANG=C.UTF-8 "$@"
}
status=0
run "$kestrin" --help >"$scratch/help.log" 2>&1 || status=$?
if [ $status -ne 0 ] || ! grep -q '^  rotate ' "$scratch/help.log"; then
  echo "check-deb: kestrin --help: exit $status" >&2
  cat "$scratch/help.log" >&2
  exit 1
fi
status=0
message=$(run "$kestrin" 2>&1) || status=$?
if [[ $status -ne 2 || $message != "kestrin: no display available"* ]]; then
  echo "check-deb: kestrin without a display: exit $status: $message" >&2
  exit 1
fi
status=0
run "$kestrin" rotate --input "$work/in.gif" --angle 90 --increment 30 --direction right \
  --out "$work/frames" >"$scratch/rotate.log" 2>&1 || status=$?
frames=$(cd "$work/frames" && LC_ALL=C ls -A | tr '\n' ' ')
if [ $status -ne 0 ] || [ "$frames" != "R0.gif R30.gif R60.gif " ]; then
  echo "check-deb: kestrin rotate: exit $status, frames: $frames" >&2
  cat "$scratch/rotate.log" >&2
  exit 1
fi
for f in "$work"/frames/*.gif; do
  [ "$(head -c 6 "$f")" = GIF89a ] || { echo "check-deb: $f is not a GIF89a file" >&2; exit 1; }
done
echo "unpacked package: kestrin --help and kestrin rotate ran as $user"
