#!/usr/bin/env bash
# Sound output of the real game: with ALSA's default device writing into a WAV file, the
# file says 16-bit stereo 44100 Hz and grows at that rate while the game runs; with no
# device at all the game runs normally, silently, and prints nothing about sound.
source "$(dirname "$0")/lib.sh"
run() {
  options 640 480 0
  out="$WORK/sound.wav"
  export TAVRIK_AUDIO_OUT="$out"
  export ALSA_CONFIG_PATH="$E2E_DIR/alsa-file.conf"
  start_game
  wait_window "Tavrik 0.91" >/dev/null || fail "no window: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  sleep 1
  [ -s "$out" ] || fail "no sound output file"
  size1=$(stat -c %s "$out"); t1=$(date +%s%N)
  sleep 3
  size2=$(stat -c %s "$out"); t2=$(date +%s%N)
  press Escape
  wait_exit 2
  [ "$rc" = "0" ] || fail "exit code with sound output: $rc"

  # The header the file device wrote from the format the game asked for.
  [ "$(head -c 4 "$out")" = "RIFF" ] || fail "output is not a RIFF file"
  read -r tag channels <<<"$(od -An -tu2 -j20 -N4 "$out")"
  rate=$(od -An -tu4 -j24 -N4 "$out" | tr -d ' ')
  bits=$(od -An -tu2 -j34 -N2 "$out" | tr -d ' ')
  [ "$tag/$channels/$rate/$bits" = "1/2/44100/16" ] ||
    fail "output format tag/channels/rate/bits = $tag/$channels/$rate/$bits"

  # 44100 frames of 4 bytes a second, within the device's write granularity.
  bytes_per_s=$(( (size2 - size1) * 1000000000 / (t2 - t1) ))
  [ "$bytes_per_s" -gt 140000 ] && [ "$bytes_per_s" -lt 215000 ] ||
    fail "output grew at $bytes_per_s bytes/s, expected about 176400"
  # The note naming the game's folders holds a random temporary path; it is not a sound message.
  cat "$WORK/out.txt" "$WORK/err.txt" | grep -v "folders:" | grep -qi "alsa\|snd_" && fail "sound messages printed"

  # No device: a default card that does not exist, and no /dev/dsp.
  export ALSA_CONFIG_PATH="$E2E_DIR/alsa-none.conf"
  rm -f "$out"
  start_game
  wait_window "Tavrik 0.91" >/dev/null || fail "no window without a device: $(cat "$WORK/out.txt" "$WORK/err.txt")"
  sleep 1
  kill -0 "$GAME_PID" 2>/dev/null || fail "game ended without a device"
  press Escape
  wait_exit 2
  [ "$rc" = "0" ] || fail "exit code without a device: $rc"
  [ -e "$out" ] && fail "output written without a device"
  [ -s "$WORK/out.txt" ] && fail "printed without a device: $(cat "$WORK/out.txt")"
  grep -v "folders:" "$WORK/err.txt" | grep -qi "alsa\|snd_\|dsp" && fail "sound messages without a device: $(cat "$WORK/err.txt")"
  echo "PASS sound output format, rate ($bytes_per_s bytes/s) and silent run"
}
export -f run options start_game wait_window press wait_exit fail
export GAME WORK XSHOT E2E_DIR
"$E2E_DIR/with-xvfb.sh" bash -c run
