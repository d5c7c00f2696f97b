#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The running program's cost on a real (private) desktop and sound server:
#   CPU seconds per minute idle and while recording 44.1 kHz stereo, side by side with parecord
#   recording the same input, an empty Qt window with a 19 ms timer, and GNOME Sound Recorder when
#   it is installed, all read over the same three 60 s windows; peak RSS idle and after a long
#   recording; time to the window. The script installs nothing.
#
#   bench/desktop.sh [BUILD_DIR] [RECORD_SECONDS]     (defaults: build, 600)
#   bench/desktop.sh BUILD_DIR idle                    only the idle wake-ups, shown and in the tray
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:-$here/../build}" && pwd)
record_seconds=${2:-600}
dev=$here/../tools/dev
work=$(mktemp -d)
cleanup() {
    [ -n "${app:-}" ] && kill "$app" 2>/dev/null
    "$dev/xvfb.sh" stop "$work/x" >/dev/null 2>&1 || true
    "$dev/pulse.sh" stop "$work/pulse" >/dev/null 2>&1 || true
    rm -rf "$work"
}
trap cleanup EXIT

"$dev/pulse.sh" start "$work/pulse" >/dev/null
eval "$("$dev/pulse.sh" env "$work/pulse")"
"$dev/xvfb.sh" start "$work/x" :95 >/dev/null
export DISPLAY=:95 QUORVEL_DRIVE_C=$work XDG_STATE_HOME=$work XDG_CONFIG_HOME=$work
mkdir -p "$work/app"
cp "$build/app/quorvel" "$work/app/"
# Quality 15: 44.1 kHz, 16-bit stereo.
printf '0,0,700,70,15,6500,5265,4125,0,0,#FALSE#,#TRUE#\r\n' >"$work/app/settings9.txt"

ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
hz=$(getconf CLK_TCK)
cpu_per_minute() { # pid seconds
    local a b
    a=$(ticks "$1"); sleep "$2"; b=$(ticks "$1")
    echo "scale=3; ($b - $a) / $hz * 60 / $2" | bc
}
hwm() { awk '/VmHWM/ {print $2}' "/proc/$1/status"; }
# Times a thread was woken (voluntary context switches): pid; summed over the process's threads
wakes() { cat /proc/"$1"/task/*/status | awk '/^voluntary_ctxt_switches/ {n += $2} END {print n}'; }
ui_wakes() { awk '/^voluntary_ctxt_switches/ {print $2}' "/proc/$1/task/$1/status"; }
# The user-interface thread apart from the others (capture, X events), CPU and wake-ups: pid seconds
cpu_by_thread() {
    local a b all_a all_b wa wb ua ub
    a=$(awk '{print $14 + $15}' "/proc/$1/task/$1/stat"); all_a=$(ticks "$1"); wa=$(wakes "$1"); ua=$(ui_wakes "$1")
    sleep "$2"
    b=$(awk '{print $14 + $15}' "/proc/$1/task/$1/stat"); all_b=$(ticks "$1"); wb=$(wakes "$1"); ub=$(ui_wakes "$1")
    echo "$(echo "scale=3; ($all_b - $all_a) / $hz * 60 / $2" | bc) CPU s per minute:" \
        "user-interface thread $(echo "scale=3; ($b - $a) / $hz * 60 / $2" | bc)" \
        "($(( (ub - ua) / $2 )) wake-ups/s)," \
        "other threads $(echo "scale=3; ($all_b - $all_a - $b + $a) / $hz * 60 / $2" | bc)" \
        "($(( (wb - wa - ub + ua) / $2 )) wake-ups/s)"
}

echo "== time from launch to the window shown (5 runs, ms)"
for _ in 1 2 3 4 5; do
    start=$(date +%s%N)
    "$work/app/quorvel" >/dev/null 2>&1 &
    pid=$!
    until xdotool search --onlyvisible --name '^Quorvel$' >/dev/null 2>&1; do sleep 0.01; done
    echo $(( ($(date +%s%N) - start) / 1000000 ))
    kill "$pid"; wait "$pid" 2>/dev/null || true
done

"$work/app/quorvel" >/dev/null 2>&1 &
app=$!
xdotool search --sync --onlyvisible --name '^Quorvel$' >/dev/null

# How often the waiting program wakes: context switches of all its threads (voluntary or not),
# over 3 windows of 10 s, shown and then hidden in the tray ("Tray"), back by a click on the icon.
all_switches() { cat /proc/"$1"/task/*/status | awk '/ctxt_switches/ {n += $2} END {print n}'; }
idle_wakes() { # label
    local window a b
    for window in 1 2 3; do
        a=$(all_switches "$app"); sleep 10; b=$(all_switches "$app")
        echo "== idle, $1, window $window of 10 s: $(echo "scale=1; ($b - $a) / 10" | bc) wake-ups/s (all threads)"
    done
}
sleep 3
idle_wakes "window shown"
xdotool mousemove $((351 + 288)) $((275 + 96)) click 1
sleep 1
idle_wakes "in the tray"
xdotool mousemove 11 15 click 1
xdotool search --sync --onlyvisible --name '^Quorvel$' >/dev/null
[ "$record_seconds" = idle ] && exit 0
# The floor, side by side: an empty Qt window with nothing but a 19 ms timer, the size display's
# rhythm, runs through every window below.
"$build/bench/bench_emptywindow" >/dev/null 2>&1 &
empty=$!
sleep 3
echo "== peak RSS idle: $(hwm "$app") KiB"

# CPU of each process over the same 60 s windows: "name pid" pairs.
ui_ticks() { awk '{print $14 + $15}' "/proc/$1/task/$1/stat"; }
share() { echo "scale=3; $1 / $hz" | bc; }
measure_windows() { # label, then name pid pairs
    local label=$1 window; shift
    for window in 1 2 3; do
        local -A before=() after=()
        local name pid line="" ui_a ui_b wake_a wake_b
        local args=("$@")
        for ((i = 0; i < ${#args[@]}; i += 2)); do before[${args[i]}]=$(ticks "${args[i+1]}"); done
        ui_a=$(ui_ticks "$app"); wake_a=$(ui_wakes "$app")
        sleep 60
        for ((i = 0; i < ${#args[@]}; i += 2)); do after[${args[i]}]=$(ticks "${args[i+1]}"); done
        ui_b=$(ui_ticks "$app"); wake_b=$(ui_wakes "$app")
        for ((i = 0; i < ${#args[@]}; i += 2)); do
            name=${args[i]}
            line+="$name $(share $(( ${after[$name]} - ${before[$name]} ))), "
        done
        local q=$(( ${after[quorvel]} - ${before[quorvel]} )) e=$(( ${after[empty]} - ${before[empty]} ))
        line+="quorvel's user-interface thread $(share $((ui_b - ui_a))) ($(( (wake_b - wake_a) / 60 )) wake-ups/s)"
        if [ -n "${after[parecord]:-}" ]; then
            local p=$(( ${after[parecord]} - ${before[parecord]} ))
            line+="; (quorvel - empty) / parecord = $(echo "scale=2; ($q - $e) / $p" | bc)"
        else
            line+="; quorvel / empty = $(echo "scale=2; $q / $e" | bc)"
        fi
        echo "== $label, window $window of 60 s, CPU s per minute: $line"
    done
}

measure_windows "idle, window shown" quorvel "$app" empty "$empty"

xdotool mousemove $((351 + 232)) $((275 + 40)) click 1
# parecord records the same input alongside.
parecord --rate=44100 --channels=2 --format=s16le "$work/parecord.wav" &
rec=$!
peers=(quorvel "$app" parecord "$rec" empty "$empty")
# GNOME Sound Recorder, the recorder a desktop user would pick instead, when it is installed.
if command -v gnome-sound-recorder >/dev/null && command -v dbus-run-session >/dev/null; then
    GSK_RENDERER=cairo dbus-run-session -- gnome-sound-recorder >/dev/null 2>&1 &
    gnome=$!
    gwin=$(timeout 30 xdotool search --sync --onlyvisible --name '^Sound Recorder$' | head -1 || true)
    gpid=$(pgrep -f 'gjs-console /usr/bin/gnome-sound-recorder' | head -1 || true)
    if [ -n "$gpid" ] && [ -n "$gwin" ]; then
        # Beside quorvel's window, not over it; its Record button sits at the left of its header.
        xdotool windowmove "$gwin" 0 440
        sleep 1
        eval "$(xdotool getwindowgeometry --shell "$gwin")"
        xdotool mousemove $((X + 58)) $((Y + 27)) click 1
        peers+=(gnome "$gpid")
    else
        echo "== GNOME Sound Recorder did not come up: no row for it"
    fi
else
    echo "== GNOME Sound Recorder is not installed (Debian's gnome-sound-recorder): no row for it"
fi
sleep 2
measure_windows "recording 44.1 kHz stereo" "${peers[@]}"
kill "$rec" "$empty" 2>/dev/null || true
if [ -n "${gnome:-}" ]; then
    echo "== GNOME Sound Recorder peak RSS: $(awk '/VmHWM/ {print $2}' "/proc/${gpid:-0}/status" 2>/dev/null || echo '?') KiB"
    pkill -f 'gjs-console /usr/bin/gnome-sound-recorder' || true
    kill "$gnome" 2>/dev/null || true
fi

sleep $(( record_seconds > 190 ? record_seconds - 190 : 0 ))
echo "== after recording ${record_seconds} s: peak RSS $(hwm "$app") KiB, spool $(du -k "$work"/quorvel/quorvel-spool-* | cut -f1) KiB"
xdotool mousemove $((351 + 232)) $((275 + 40)) click 1
sleep 1
kill "$app"; wait "$app" 2>/dev/null || true
app=
