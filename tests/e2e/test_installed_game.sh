#!/usr/bin/env bash
# The installed game, run by a player whose home is a fresh folder, from that folder: the first
# start's options screen writes ~/.config/tavrik/Options.ini, the title screen saves
# ~/.local/share/tavrik/Highscore.txt, left Alt saves a screenshot into
# ~/.local/share/tavrik/screenshots/, and nothing appears under the prefix or in the working
# folder besides the XDG folders. A player whose settings folder cannot be made is told the
# settings were not saved, and plays on.
source "$(dirname "$0")/lib.sh"
BUILD=$(dirname "$GAME_SRC")
DEST="$WORK/dest"
DESTDIR="$DEST" cmake --install "$BUILD" --prefix /usr >"$WORK/install.txt" 2>&1 \
  || fail "install: $(cat "$WORK/install.txt")"
PLAYER_HOME="$WORK/home"
mkdir -p "$PLAYER_HOME"
unset XDG_CONFIG_HOME XDG_DATA_HOME

run() {
  (cd "$DEST" && find . -printf '%p %s %T@\n' | sort) >"$WORK/before.txt"
  (cd "$PLAYER_HOME" && HOME="$PLAYER_HOME" exec "$DEST/usr/games/tavrik") >"$WORK/out.txt" 2>"$WORK/err.txt" &
  GAME_PID=$!
  wait_window "Tavrik 0.91" >/dev/null || fail "no options window: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  sleep 0.5
  press Return
  data="$PLAYER_HOME/.local/share/tavrik"
  wait_file "$data/Highscore.txt" || fail "no Highscore.txt in $data: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  sleep 0.5
  press Alt_L
  wait_file "$data/screenshots/pic0.png" || fail "no screenshot: $(ls -R "$PLAYER_HOME")"
  quit_game

  printf 'GFX X=1024\r\nGFX Y=768\r\nGFX Full=1\r\nGFX Camera Delay=0\r\nSoundEffectVolume=70\r\nMusicVolume=100\r\nOnlineHighscore=0\r\nPlayer=New Player\r\nFire Mode=0\r\nHold Heading Mode=0\r\nRumble=2\r\nRocket Alarm Sound=1\r\nUI Scale=0\r\n' >"$WORK/expected.ini"
  cmp -s "$PLAYER_HOME/.config/tavrik/Options.ini" "$WORK/expected.ini" \
    || fail "Options.ini: $(ls -R "$PLAYER_HOME")"
  [ -d "$data/music" ] || fail "no music folder for the player's tracks"
  [ "$(ls -A "$PLAYER_HOME" | tr '\n' ' ')" = ".config .local " ] || fail "home holds: $(ls -A "$PLAYER_HOME")"
  grep -q "^folders: installed; data $DEST/usr/share/games/tavrik/" "$WORK/err.txt" \
    || fail "no note of the folders: $(cat "$WORK/err.txt")"
  (cd "$DEST" && find . -printf '%p %s %T@\n' | sort) >"$WORK/after.txt"
  cmp -s "$WORK/before.txt" "$WORK/after.txt" || fail "written under the prefix: $(diff "$WORK/before.txt" "$WORK/after.txt")"

  # A file where ~/.config should be: no settings folder, even for root.
  rm -rf "$PLAYER_HOME"
  mkdir -p "$PLAYER_HOME"
  : >"$PLAYER_HOME/.config"
  (cd "$PLAYER_HOME" && HOME="$PLAYER_HOME" exec "$DEST/usr/games/tavrik") >"$WORK/out.txt" 2>"$WORK/err.txt" &
  GAME_PID=$!
  wait_window "Tavrik 0.91" >/dev/null || fail "no options window: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  sleep 0.5
  press Return
  wait_file "$data/Highscore.txt" || fail "no title screen without settings: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  grep -q "^settings not saved: $PLAYER_HOME/.config: Not a directory" "$WORK/err.txt" \
    || fail "no word of the settings: $(cat "$WORK/err.txt")"
  quit_game
  echo "PASS installed game"
}
export DEST PLAYER_HOME
run_under_xvfb
