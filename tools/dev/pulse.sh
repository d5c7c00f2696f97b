#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A private, headless PulseAudio server for tests: a microphone "mic" that hears a 440 Hz tone and
# a silent speaker "out" whose sound can be recorded back from the source "outmon". Each input is a
# null sink whose monitor is remapped. The on-demand tones are module-sine, made in the server;
# module-sine asks for no latency, and a remapped monitor passes on none, so a null sink would work
# in blocks of up to two seconds: a loopback of silence into it, at 20 ms, keeps them small.
#
#   tools/dev/pulse.sh start DIR              start the server with its tone, wait until it runs
#   tools/dev/pulse.sh stop DIR               stop it
#   tools/dev/pulse.sh env DIR                print the variables a client needs (eval them)
#   tools/dev/pulse.sh second-input DIR       add "mic2", an input that hears 880 Hz
#   tools/dev/pulse.sh output-tone DIR on|off play 1 kHz into the default output, or stop it
set -euo pipefail

cmd=${1:?start, stop or env}
dir=$(mkdir -p "${2:?folder}" && cd "$2" && pwd)

source "$(dirname "$0")/processes.sh"
source "$(dirname "$0")/soundclient.sh"

case "$cmd" in
env)
    client_env
    ;;
start)
    "$0" stop "$dir" >/dev/null 2>&1 || true
    rm -f "$dir/output-tone.module"
    mkdir -p "$dir/run" "$dir/state" "$dir/config" "$dir/home"
    cat >"$dir/headless.pa" <<PA
load-module module-native-protocol-unix auth-anonymous=1 socket=$dir/run/native
load-module module-null-sink sink_name=out rate=44100 channels=2
load-module module-null-sink sink_name=feed rate=44100 channels=2
load-module module-remap-source source_name=mic master=feed.monitor source_properties=device.description=Microphone
load-module module-null-sink sink_name=hush rate=44100 channels=2
load-module module-remap-source source_name=outmon master=out.monitor
set-default-sink out
set-default-source mic
PA
    echo "autospawn = no" >"$dir/client.conf"
    eval "$(client_env)"
    HOME="$dir/home" PULSE_STATE_PATH="$dir/state" PULSE_CONFIG_PATH="$dir/config" \
        pulseaudio -n -F "$dir/headless.pa" --daemonize=no --exit-idle-time=-1 --use-pid-file=no \
        --log-target="file:$dir/pulse.log" </dev/null >/dev/null 2>&1 &
    echo $! >"$dir/pulse.pid"
    for _ in $(seq 100); do
        pactl info >/dev/null 2>&1 && break
        sleep 0.1
    done
    pactl info >/dev/null 2>&1 || { echo "pulseaudio did not start; see $dir/pulse.log" >&2; exit 1; }
    # The microphone's tone, fed by a client with a long buffer: module-sine here (as the on-demand
    # tones are) left takes of the stop test 200 ms short now and then, which this feed does not.
    (sox -q -n -r 44100 -c 2 -b 16 -e signed -t raw - synth 7200 sine 440 vol 0.5 |
        pacat --playback --device=feed --latency-msec=100 --rate=44100 --channels=2 --format=s16le \
            --raw) </dev/null >/dev/null 2>&1 &
    echo $! >"$dir/feed.pid"
    # The null sinks start out in 2 s blocks: give them time to settle before anyone records.
    sleep 2.5
    echo "pulseaudio running in $dir"
    ;;
stop)
    if [ -f "$dir/feed.pid" ]; then
        pkill -P "$(cat "$dir/feed.pid")" 2>/dev/null || true
        stop_pid "$dir/feed.pid"
    fi
    stop_pid "$dir/pulse.pid"
    ;;
second-input)
    eval "$(client_env)"
    pactl list short sources | grep -q "^[0-9]*[[:space:]]mic2[[:space:]]" && exit 0
    pactl load-module module-null-sink sink_name=feed2 rate=44100 channels=2 >/dev/null
    pactl load-module module-remap-source source_name=mic2 master=feed2.monitor \
        source_properties=device.description=Microphone-2 >/dev/null
    pactl load-module module-sine sink=feed2 frequency=880 >/dev/null
    pactl load-module module-loopback source=hush.monitor sink=feed2 latency_msec=20 >/dev/null
    ;;
output-tone)
    eval "$(client_env)"
    case "${3:-}" in
    on)
        [ -f "$dir/output-tone.module" ] && exit 0
        # No sink named: the default output, followed when it changes; and the silence that keeps
        # a null sink's blocks small.
        {
            pactl load-module module-sine frequency=1000
            pactl load-module module-loopback source=hush.monitor latency_msec=20
        } >"$dir/output-tone.module"
        ;;
    off)
        [ -f "$dir/output-tone.module" ] || exit 0
        while read -r module; do pactl unload-module "$module"; done <"$dir/output-tone.module"
        rm -f "$dir/output-tone.module"
        ;;
    *) usage ;;
    esac
    ;;
*)
    usage
    ;;
esac
