#!/usr/bin/env bash
# The README's set-up on a fresh machine: makes a minimal Debian 12 (bookworm) root with
# debootstrap, installs nothing in it but git, puts a clean clone of the repository's committed
# HEAD in it, and there runs ./run.sh (installs the packages, builds, starts the program, which
# without a display must say so and exit 2), then ./test.sh, then installs the package that
# test.sh made with apt and runs the installed program as an ordinary user. A package missing
# from scripts/ensure-packages.sh fails here, whatever this machine has installed. The
# debootstrapped base (nothing installed yet) and the packages apt fetched into it are kept for
# the ISO week in /var/cache/kestrin-ci/; apt checks every kept package against the signed lists.
# Needs root and deb.debian.org; without them it says "skipped: <why>" and exits 0.
# Usage: scripts/check-fresh-debian.sh [REPO]    (default: the repository of this script)
set -euo pipefail

if [ $# -gt 1 ]; then
  echo "usage: $0 [REPO]" >&2
  exit 2
fi
repo=${1:-$(cd "$(dirname "$0")/.." && pwd)}
suite=bookworm
mirror=http://deb.debian.org/debian
security=http://deb.debian.org/debian-security
cache=/var/cache/kestrin-ci
path=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
started=$SECONDS

skip() {
  echo "check-fresh-debian: skipped: $*"
  exit 0
}
elapsed() {
  local s=$((SECONDS - started))
  printf '%dm%02ds' $((s / 60)) $((s % 60))
}

head=$(git ls-remote "$repo" HEAD 2>/dev/null | cut -f1)
if [ -z "$head" ]; then
  echo "check-fresh-debian: $repo is no git repository with a commit at HEAD" >&2
  exit 2
fi
[ "$(id -u)" -eq 0 ] || skip "needs root (debootstrap, chroot and mounts)"
unshare --mount --pid --fork true 2>/dev/null ||
  skip "cannot make mount and PID namespaces here (not permitted)"
chroot / true 2>/dev/null || skip "chroot is not permitted here"
if ! command -v debootstrap >/dev/null; then
  export DEBIAN_FRONTEND=noninteractive
  { apt-get install -y -q --no-install-recommends debootstrap ||
      { apt-get update -q && apt-get install -y -q --no-install-recommends debootstrap; }
  } >/dev/null 2>&1 || skip "debootstrap is not installed and could not be installed"
fi
wget -q -O /dev/null --timeout=20 --tries=2 "$mirror/dists/$suite/InRelease" ||
  skip "$mirror cannot be reached"

# Everything goes under one scratch folder, a memory file system when there is memory to spare:
# dpkg's syncs cost nothing there and removing it is one unmount. The mounts the chroot needs are
# made in a mount namespace of each step's own, so they end with it, as do any processes the step
# left behind; this namespace has none under the folder unless something outside made them, and
# those are taken off, deepest first, before anything is removed.
work=$(mktemp -d /var/tmp/kestrin-fresh-debian.XXXXXX)
root=$work/root
child=
mounts_under() {
  awk -v dir="$1" '$5 == dir || index($5, dir "/") == 1 { print $5 }' /proc/self/mountinfo |
    sort -r
}
cleanup() {
  local status=$?
  trap - EXIT INT TERM
  if [ -n "$child" ]; then
    kill "$child" 2>/dev/null || true
    wait "$child" 2>/dev/null || true
  fi
  local m
  for m in $(mounts_under "$root"); do
    umount "$m" 2>/dev/null || umount -l "$m" || true
  done
  if [ -n "$(mounts_under "$root")" ]; then
    echo "check-fresh-debian: mounts are left under $root; $work is not removed" >&2
  else
    if [ -n "$(mounts_under "$work")" ]; then
      umount "$work" 2>/dev/null || umount -l "$work"
    fi
    rm -rf --one-file-system "$work"
  fi
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
available_kib=$(awk '$1 == "MemAvailable:" { print $2 }' /proc/meminfo)
if [ "${available_kib:-0}" -ge $((14 * 1024 * 1024)) ]; then
  mount -t tmpfs -o size=10g,mode=700 kestrin-fresh-debian "$work" || true
fi

arch=$(dpkg --print-architecture)
week=$(date -u +%G-W%V)
base=$cache/$suite-minbase-$arch-$week.tar
mkdir -p "$cache"
# The packages apt fetches, kept for the week; another run at the same time fetches its own.
archives=$cache/archives-$arch-$week
exec 9>"$cache/archives.lock"
if flock -n 9; then
  find "$cache" -maxdepth 1 -name "archives-$arch-*" ! -name "archives-$arch-$week" \
    -exec rm -rf {} +
  mkdir -p "$archives/partial"
else
  archives=
fi

# Runs a command in the root with the environment of a fresh login and no display. The step is
# waited for in the background, so that a signal to this script is acted on at once.
in_root() {
  unshare --mount --pid --fork --kill-child=KILL bash -euo pipefail -c '
    root=$1 archives=$2
    shift 2
    mount -t proc proc "$root/proc"
    mount -t sysfs -o ro sysfs "$root/sys"
    mount --rbind /dev "$root/dev"
    [ -z "$archives" ] || mount --bind "$archives" "$root/var/cache/apt/archives"
    chroot "$root" "$@"' bash "$root" "$archives" \
    /usr/bin/env -i HOME=/root PATH="$path" LANG=C.UTF-8 DEBIAN_FRONTEND=noninteractive \
    bash -euo pipefail -c "cd /root/kestrin 2>/dev/null || cd /root; $1" &
  child=$!
  local status=0
  wait "$child" || status=$?
  child=
  return "$status"
}

if [ -f "$base" ]; then
  echo "== Fresh $suite root from $base =="
  mkdir "$root"
  tar -C "$root" --numeric-owner -xpf "$base"
else
  echo "== Fresh $suite root: debootstrap --variant=minbase =="
  # In a mount namespace of its own, the mounts debootstrap makes end with it however it ends.
  if ! unshare --mount debootstrap --variant=minbase "$suite" "$root" "$mirror" \
      >"$work/debootstrap.log" 2>&1; then
    tail -n 20 "$work/debootstrap.log"
    skip "debootstrap could not make the root (its last lines are above)"
  fi
  rm -f "$cache/$suite-minbase-$arch-"*.tar "$cache/$suite-minbase-$arch-"*.tar.*
  tar -C "$root" --numeric-owner -cpf "$base.$$" . && mv "$base.$$" "$base"
fi

cat >"$root/etc/apt/sources.list" <<EOF
deb $mirror $suite main
deb $mirror $suite-updates main
deb $security $suite-security main
EOF
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
[ -e "$root/etc/hosts" ] || printf '127.0.0.1\tlocalhost\n::1\tlocalhost ip6-localhost\n' \
  >"$root/etc/hosts"
# Packages install without starting any service in the root.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod 755 "$root/usr/sbin/policy-rc.d"

echo "== $(elapsed): apt-get upgrade; apt-get install git =="
if ! in_root 'apt-get update -q && apt-get upgrade -y -q &&
              apt-get install -y -q --no-install-recommends git' >"$work/apt.log" 2>&1; then
  cat "$work/apt.log"
  echo "check-fresh-debian: FAILED: the fresh root could not be brought up to date" >&2
  exit 1
fi

git clone -q --no-local "$repo" "$root/root/kestrin"
echo "== $(elapsed): clone of $repo at $(git -C "$root/root/kestrin" log -1 --format='%h, %cs') =="

failures=()
echo "== $(elapsed): fresh root: ./run.sh (set-up, build, start without a display) =="
status=0
in_root './run.sh 2>&1 | tee /root/run.log' || status=$?
last=$(tail -n 1 "$root/root/run.log")
if [[ $status -ne 2 || $last != "kestrin: no display available"* ]]; then
  failures+=("./run.sh: exit $status (expected 2 and \"kestrin: no display available\")")
fi

echo "== $(elapsed): fresh root: ./test.sh =="
status=0
in_root './test.sh' || status=$?
[ $status -eq 0 ] || failures+=("./test.sh: exit $status")

echo "== $(elapsed): fresh root: apt install ./build/kestrin_*.deb, run as nobody =="
if [ $status -ne 0 ]; then
  failures+=("apt install of the package: not tried, ./test.sh did not pass")
elif ! in_root '
    apt-get install -y -q ./build/kestrin_*_'"$arch"'.deb >/dev/null
    dpkg -s kestrin | grep -q "^Status: install ok installed"
    work=$(mktemp -d)
    trap "rm -rf $work" EXIT
    TMPDIR=$work build/bin/kestrin_gif_demo >/dev/null
    chown -R nobody: "$work"
    as_nobody() { runuser -u nobody -- env -i PATH=/usr/bin:/bin HOME="$work" "$@"; }
    as_nobody kestrin --help | grep -q "^  rotate "
    as_nobody kestrin rotate --input "$work/kestrin-demo.gif" --angle 90 --increment 30 \
      --direction right --out "$work"
    test "$(cd "$work" && LC_ALL=C ls R*.gif | tr "\n" " ")" = "R0.gif R30.gif R60.gif "
    echo "installed from the package, kestrin ran as nobody"'; then
  failures+=("apt install of the package and a run of /usr/bin/kestrin as nobody")
fi

if [ ${#failures[@]} -ne 0 ]; then
  {
    echo "== check-fresh-debian: FAILED on a fresh Debian 12 root ($(elapsed)) =="
    printf '  %s\n' "${failures[@]}"
  } >&2
  exit 1
fi
echo "== check-fresh-debian: ./run.sh, ./test.sh and the package passed on a fresh Debian 12" \
  "root ($(elapsed)) =="
