#!/usr/bin/env bash
# The settings screen with real keys: F2 on the title opens it, the music is turned a step
# down and Thrust is bound to K, Backspace leaves, Escape quits. Options.ini and Keys.ini hold
# the new values and every other line, their own comments and unknown lines included, stays
# byte for byte. The next start plays with what was written.
source "$(dirname "$0")/lib.sh"

settings() {
  printf 'GFX X=640\r\nGFX Y=480\r\nGFX Full=0\r\nGFX Camera Delay=0\r\nSoundEffectVolume=70\r\nMusicVolume=%s\r\nOnlineHighscore=0\r\nPlayer=Tester\r\n; not the game'"'"'s\r\nSome Tool Setting=yes\r\n' "$1"
}

keys() {
  printf '# my keys\nPause = p, F5\nThrust=%s\nFrameRate=F3\n' "$1"
}

# step KEY: presses a key and gives the game a moment to take it, so that no two keys come
# in one pass (a pass takes its moves by kind, not in the order pressed).
step() {
  press "$1"
  sleep 0.4
}

# wait_note TEXT: waits (up to 5 s) for a developer note of the game.
wait_note() {
  for _ in $(seq 1 50); do
    grep -q "$1" "$WORK/err.txt" && return 0
    sleep 0.1
  done
  fail "no \"$1\"; output: $(cat "$WORK/out.txt" "$WORK/err.txt")"
}

run() {
  settings 100 >"$GAME/Options.ini"
  keys "w,Up" >"$GAME/Keys.ini"
  start_game
  wait_window "Tavrik 0.91" >/dev/null || fail "no window; output: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  wait_for_title || fail "no title screen"
  sleep 0.5
  step F2
  wait_note "settings screen opened"
  step Down        # Sound
  step Return
  step Down        # music volume
  step Left
  step BackSpace
  step Down        # Player
  step Down        # Controls
  step Return
  step Return      # Thrust: the next input binds it
  step k
  step BackSpace
  step BackSpace
  wait_note "settings screen closed"
  kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended in the settings: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  quit_game

  cmp -s "$GAME/Options.ini" <(settings 90) || fail "Options.ini: $(od -c "$GAME/Options.ini" | head -20)"
  cmp -s "$GAME/Keys.ini" <(keys "k") || fail "Keys.ini: $(od -c "$GAME/Keys.ini" | head -20)"
  ! grep -q "not saved" "$WORK/err.txt" "$WORK/out.txt" || fail "a save failed: $(cat "$WORK/err.txt")"

  # The next start reads both without a word about them.
  start_game
  wait_window "Tavrik 0.91" >/dev/null || fail "no window at the next start"
  wait_for_title || fail "no title screen at the next start"
  ! grep -q "Keys.ini" "$WORK/out.txt" || fail "Keys.ini notices: $(cat "$WORK/out.txt")"
  quit_game
  echo "PASS settings changed with real keys, every other line kept"
}

export -f settings keys step wait_note
run_under_xvfb || exit 1
