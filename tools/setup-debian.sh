#!/usr/bin/env bash
# Installs every Debian package Tavlo needs to build, run and test. Safe to run again.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev clang-format
  zlib1g-dev libzip-dev
  qt6-base-dev qt6-base-dev-tools libqt6dbus6 libqt6network6 qt6-qpa-plugins
  libgl-dev libxkbcommon-dev libxcb1-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  fonts-wqy-microhei fontconfig
  python3
  xvfb xauth dbus dbus-x11 policykit-1 psmisc xdotool trayer xcompmgr python3-pil
  libsdbus-c++-dev python3-dbusmock python3-dbus python3-gi
  libnl-genl-3-dev libnl-route-3-dev dnsmasq-base busybox iproute2 hostapd libxml2-utils
  libnftables-dev nftables
  libqrencode-dev zbar-tools ieee-data
  qt6-svg-dev dpkg-dev lintian desktop-file-utils appstream
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -eq 0 ]; then
  run() { "$@"; }
elif command -v sudo >/dev/null 2>&1; then
  run() { sudo "$@"; }
else
  echo "setup: need root or sudo to install: ${missing[*]}" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
run env DEBIAN_FRONTEND=noninteractive apt-get update -q
run env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
