#!/usr/bin/env bash
# Start-up files: the display-mode notice for an unusable Options.ini; a missing Options.ini
# written with the defaults when the options screen is confirmed at once; a run from another
# working folder finds and writes its files beside the executable.
source "$(dirname "$0")/lib.sh"
run() {
  # "GFX X = 800" does not match the key "GFX X": width 0, the notice, exit code 0.
  printf 'GFX X = 800\r\nGFX Y=600\r\nGFX Full=0\r\n' >"$GAME/Options.ini"
  start_game
  wait_exit 5
  [ "$rc" = "0" ] || fail "mode notice exit code: $rc"
  printf 'graphicsmode not possible: 0 x 600, please change graphicsmode in Options.ini file\r\n' >"$WORK/expected.txt"
  cmp -s "$WORK/out.txt" "$WORK/expected.txt" || fail "notice was: $(od -c "$WORK/out.txt" | head)"

  # No Options.ini, started from another folder: the options screen confirmed at once writes
  # the defaults (the 1024 x 768 desktop, full screen) beside the executable, and its folders
  # are made there.
  rm -f "$GAME/Options.ini"
  mkdir -p "$WORK/elsewhere"
  start_game "$WORK/elsewhere"
  wait_window "Tavrik 0.91" >/dev/null || fail "no window on first start: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  sleep 0.5
  press Return
  for _ in $(seq 1 100); do [ -d "$GAME/music" ] && break; sleep 0.1; done
  sleep 1
  press Escape
  wait_exit 5
  [ "$rc" = "0" ] || fail "first start exit code: $rc; output: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  printf 'GFX X=1024\r\nGFX Y=768\r\nGFX Full=1\r\nGFX Camera Delay=0\r\nSoundEffectVolume=70\r\nMusicVolume=100\r\nOnlineHighscore=0\r\nPlayer=New Player\r\nFire Mode=0\r\nHold Heading Mode=0\r\nRumble=2\r\nRocket Alarm Sound=1\r\nUI Scale=0\r\n' >"$WORK/expected.ini"
  cmp -s "$GAME/Options.ini" "$WORK/expected.ini" || fail "Options.ini was: $(od -c "$GAME/Options.ini" | head -20)"
  [ -d "$GAME/screenshots" ] || fail "no screenshots folder beside the executable"
  [ -d "$GAME/music" ] || fail "no music folder beside the executable"
  [ -z "$(ls -A "$WORK/elsewhere")" ] || fail "files written into the working folder: $(ls -A "$WORK/elsewhere")"
  echo "PASS start-up files"
}
run_under_xvfb
