#!/usr/bin/env bash
# Installs the Debian packages the game, its tools and its tests need; only those missing.
set -euo pipefail
packages=(
  build-essential cmake pkg-config
  libx11-dev libxxf86vm-dev libxtst-dev libgl-dev libglx-dev mesa-common-dev libgl1-mesa-dri
  libpng-dev zlib1g-dev libogg-dev libvorbis-dev libasound2-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xdotool x11-utils x11-xserver-utils xserver-xorg-core xserver-xorg-video-dummy
  libsdl2-dev clang libclang-rt-14-dev
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  echo "installing: ${missing[*]}"
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
