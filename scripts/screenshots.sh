#!/usr/bin/env bash
# Takes the README's pictures of the real game under an Xvfb screen of the window's size, read
# from the screen by the end-to-end tests' reader: the title screen, the settings screen's
# Controls page, a fight, and the pause panel, 800 x 600 each, into docs/.
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

# toward_target: "X Y" of a point beyond the red arrow around the ship (at the screen's centre)
# that points at the target; the screen's right when no arrow is seen.
toward_target() {
  local angle radius x y rgb r g b
  for angle in $(seq 0 8 352); do
    for radius in $(seq 70 6 166); do
      x=$(awk -v a="$angle" -v d="$radius" 'BEGIN { printf "%d", 400 + d * cos(a * 3.14159 / 180) }')
      y=$(awk -v a="$angle" -v d="$radius" 'BEGIN { printf "%d", 300 + d * sin(a * 3.14159 / 180) }')
      rgb=$("$XSHOT" pixel "$x" "$y")
      r=$((16#${rgb:0:2})); g=$((16#${rgb:2:2})); b=$((16#${rgb:4:2}))
      if [ "$r" -ge 150 ] && [ $((r - g)) -ge 60 ] && [ $((r - b)) -ge 60 ] && [ "$g" -ge 40 ]; then
        awk -v a="$angle" 'BEGIN { printf "%d %d", 400 + 280 * cos(a * 3.14159 / 180), 300 + 250 * sin(a * 3.14159 / 180) }'
        return
      fi
    done
  done
  echo "700 300"
}

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
  # The settings' Controls page, the third action chosen; then back to the title.
  for key in F2 Down Down Down Return Down Down; do
    press "$key"
    sleep 0.4
  done
  shot settings
  for key in BackSpace BackSpace; do
    press "$key"
    sleep 0.4
  done
  press Return
  wait_for_play || fail "no game after Enter"
  # Wait for the first wave, turn toward the red arrow that points at the target and close in,
  # then fire, keeping the picture with the most colours around the ship: the most of the enemy.
  sleep "${FIGHT_SECONDS:-22}"
  aim=$(toward_target)
  xdotool mousemove $aim
  sleep 0.5
  xdotool mousedown 1
  best=0
  for _ in 1 2 3 4 5 6 7 8; do
    sleep 0.5
    colours=$("$XSHOT" stats 200 150 400 300 | sed 's/.*distinct=\([0-9]*\).*/\1/')
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
  echo "wrote docs/title.png, docs/settings.png, docs/fight.png, docs/pause.png"
}
export -f toward_target
# The screen is the window: no border, no other pixels.
run_under_xvfb -s 800x600x24
