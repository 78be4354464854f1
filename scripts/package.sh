#!/usr/bin/env bash
# Builds the Debian package build/packages/tavrik_<version>-1_<arch>.deb from a release build
# (Debian 12, as root or with sudo): the game installed under /usr, Depends computed from the
# libraries it links, the manual page gzipped, the copyright file in place, and lintian run
# over the result (any E: tag fails the script).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh package

. scripts/deb-common.sh
arch=$(dpkg --print-architecture)
build=build/package-release
stage=build/package-root
out=build/packages
deb="$out/tavrik_${version}-${revision}_${arch}.deb"

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target tavrik assets icons
rm -rf "$stage"
DESTDIR="$PWD/$stage" cmake --install "$build" --prefix /usr --strip >/dev/null

# Documentation: the gzipped manual page, the copyright file and the package's changelog.
gzip -9n "$stage/usr/share/man/man6/tavrik.6"
write_deb_docs "$stage/usr/share/doc/tavrik" tavrik "Every picture, sound and track of the game is drawn and synthesised by the game's
 own asset generator at build time, and is under the same licence as the code."

# Depends from the libraries the executable links; dpkg-shlibdeps reads a debian/control.
# SDL2, opened at run time for game controllers, is only recommended: without it the game
# plays with keyboard and mouse.
shlib=$(mktemp -d)
trap 'rm -rf "$shlib"' EXIT
mkdir -p "$shlib/debian"
printf 'Source: tavrik\n\nPackage: tavrik\nArchitecture: any\n' >"$shlib/debian/control"
(cd "$shlib" && dpkg-shlibdeps -O "$OLDPWD/$stage/usr/games/tavrik") >"$shlib/vars"
depends=$(sed -n 's/^shlibs:Depends=//p' "$shlib/vars")
[ -n "$depends" ] || { echo "dpkg-shlibdeps found no libraries" >&2; exit 1; }

mkdir -p "$stage/DEBIAN"
(cd "$stage" && find usr -type f -print0 | sort -z | xargs -0 md5sum) >"$stage/DEBIAN/md5sums"
size=$(du -sk --exclude=DEBIAN "$stage" | cut -f1)
cat >"$stage/DEBIAN/control" <<CONTROL
Package: tavrik
Version: $version-$revision
Architecture: $arch
Maintainer: $maintainer
Installed-Size: $size
Depends: $depends
Recommends: libsdl2-2.0-0 (>= 2.0.9)
Section: games
Priority: optional
Description: single-player 2D space shooter
 Tavrik is a 2D space shooter for X11 desktops with OpenGL. Your fighter flies
 across a scrolling star field: the keyboard gives thrust and strafing, the
 mouse aims, and the ship fires its lasers and three kinds of guided rockets at
 waves of enemy ships. Stages bring new enemies, rewards and a rising
 difficulty; the best scores are kept and can be sent to an online highscore.
CONTROL
chmod 0644 "$stage/DEBIAN/control" "$stage/DEBIAN/md5sums"

mkdir -p "$out"
rm -f "$deb"
dpkg-deb --root-owner-group -Zxz --build "$stage" "$deb" >/dev/null
echo "wrote $deb"
echo "Depends: $depends"

check_with_lintian "$deb"
scripts/package-server.sh
