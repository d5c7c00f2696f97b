#!/usr/bin/env bash
# A private, headless PulseAudio server for tests: a microphone that plays a 440 Hz tone and a
# silent speaker whose sound can be recorded back from the source "outmon".
#
#   tools/dev/pulse.sh start DIR    start the server and the tone, wait until they run
#   tools/dev/pulse.sh stop DIR     stop both
#   tools/dev/pulse.sh env DIR      print the variables a client needs (eval them)
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
    mkdir -p "$dir/run" "$dir/state" "$dir/config" "$dir/home"
    cat >"$dir/headless.pa" <<PA
load-module module-native-protocol-unix auth-anonymous=1 socket=$dir/run/native
load-module module-null-sink sink_name=out rate=44100 channels=2
load-module module-null-sink sink_name=feed rate=44100 channels=2
load-module module-remap-source source_name=mic master=feed.monitor
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
    start_tone
    echo "pulseaudio running in $dir"
    ;;
stop)
    stop_tone
    stop_pid "$dir/pulse.pid"
    ;;
*)
    echo "usage: $0 start|stop|env DIR" >&2
    exit 2
    ;;
esac
