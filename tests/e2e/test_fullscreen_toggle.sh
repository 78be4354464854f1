#!/usr/bin/env bash
# F11 at run time, under plain Xvfb and once more under openbox: the window becomes
# borderless full screen at the desktop size (1024 x 768) and back to its configured
# 640 x 480, on the title screen and during a game, without pausing it, and Options.ini's
# "GFX Full" line follows (2, then 0) while every other line, one the game never writes
# included, stays byte for byte. Started again after F11, the game opens that way.
source "$(dirname "$0")/lib.sh"

# The settings with a line the game does not know.
settings() {
  printf 'GFX X=640\r\nGFX Y=480\r\nGFX Full=%s\r\nGFX Camera Delay=0\r\nSoundEffectVolume=0\r\nMusicVolume=0\r\nOnlineHighscore=0\r\nPlayer=Tester\r\nHighscore Server=scores.example:8080\r\n' "$1"
}

# wait_size ID WxH: waits (up to 5 s) until the window has that size.
wait_size() {
  local geometry=""
  for _ in $(seq 1 50); do
    geometry=$(xdotool getwindowgeometry "$1" 2>/dev/null | awk '/Geometry/ {print $2}')
    [ "$geometry" = "$2" ] && return 0
    sleep 0.1
  done
  fail "window is $geometry, not $2 ($3); output: $(cat "$WORK/out.txt" "$WORK/err.txt")"
}

# wait_settings FULL: waits (up to 5 s) until Options.ini is the settings with that choice.
wait_settings() {
  for _ in $(seq 1 50); do
    cmp -s "$GAME/Options.ini" <(settings "$1") && return 0
    sleep 0.1
  done
  fail "Options.ini is not the settings with GFX Full=$1: $(od -c "$GAME/Options.ini" | head -20)"
}

# borderless ID: fails unless the window covers the screen without a frame: the window
# manager's full-screen state, or one no manager handles.
borderless() {
  local where
  where=$(xwininfo -id "$1" | awk '/Absolute upper-left X/ {x = $NF} /Absolute upper-left Y/ {y = $NF} END {print x "," y}')
  [ "$where" = "0,0" ] || fail "the full screen window is at $where"
  if [ "$MANAGER" = openbox ]; then
    xprop -id "$1" _NET_WM_STATE | grep -q _NET_WM_STATE_FULLSCREEN || fail "not in the full-screen state: $(xprop -id "$1" _NET_WM_STATE)"
  else
    xwininfo -id "$1" | grep -q "Override Redirect State: yes" || fail "the window is left to a window manager"
  fi
}

run() {
  settings 0 >"$GAME/Options.ini"
  start_game
  id=$(wait_window "Tavrik 0.91") || fail "no window; output: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  wait_for_title || fail "no title screen"
  wait_size "$id" 640x480 "at start"
  press F11
  wait_size "$id" 1024x768 "after F11 on the title"
  borderless "$id"
  wait_settings 2
  press Return  # a game starts full screen, and goes on after the switch back
  sleep 1
  # The keyboard's focus on the window itself, not following the pointer: the switch unmaps
  # the window, and the focus must come back with it.
  [ "$MANAGER" = openbox ] || xdotool windowfocus --sync "$id"
  press F11
  wait_size "$id" 640x480 "after F11 in play"
  wait_settings 0
  kill -0 "$GAME_PID" 2>/dev/null || fail "the game ended"
  # The window's own unmapping and mapping is not the player leaving: no pause.
  ! grep -E "lost the focus|was unmapped" "$WORK/err.txt" || fail "F11 counted as leaving the window"
  press F11
  wait_size "$id" 1024x768 "after F11 in play again"
  wait_settings 2
  quit_game

  # The next start opens full screen at once, with no mode switch and the file as it was.
  start_game
  id=$(wait_window "Tavrik 0.91") || fail "no window at the next start; output: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  wait_for_title || fail "no title screen at the next start"
  wait_size "$id" 1024x768 "at the next start"
  borderless "$id"
  wait_settings 2
  quit_game
  echo "PASS F11 there and back, and kept for the next start ($MANAGER)"
}

# Under openbox the window manager is asked for the full-screen state.
export -f settings wait_size wait_settings borderless
export MANAGER="no window manager"
run_under_xvfb || exit 1
export MANAGER=openbox
run_under_openbox
