#!/usr/bin/env bash
# Installs the Debian packages a job needs; only those missing.
#   scripts/deps.sh        what building and playing the game needs
#   scripts/deps.sh test   that, and what the tests and benchmarks need
#   scripts/deps.sh fuzz   that, and clang with its libFuzzer runtime
#   scripts/deps.sh package  that, and what scripts/package.sh needs to build the .deb
set -euo pipefail
# The compiler, CMake and the libraries the game and its asset generator build against,
# SDL2's library for game controllers (opened at run time, so no headers are needed), and Mesa's
# drivers (software rendering where no GPU driver is installed).
packages=(
  build-essential cmake pkg-config
  libx11-dev libxext-dev libxxf86vm-dev libgl-dev libglx-dev libopengl-dev libgl1-mesa-dri
  libpng-dev zlib1g-dev libogg-dev libvorbis-dev libasound2-dev libsdl2-2.0-0
)
case "${1:-play}" in
  play) ;;
  # GoogleTest, XTest for pressing keys, the X servers the tests start, xvidtune (in
  # x11-xserver-utils) to read the video mode, SDL2's headers for the gamepad tests' virtual
  # controllers and the sprite benchmark's comparison,
  # PHP with SQLite, PostgreSQL and MariaDB (each test run starts its own database servers), nginx
  # and PHP-FPM to run the highscore server as its package does, and
  # Python for the highscore server's tests and benchmark, openbox as a real window manager
  # with xprop (in x11-utils) to see it running, and the validators of the installed desktop
  # entry and metadata.
  test) packages+=(libgtest-dev libxtst-dev xvfb xdotool xserver-xorg-core xserver-xorg-video-dummy
                   x11-xserver-utils libsdl2-dev php-cli php-sqlite3 python3
                   postgresql mariadb-server php-pgsql php-mysql nginx php-fpm openbox x11-utils desktop-file-utils appstream) ;;
  fuzz) packages+=(clang libclang-rt-14-dev) ;;
  # dpkg-shlibdeps for the package's Depends, lintian to check the package.
  package) packages+=(dpkg-dev lintian) ;;
  *) echo "usage: $0 [play|test|fuzz|package]" >&2; exit 2 ;;
esac
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
