#!/bin/bash
# tavrik --verify as a server would run it on files it is sent: the committed replay verifies
# (exit 0, its line); with its points edited, or one control changed, and the checksum made
# right again it exits 1; from another build 3; truncated, with a byte flipped, or missing 2.
# usage: replay_verify.sh TAVRIK REPLAY
set -u
TAVRIK=${1:?usage: replay_verify.sh TAVRIK REPLAY}
REPLAY=${2:?usage: replay_verify.sh TAVRIK REPLAY}
WORK=$(mktemp -d /tmp/tavrik-verify.XXXXXX)
trap 'rm -rf "$WORK"' EXIT
failed=0

# expect STATUS FILE: runs the verifier on FILE and checks its exit status.
expect() {
  local want=$1 file=$2 out status
  out=$("$TAVRIK" --verify "$file" 2>"$WORK/err.txt")
  status=$?
  echo "$(basename "$file"): exit $status: $out $(cat "$WORK/err.txt")"
  if [ "$status" != "$want" ]; then
    echo "FAIL: $(basename "$file") exits $status, not $want"
    failed=1
  fi
}

# altered NAME PYTHON: a copy of the replay changed by the Python statements (on bytearray
# b), with the trailing CRC-32 made right again.
altered() {
  python3 - "$REPLAY" "$WORK/$1" "$2" <<'PY'
import sys, zlib
source, target, change = sys.argv[1:4]
b = bytearray(open(source, 'rb').read())
exec(change)
b[-4:] = zlib.crc32(bytes(b[:-4])).to_bytes(4, 'little')
open(target, 'wb').write(b)
PY
}

expect 0 "$REPLAY"
line=$("$TAVRIK" --verify "$REPLAY")
[[ "$line" =~ ^points\ [0-9]+\ kills\ [0-9]+\ stage\ [0-9]+\ time\ [0-9]+\.[0-9]{2}\ end\ (game-over|quit)$ ]] ||
  { echo "FAIL: line \"$line\""; failed=1; }
# The result ends the file: points (8 bytes), kills, stage, steps (4 each), end (1), CRC (4).
altered points 'b[-25] = (b[-25] + 100) % 256'
expect 1 "$WORK/points"
# The identity is 16 hex digits in the clear header: one of them changed.
altered identity 'i = b.find(b"'"$("$TAVRIK" --identity)"'"); b[i] = ord("0") if b[i] != ord("0") else ord("1")'
expect 3 "$WORK/identity"
head -c 40 "$REPLAY" >"$WORK/truncated"
expect 2 "$WORK/truncated"
python3 -c 'import sys; b = bytearray(open(sys.argv[1], "rb").read()); b[len(b) // 2] ^= 0x10; open(sys.argv[2], "wb").write(b)' \
  "$REPLAY" "$WORK/flipped"
expect 2 "$WORK/flipped"
expect 2 "$WORK/missing"
exit $failed
