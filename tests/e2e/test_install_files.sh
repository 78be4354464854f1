#!/usr/bin/env bash
# cmake --install into a temporary DESTDIR under a prefix of its own: the game, its data and
# nothing else of the build's game folder, the manual page, the icons at every size, and a
# desktop entry naming the installed executable by its path and metadata that pass their
# validators. The executable copied away from its data says where it looked and fails.
set -u
GAME_SRC=${1:?usage: test_install_files.sh BUILD_GAME_DIR}
BUILD=$(dirname "$GAME_SRC")
E2E_DIR=$(cd "$(dirname "$0")" && pwd)
WORK=$(mktemp -d /tmp/tavrik-install.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

DESTDIR="$WORK/dest" cmake --install "$BUILD" --prefix /opt/tavrik >"$WORK/install.txt" 2>&1 \
  || fail "install: $(cat "$WORK/install.txt")"
[ "$(ls "$WORK/dest")" = "opt" ] || fail "files outside the prefix: $(ls "$WORK/dest")"
P="$WORK/dest/opt/tavrik"
[ -x "$P/games/tavrik" ] || fail "no executable games/tavrik"
[ "$(ls "$P/share/games/tavrik" | tr '\n' ' ')" = "gfx music sfx " ] \
  || fail "data folder holds: $(ls "$P/share/games/tavrik")"
for f in gfx/Logo.png sfx music; do [ -e "$P/share/games/tavrik/$f" ] || fail "no data $f"; done
ls "$P/share/games/tavrik/music/"*.ogg >/dev/null 2>&1 || fail "no track in music/"
[ -s "$P/share/man/man6/tavrik.6" ] || fail "no manual page"

# Each icon is a PNG of its folder's size (width and height are bytes 16 to 23).
for size in 16 22 24 32 48 64 128 256 512; do
  icon="$P/share/icons/hicolor/${size}x${size}/apps/tavrik.png"
  [ -f "$icon" ] || fail "no icon of $size px"
  dims=$(od -An -tu1 -j16 -N8 "$icon" | awk '{print $3 * 256 + $4 "x" $7 * 256 + $8}')
  [ "$dims" = "${size}x${size}" ] || fail "icon of $size px is $dims"
done

desktop-file-validate "$P/share/applications/tavrik.desktop" || fail "desktop entry"
grep -q '^Categories=Game;ArcadeGame;$' "$P/share/applications/tavrik.desktop" || fail "desktop categories"
# The menu starts the game whatever PATH holds: the prefix given to the install, without DESTDIR.
grep -qx 'Exec=/opt/tavrik/games/tavrik' "$P/share/applications/tavrik.desktop" \
  && grep -qx 'TryExec=/opt/tavrik/games/tavrik' "$P/share/applications/tavrik.desktop" \
  || fail "desktop entry's executable: $(grep Exec "$P/share/applications/tavrik.desktop")"
# The id is the file's own name, "tavrik", not a reverse domain name: the project owns no domain.
appstreamcli validate --no-net --override=cid-desktopapp-is-not-rdns=info \
  "$P/share/metainfo/tavrik.metainfo.xml" || fail "metainfo"

# No data beside the executable nor under its prefix: it stops before opening a window.
mkdir -p "$WORK/alone/bin"
cp "$P/games/tavrik" "$WORK/alone/bin/"
(cd "$WORK" && ALSA_CONFIG_PATH="$E2E_DIR/alsa-none.conf" DISPLAY= timeout 20 "$WORK/alone/bin/tavrik") \
  >"$WORK/alone.txt" 2>&1
status=$?
[ "$status" -ne 0 ] && [ "$status" -ne 124 ] || fail "exit status $status without data: $(cat "$WORK/alone.txt")"
grep -q "game data not found: .*$WORK/alone/share/games/tavrik" "$WORK/alone.txt" \
  || fail "no notice naming the data folder: $(cat "$WORK/alone.txt")"
[ "$(ls -A "$WORK/alone" | tr '\n' ' ')" = "bin " ] || fail "written beside it: $(ls -AR "$WORK/alone")"
echo "PASS install files"
