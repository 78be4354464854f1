#!/usr/bin/env bash
# Takes the README's pictures of the real game under an Xvfb screen of the window's size, read
# from the screen by the end-to-end tests' reader: the title screen, a fight, and the pause
# panel, 800 x 600 each, into docs/.
# Usage: scripts/screenshots.sh   (after a build in build/, e.g. by scripts/play.sh or test.sh)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/deps.sh test
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target tavrik assets xshot
mkdir -p docs
export DOCS="$root/docs"
# The end-to-end tests' helpers: a private copy of the game, starting it, pressing keys.
source tests/e2e/lib.sh "$root/build/game"
unset TAVRIK_DEBUG

run() {
  options 800 600 0
  start_game
  wait_window "Tavrik 0.91" >/dev/null || fail "no window: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  wait_for_title || fail "no title screen: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  # The title battle fills the screen behind the panel.
  sleep "${TITLE_SECONDS:-6}"
  shot() {
    "$XSHOT" png "$DOCS/$1.png" || fail "no picture $1"
  }
  shot title
  press Return
  wait_for_play || fail "no game after Enter"
  # Wait for the first wave to come close, then fire at the right and keep the picture with
  # the most colours around the ship: the one with the most of the enemy in it.
  sleep "${FIGHT_SECONDS:-20}"
  xdotool mousemove 650 250
  xdotool mousedown 1
  best=0
  for n in 1 2 3 4 5 6 7 8; do
    sleep 0.7
    colours=$("$XSHOT" stats 100 120 600 260 | sed 's/.*distinct=\([0-9]*\).*/\1/')
    if [ "$colours" -gt "$best" ]; then
      best=$colours
      shot fight
    fi
  done
  xdotool mouseup 1
  press p
  sleep 0.5
  shot pause
  quit_game
  echo "wrote docs/title.png, docs/fight.png, docs/pause.png"
}
# The screen is the window: no border, no other pixels.
run_under_xvfb -s 800x600x24
