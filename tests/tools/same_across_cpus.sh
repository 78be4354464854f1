#!/bin/bash
# The game must compute the same bits on every x86-64 machine. glibc picks its maths
# functions by CPU at load time, so each command here runs twice: as this CPU offers itself,
# and with FMA and AVX2 hidden from glibc, as on an older machine. It must succeed both ways
# and print the same first line; the rest of the output is only shown.
# usage: same_across_cpus.sh TRIG_DIGEST [ASSET_GENERATOR]
# With TAVRIK and REPLAY set in the environment, the game also plays the committed replay again
# both ways, which must give its recorded results and world every second.
set -u

TRIG_DIGEST=${1:?usage: same_across_cpus.sh TRIG_DIGEST [ASSET_GENERATOR]}
ASSET_GENERATOR=${2:-}
# glibc 2.33 and later name the features without the old _Usable suffix.
MASKED_CPU='glibc.cpu.hwcaps=-AVX2,-FMA'
failed=0

# same_both_ways NAME COMMAND...: runs COMMAND normally and with the features masked.
same_both_ways() {
  local name=$1
  shift
  local plain masked plain_status masked_status
  plain=$("$@")
  plain_status=$?
  masked=$(GLIBC_TUNABLES=$MASKED_CPU "$@")
  masked_status=$?
  echo "$name, this CPU:   status $plain_status:" $plain
  echo "$name, FMA masked: status $masked_status:" $masked
  if [ "$plain_status" != 0 ] || [ "$masked_status" != 0 ]; then
    echo "FAIL: $name failed"
    failed=1
  elif [ "${plain%%$'\n'*}" != "${masked%%$'\n'*}" ]; then
    echo "FAIL: $name differs between the two runs"
    failed=1
  fi
}

# pictures_digest: one digest of every picture the generator draws (gfx/ and the desktop
# icons), drawn into a fresh folder. The replays depend on the pictures' collision masks.
pictures_digest() {
  local dir status
  dir=$(mktemp -d) || return 1
  "$ASSET_GENERATOR" --pictures-only "$dir/game" >/dev/null && "$ASSET_GENERATOR" --icons "$dir/icons" >/dev/null
  status=$?
  (cd "$dir" && find game/gfx icons -type f -print0 | LC_ALL=C sort -z | xargs -0 sha256sum | sha256sum | cut -d' ' -f1)
  rm -rf "$dir"
  return $status
}

# First line: the game's trigonometry; second: the C library's, for comparison.
same_both_ways trig "$TRIG_DIGEST"
if [ -n "$ASSET_GENERATOR" ]; then
  same_both_ways pictures pictures_digest
fi

if [ -n "${TAVRIK:-}" ] && [ -n "${REPLAY:-}" ]; then
  same_both_ways replay "$TAVRIK" --verify "$REPLAY"
fi

exit $failed
