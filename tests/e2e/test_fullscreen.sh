#!/usr/bin/env bash
# Full screen end to end under an Xorg server with the dummy driver: the game switches
# the video mode to the size in Options.ini, F11 leaves it for a window with the desktop
# mode back, Escape ends it with exit code 0; a size the display does not have gives a notice and exit code 0.
# Usage: test_fullscreen.sh GAME_FOLDER
set -u
here=$(cd "$(dirname "$0")" && pwd)
game=$(cd "${1:?usage: test_fullscreen.sh GAME_FOLDER}" && pwd)
if [ -z "${FULLSCREEN_TEST_IN_XORG:-}" ]; then
    FULLSCREEN_TEST_IN_XORG=1 exec bash "$here/with-xorg-dummy.sh" bash "$0" "$game"
fi

tmp=$(mktemp -d /tmp/test-fullscreen.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
cp -r "$game" "$tmp/game"
exe="$tmp/game/tavrik"
fail() { echo "FAIL: $*" >&2; [ -f "$tmp/out.txt" ] && sed 's/^/  game: /' "$tmp/out.txt" >&2; exit 1; }
[ -x "$exe" ] || fail "no game binary in $game"

# Size of the video mode the server shows now, e.g. 1024x768.
current_mode() { xvidtune -show 2>/dev/null | awk 'NR == 1 { print $3 "x" $7 }'; }

write_options() {
    printf 'GFX X=%s\r\nGFX Y=%s\r\nGFX Full=%s\r\nGFX Camera Delay=0\r\nSoundEffectVolume=0\r\nMusicVolume=0\r\nOnlineHighscore=0\r\nPlayer=Tester\r\n' \
        "$1" "$2" "${3:-1}" >"$tmp/game/Options.ini"
}

# Waits up to $2 seconds for the process $1 to end; its exit code lands in $status.
wait_exit() {
    local i
    for ((i = 0; i < $2 * 10; i++)); do
        if ! kill -0 "$1" 2>/dev/null; then wait "$1"; status=$?; return 0; fi
        sleep 0.1
    done
    return 1
}

desktop=$(current_mode)
[ "$desktop" = 1024x768 ] || fail "the server starts in $desktop, not 1024x768"

# 800 x 600 full screen: the mode switches, Escape ends the game, the desktop comes back.
write_options 800 600
(cd "$tmp/game" && exec "$exe") >"$tmp/out.txt" 2>&1 &
pid=$!
switched=0
for ((i = 0; i < 300; i++)); do
    [ "$(current_mode)" = 800x600 ] && { switched=1; break; }
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
[ $switched = 1 ] || { kill "$pid" 2>/dev/null; fail "the mode did not switch to 800x600 (it is $(current_mode))"; }
sleep 1  # let start-up reach the main loop
kill -0 "$pid" 2>/dev/null || fail "the game ended before Escape"
# F11 leaves the switched mode for an 800 x 600 window on the desktop, and "GFX Full" follows.
xdotool key F11
for ((i = 0; i < 50; i++)); do
    [ "$(current_mode)" = 1024x768 ] && grep -q $'^GFX Full=0\r$' "$tmp/game/Options.ini" && break
    sleep 0.1
done
[ "$(current_mode)" = 1024x768 ] || fail "F11 did not bring the desktop mode back (it is $(current_mode))"
grep -q $'^GFX Full=0\r$' "$tmp/game/Options.ini" || fail "GFX Full is not 0 after F11"
grep -q $'^GFX X=800\r$' "$tmp/game/Options.ini" || fail "F11 changed the window size in Options.ini"
ended=0
for ((i = 0; i < 10; i++)); do
    xdotool key Escape
    if wait_exit "$pid" 2; then ended=1; break; fi
done
[ $ended = 1 ] || { kill "$pid"; fail "the game did not end on Escape"; }
[ "$status" = 0 ] || fail "exit code $status after Escape"
[ "$(current_mode)" = 1024x768 ] || fail "the desktop mode is not back (it is $(current_mode))"

# A size the display has not: the notice, exit code 0, and the mode untouched.
write_options 1234 567
(cd "$tmp/game" && exec "$exe") >"$tmp/out.txt" 2>&1 &
pid=$!
wait_exit "$pid" 30 || { kill "$pid"; fail "the game did not end after an impossible mode"; }
[ "$status" = 0 ] || fail "exit code $status after an impossible mode"
grep -q "graphicsmode not possible: 1234 x 567, please change graphicsmode in Options.ini file" \
    "$tmp/out.txt" || fail "no notice about the impossible mode"
[ "$(current_mode)" = 1024x768 ] || fail "the mode changed to $(current_mode)"

# "GFX Full=2" (what F11 writes) is full screen at the desktop's size with the mode untouched,
# whatever size the file asks for.
write_options 800 600 2
(cd "$tmp/game" && exec "$exe") >"$tmp/out.txt" 2>&1 &
pid=$!
id=""
for ((i = 0; i < 300; i++)); do
    id=$(xdotool search --name '^Tavrik 0.91$' 2>/dev/null | head -n 1)
    [ -n "$id" ] && break
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
[ -n "$id" ] || { kill "$pid" 2>/dev/null; fail "no window with GFX Full=2"; }
sleep 1
geometry=$(xdotool getwindowgeometry "$id" | awk '/Geometry/ {print $2}')
[ "$geometry" = 1024x768 ] || { kill "$pid"; fail "GFX Full=2 opened $geometry, not the desktop's 1024x768"; }
[ "$(current_mode)" = 1024x768 ] || { kill "$pid"; fail "GFX Full=2 switched the mode to $(current_mode)"; }
xdotool key Escape
wait_exit "$pid" 5 || { kill "$pid"; fail "the game did not end on Escape"; }
echo "fullscreen: switched to 800x600, F11 back to a window, impossible mode refused, GFX Full=2 without a switch"
