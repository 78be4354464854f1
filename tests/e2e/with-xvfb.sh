#!/usr/bin/env bash
# Runs a command under an X server of its own: a fresh Xvfb on a display number it picks
# itself (-displayfd), stopped again when the command ends. It does not reset when its last
# client leaves, so a client that connects just then (a window manager after a probe) is not refused.
# Usage: with-xvfb.sh [-s WxHxD] command args...
set -u
size=1024x768x24
if [ "${1:-}" = "-s" ]; then size=$2; shift 2; fi
fifo=$(mktemp -u /tmp/xvfb-fd.XXXXXX)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 "$size" -nolisten tcp -noreset +extension GLX 3>"$fifo" >/dev/null 2>&1 &
xpid=$!
read -r -t 20 disp <"$fifo"
rm -f "$fifo"
if [ -z "${disp:-}" ]; then echo "Xvfb did not start" >&2; kill "$xpid" 2>/dev/null; exit 1; fi
# The server has named its display; wait until it answers a client before going on.
for _ in $(seq 1 50); do
  DISPLAY=":$disp" xdotool getdisplaygeometry >/dev/null 2>&1 && break
  sleep 0.1
done
DISPLAY=":$disp" "$@"
rc=$?
kill "$xpid" 2>/dev/null
wait "$xpid" 2>/dev/null
exit $rc
