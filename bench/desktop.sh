#!/usr/bin/env bash
# The running program's cost on a real (private) desktop and sound server:
#   CPU seconds per minute idle and while recording 44.1 kHz stereo, against parecord recording
#   the same input in the same run and an empty Qt window with a 19 ms timer; peak RSS idle and
#   after a long recording; time to the window.
#
#   bench/desktop.sh [BUILD_DIR] [RECORD_SECONDS]     (defaults: build, 600)
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
sleep 3
echo "== idle, window shown, timers running: $(cpu_per_minute "$app" 60) CPU s per minute; peak RSS $(hwm "$app") KiB"

xdotool mousemove $((351 + 232)) $((275 + 40)) click 1
sleep 2
echo "== recording 44.1 kHz stereo, alone: $(cpu_by_thread "$app" 60)"

# parecord records the same input alongside; both are measured over the same windows.
parecord --rate=44100 --channels=2 --format=s16le "$work/parecord.wav" &
rec=$!
sleep 2
for window in 1 2 3; do
    qa=$(ticks "$app"); pa=$(ticks "$rec"); pwa=$(wakes "$rec")
    sleep 60
    qb=$(ticks "$app"); pb=$(ticks "$rec"); pwb=$(wakes "$rec")
    q=$(echo "scale=3; ($qb - $qa) / $hz" | bc); p=$(echo "scale=3; ($pb - $pa) / $hz" | bc)
    echo "== window $window of 60 s: quorvel recording $q, parecord $p CPU s per minute: $(echo "scale=2; $q / $p" | bc) x parecord" \
        "(parecord woken $(( (pwb - pwa) / 60 ))/s)"
done
kill "$rec"

# The floor: an empty Qt window with nothing but a 19 ms timer, the size display's rhythm.
"$build/bench/bench_emptywindow" >/dev/null 2>&1 &
empty=$!
sleep 2
echo "== empty Qt window with a 19 ms timer, for reference: $(cpu_per_minute "$empty" 60) CPU s per minute"
kill "$empty"

sleep $(( record_seconds > 310 ? record_seconds - 310 : 0 ))
echo "== after recording ${record_seconds} s: peak RSS $(hwm "$app") KiB, spool $(du -k "$work"/quorvel/quorvel-spool-* | cut -f1) KiB"
xdotool mousemove $((351 + 232)) $((275 + 40)) click 1
sleep 1
kill "$app"; wait "$app" 2>/dev/null || true
app=
