#!/usr/bin/env bash
# Runs a command under an X server of its own: a fresh Xvfb on a free display number,
# stopped again when the command ends. Usage: with-xvfb.sh [-s WxHxD] command args...
set -u
size=1024x768x24
if [ "${1:-}" = "-s" ]; then size=$2; shift 2; fi
for n in $(seq 90 190); do
  [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ] || { disp=$n; break; }
done
Xvfb ":$disp" -screen 0 "$size" -nolisten tcp +extension GLX >/tmp/xvfb-$disp.log 2>&1 &
xpid=$!
for _ in $(seq 1 100); do
  [ -e /tmp/.X11-unix/X$disp ] && break
  sleep 0.05
done
DISPLAY=":$disp" "$@"
rc=$?
kill "$xpid" 2>/dev/null
wait "$xpid" 2>/dev/null
exit $rc
