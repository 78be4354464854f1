#!/usr/bin/env bash
# Runs a command under an Xorg server of its own with the dummy video driver, so that
# video-mode switches can be tested without a screen: a free display number picked by
# the server (-displayfd), our own config, logs in a temporary folder, stopped afterwards.
# Usage: with-xorg-dummy.sh command args...
set -u
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /tmp/xorg-dummy.XXXXXX)
mkdir -p "$work/conf.d"
# An empty config directory of our own, so no snippet of the machine is read.
echo "# nothing" >"$work/conf.d/00-empty.conf"
fifo="$work/displayfd"
mkfifo "$fifo"
# -sharevts -novtswitch: never take over or switch the machine's console.
Xorg -displayfd 3 -config "$here/xorg-dummy.conf" -configdir "$work/conf.d" \
    -logfile "$work/Xorg.log" -noreset -nolisten tcp -sharevts -novtswitch \
    3>"$fifo" >"$work/Xorg.out" 2>&1 &
xpid=$!
read -r -t 30 disp <"$fifo"
if [ -z "${disp:-}" ]; then
    echo "Xorg did not start; its log:" >&2
    tail -n 30 "$work/Xorg.log" "$work/Xorg.out" >&2 2>/dev/null
    kill "$xpid" 2>/dev/null
    wait "$xpid" 2>/dev/null
    rm -rf "$work"
    exit 1
fi
DISPLAY=":$disp" "$@"
rc=$?
kill "$xpid" 2>/dev/null
wait "$xpid" 2>/dev/null
if [ "${KEEP_XORG_LOG:-0}" = 1 ]; then echo "Xorg log kept in $work" >&2; else rm -rf "$work"; fi
exit $rc
