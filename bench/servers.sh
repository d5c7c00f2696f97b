#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# bench/servers.sh BUILD [SECONDS]: on a private PulseAudio and a private PipeWire in turn, five 3 s
# takes through quorvel-mci ("record", "sleep 3000", "stop"; the take's length against the 3 s
# between the commands, and how long "record" and "stop" took), then one take of SECONDS (default
# 20) with "play" after it: the take's length, its deepest 10 ms RMS trough (a gap shows as a
# trough far below the tone's -9 dB), and the CPU the server's processes used meanwhile.
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
seconds=${2:-20}
dev=$(cd "$(dirname "$0")/../tools/dev" && pwd)
work=$(mktemp -d)
trap 'for s in pulse pipewire; do "$dev/$s.sh" stop "$work/$s" >/dev/null 2>&1 || true; done; rm -rf "$work"' EXIT
export QUORVEL_DRIVE_C=$work/drive XDG_STATE_HOME=$work/state
mkdir -p "$QUORVEL_DRIVE_C"
format="set capture samplespersec 44100 channels 2 bitspersample 16 alignment 4 bytespersec 176400"

cpu_ticks() { # pid files...: utime + stime of those processes, in clock ticks
    local total=0 file
    for file in "$@"; do
        [ -f "$file" ] || continue
        total=$((total + $(awk '{print $14 + $15}' "/proc/$(cat "$file")/stat")))
    done
    echo "$total"
}

for server in pulse pipewire; do
    "$dev/$server.sh" start "$work/$server" >/dev/null
    eval "$("$dev/$server.sh" env "$work/$server")"
    echo "== $server"
    for i in 1 2 3 4 5; do
        times=$("$build/app/quorvel-mci" --timing "open new type waveaudio alias capture" "$format" "record capture" \
            "sleep 3000" "stop capture" "save capture c:\\take$i.wav" | awk -F'\t' 'NR==3{r=$3} NR==4{s=$3} END{printf "record %.1f ms, stop %.1f ms", r, s}')
        echo "3 s take $i: $(soxi -D "$QUORVEL_DRIVE_C/take$i.wav") s; $times"
    done
    pids=("$work/$server/pulse.pid" "$work/$server/pipewire.pid" "$work/$server/wireplumber.pid")
    before=$(cpu_ticks "${pids[@]}")
    times=$("$build/app/quorvel-mci" --timing "open new type waveaudio alias capture" "$format" "record capture" \
        "sleep $((seconds * 1000))" "stop capture" "save capture c:\\long.wav" "play capture from 0" "sleep 500" \
        "stop capture" | awk -F'\t' 'NR==3{r=$3} NR==6{p=$3} END{printf "record %.1f ms, play %.1f ms", r, p}')
    after=$(cpu_ticks "${pids[@]}")
    trough=$(sox "$QUORVEL_DRIVE_C/long.wav" -n remix 1 stats -w 0.01 2>&1 | awk '/RMS Tr/{print $4}')
    echo "$seconds s take: $(soxi -D "$QUORVEL_DRIVE_C/long.wav") s, deepest 10 ms RMS $trough dB; $times;" \
        "server CPU $(echo "scale=2; ($after - $before) / $(getconf CLK_TCK)" | bc) s"
    "$dev/$server.sh" stop "$work/$server" >/dev/null
done
