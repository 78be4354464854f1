#!/usr/bin/env bash
# The options screen of a first start (no Options.ini): without a display the mode notice
# and nothing written; Escape ends the program with code 0 and writes nothing; a name typed
# with leading spaces, a new resolution and 256 for full screen, confirmed with Enter, are
# written to Options.ini and open the game in a 640 x 480 window.
source "$(dirname "$0")/lib.sh"

# geometry ID: the window's size as WxH.
geometry() { xdotool getwindowgeometry "$1" | awk '/Geometry/ {print $2}'; }

# click ID X Y: a left click at a position of the window.
click() { xdotool mousemove --window "$1" "$2" "$3" click 1; sleep 0.2; }

# erase N: N backspaces.
erase() { for _ in $(seq 1 "$1"); do xdotool key BackSpace; done; }

# wait_game_window: prints the id of a 640 x 480 game window, waiting up to 15 s.
wait_game_window() {
  local id
  for _ in $(seq 1 150); do
    for id in $(xdotool search --name '^Tavrik 0.91$' 2>/dev/null); do
      [ "$(geometry "$id" 2>/dev/null)" = "640x480" ] && { echo "$id"; return 0; }
    done
    sleep 0.1
  done
  return 1
}

run() {
  rm -f "$GAME/Options.ini"

  # No display for the options window: the notice, exit code 0, nothing written.
  (cd "$GAME" && DISPLAY= exec "$GAME/tavrik") >"$WORK/out.txt" 2>"$WORK/err.txt" &
  GAME_PID=$!
  wait_exit 10
  [ "$rc" = "0" ] || fail "exit code without a display: $rc"
  printf 'options screen not possible: no display could be opened for its 400 x 300 window\r\n' >"$WORK/expected.txt"
  cmp -s "$WORK/out.txt" "$WORK/expected.txt" || fail "notice without a display: $(od -c "$WORK/out.txt" | head)"
  [ ! -e "$GAME/Options.ini" ] || fail "Options.ini written without a display"

  # Escape on the options screen: exit code 0, no Options.ini.
  start_game
  id=$(wait_window "Tavrik 0.91") || fail "no options window: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  [ "$(geometry "$id")" = "400x300" ] || fail "options window is $(geometry "$id"), expected 400x300"
  sleep 0.5
  press Escape
  wait_exit 5
  [ "$rc" = "0" ] || fail "exit code after Escape on the options screen: $rc"
  [ ! -e "$GAME/Options.ini" ] || fail "Options.ini written after Escape"

  # Typing into the fields, then Enter with no field being edited.
  start_game
  id=$(wait_window "Tavrik 0.91") || fail "no options window the second time: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  sleep 0.5
  click "$id" 100 70        # "Player", holding "New Player"
  erase 12
  xdotool type --delay 30 '  Ann'
  xdotool key Return
  sleep 0.3
  click "$id" 100 120       # "Resolution X"
  erase 6
  xdotool type --delay 30 '640'
  xdotool key Return
  sleep 0.3
  click "$id" 300 120       # "Resolution Y"
  erase 6
  xdotool type --delay 30 '480'
  xdotool key Return
  sleep 0.3
  click "$id" 100 170       # "Fullscreen 0/1": 256 has the low 8 bits 0, a window
  erase 3
  xdotool type --delay 30 '256'
  xdotool key Return
  sleep 0.3
  xdotool key Return
  wait_game_window >/dev/null || fail "no 640 x 480 game window: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  printf 'GFX X=640\r\nGFX Y=480\r\nGFX Full=0\r\nGFX Camera Delay=0\r\nSoundEffectVolume=70\r\nMusicVolume=100\r\nOnlineHighscore=0\r\nPlayer=Ann\r\nFire Mode=0\r\nHold Heading Mode=0\r\nRumble=2\r\nRocket Alarm Sound=1\r\nUI Scale=0\r\n' >"$WORK/expected.ini"
  cmp -s "$GAME/Options.ini" "$WORK/expected.ini" || fail "Options.ini was: $(od -c "$GAME/Options.ini" | head -20)"
  sleep 0.5
  quit_game
  echo "PASS options screen"
}
export -f geometry click erase wait_game_window
run_under_xvfb
