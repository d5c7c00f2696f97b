#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A private X display with a notification area (trayer), for the desktop tests.
#
#   tools/dev/xvfb.sh start DIR DISPLAY   e.g. start build/test-x :93
#   tools/dev/xvfb.sh stop DIR
set -euo pipefail

cmd=${1:?start or stop}
dir=$(mkdir -p "${2:?folder}" && cd "$2" && pwd)

source "$(dirname "$0")/processes.sh"

case "$cmd" in
start)
    display=${3:?display, e.g. :93}
    "$0" stop "$dir" >/dev/null 2>&1 || true
    # A display left over by an earlier run that died.
    rm -f "/tmp/.X${display#:}-lock" "/tmp/.X11-unix/X${display#:}"
    Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >"$dir/xvfb.log" 2>&1 &
    echo $! >"$dir/xvfb.pid"
    for _ in $(seq 100); do
        DISPLAY=$display xdpyinfo >/dev/null 2>&1 && break
        sleep 0.1
    done
    DISPLAY=$display xdpyinfo >/dev/null 2>&1 || { echo "Xvfb did not start" >&2; exit 1; }
    # Answering is not enough: another server on that display would answer too.
    alive "$(cat "$dir/xvfb.pid")" || { echo "display $display is taken by another X server" >&2; exit 1; }
    DISPLAY=$display trayer --edge top --align left --widthtype pixel --width 120 --height 32 \
        --SetDockType true >"$dir/trayer.log" 2>&1 &
    echo $! >"$dir/trayer.pid"
    sleep 0.5
    echo "X display $display running"
    ;;
stop)
    stop_pid "$dir/trayer.pid"
    stop_pid "$dir/xvfb.pid"
    ;;
*)
    echo "usage: $0 start DIR DISPLAY | stop DIR" >&2
    exit 2
    ;;
esac
