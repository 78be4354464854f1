#!/bin/bash
# The game must compute the same bits on every x86-64 machine. glibc picks its maths
# functions by CPU at load time, so each command here runs twice: as this CPU offers itself,
# and with FMA and AVX2 hidden from glibc, as on an older machine. The exit status and the
# first line of output must be the same both ways; the rest of the output is only shown.
# usage: same_across_cpus.sh TRIG_DIGEST
set -u

TRIG_DIGEST=${1:?usage: same_across_cpus.sh TRIG_DIGEST}
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
  if [ "$plain_status" != "$masked_status" ] || [ "${plain%%$'\n'*}" != "${masked%%$'\n'*}" ]; then
    echo "FAIL: $name differs between the two runs"
    failed=1
  fi
}

# First line: the game's trigonometry; second: the C library's, for comparison.
same_both_ways trig "$TRIG_DIGEST"

exit $failed
