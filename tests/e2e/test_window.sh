#!/usr/bin/env bash
# The game opens a window named "Tavrik 0.91" of the configured size that tells the desktop
# who it is (class, process, icon); Escape ends it with code 0 (within a second of start-up;
# the wait allows for a loaded machine's start-up). A size larger than the screen opens as the
# largest window of its shape that fits, its frame included under openbox, and Options.ini
# keeps the size asked for.
source "$(dirname "$0")/lib.sh"

# geometry ID: the window's size, e.g. 640x480.
geometry() { xdotool getwindowgeometry "$1" | awk '/Geometry/ {print $2}'; }

# fitted ID: fails unless the window asked for at 1600 x 900 is the largest 16:9 window whose
# frame (if any) fits the 1024 x 768 screen.
fitted() {
  local w h l=0 r=0 t=0 b=0 extents
  IFS=x read -r w h <<<"$(geometry "$1")"
  extents=$(xprop -id "$1" _NET_FRAME_EXTENTS | grep -o '[0-9, ]*$' | tr -d ' ')
  [ -n "$extents" ] && IFS=, read -r l r t b <<<"$extents"
  local outer_w=$((w + l + r)) outer_h=$((h + t + b))
  { [ $outer_w -le 1024 ] && [ $outer_h -le 768 ]; } || fail "the window with its frame is ${outer_w}x$outer_h"
  { [ $outer_w -eq 1024 ] || [ $outer_h -eq 768 ]; } || fail "${w}x$h is not the largest that fits"
  local drift=$((h - w * 9 / 16))
  { [ $drift -ge -1 ] && [ $drift -le 1 ]; } || fail "${w}x$h is not 16:9"
}

run() {
  options 640 480 0
  start_game
  id=$(wait_window "Tavrik 0.91") || fail "no window named Tavrik 0.91; output: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  [ "$(geometry "$id")" = "640x480" ] || fail "window geometry $(geometry "$id"), expected 640x480"
  xprop -id "$id" WM_CLASS | grep -qx 'WM_CLASS(STRING) = "tavrik", "Tavrik"' || fail "class: $(xprop -id "$id" WM_CLASS)"
  xprop -id "$id" _NET_WM_PID | grep -qx "_NET_WM_PID(CARDINAL) = $GAME_PID" || fail "pid: $(xprop -id "$id" _NET_WM_PID)"
  # The portable game's icon is its ship, at each size from 16 x 16 up.
  icons=$(xprop -id "$id" _NET_WM_ICON | grep -o 'Icon ([0-9]* x [0-9]*)' | tr '\n' ' ')
  [ "$icons" = "Icon (16 x 16) Icon (32 x 32) Icon (48 x 48) Icon (64 x 64) " ] || fail "icons: $icons"
  sleep 0.5
  press Escape
  wait_exit 5
  [ "$rc" = "0" ] || fail "exit after Escape: $rc"

  options 1600 900 0
  cp "$GAME/Options.ini" "$WORK/asked.ini"
  start_game
  id=$(wait_window "Tavrik 0.91") || fail "no window for 1600 x 900; output: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  wait_for_title || fail "no title screen in the fitted window"
  fitted "$id"
  quit_game
  cmp -s "$GAME/Options.ini" "$WORK/asked.ini" || fail "Options.ini changed: $(od -c "$GAME/Options.ini" | head)"
  echo "PASS window, its identity, fitting and Escape"
}
export -f geometry fitted
run_under_xvfb || exit 1
run_under_openbox
