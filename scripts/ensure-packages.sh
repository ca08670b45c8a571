#!/usr/bin/env bash
# Installs the Debian packages that Kestrin needs and that are missing; quiet when all are there.
set -euo pipefail

packages=(g++ cmake ninja-build qt6-base-dev libgif-dev libjpeg-dev googletest libgtest-dev
          libgmock-dev libbenchmark-dev fonts-ipafont-gothic fonts-ipafont-mincho
          libimagequant-dev qt6-translations-l10n pkgconf desktop-file-utils dpkg-dev file lintian
          debootstrap)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
if ! $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null; then
  $sudo apt-get update -q >/dev/null
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}" >/dev/null
fi
