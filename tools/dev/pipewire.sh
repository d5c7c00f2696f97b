#!/usr/bin/env bash
# A private, headless PipeWire for tests, served through pipewire-pulse on the same socket and
# with the same devices as tools/dev/pulse.sh: a microphone "mic" that plays a 440 Hz tone (the
# monitor of the null sink "feed") and a silent speaker "out" recorded back from "outmon". The
# graph keeps PipeWire's defaults (48 kHz, 1024-frame quantum): what users have.
#
#   tools/dev/pipewire.sh start DIR    start dbus, pipewire, wireplumber, pipewire-pulse and the tone
#   tools/dev/pipewire.sh stop DIR     stop them
#   tools/dev/pipewire.sh env DIR      print the variables a client needs (eval them)
set -euo pipefail

cmd=${1:?start, stop or env}
dir=$(mkdir -p "${2:?folder}" && cd "$2" && pwd)

source "$(dirname "$0")/processes.sh"
source "$(dirname "$0")/soundclient.sh"

# The servers' own world: runtime folder, home, configuration, state and session bus.
server_env() {
    export XDG_RUNTIME_DIR="$dir/xdg" HOME="$dir/home" XDG_CONFIG_HOME="$dir/config" XDG_STATE_HOME="$dir/state"
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$dir/xdg/bus"
    unset PULSE_RUNTIME_PATH PULSE_STATE_PATH PULSE_CONFIG_PATH PULSE_COOKIE PULSE_SERVER PIPEWIRE_REMOTE
}

wait_for() { # what, test command...
    local what=$1
    shift
    for _ in $(seq 100); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.05
    done
    echo "$what did not start; see $dir/*.log" >&2
    exit 1
}

case "$cmd" in
env)
    client_env
    ;;
start)
    "$0" stop "$dir" >/dev/null 2>&1 || true
    rm -rf "$dir/xdg" "$dir/run"
    mkdir -p "$dir/xdg" "$dir/run" "$dir/home" "$dir/state" "$dir/config/pipewire/pipewire-pulse.conf.d"
    chmod 700 "$dir/xdg" "$dir/run"
    # The clients' socket is where tools/dev/pulse.sh puts PulseAudio's.
    cat >"$dir/config/pipewire/pipewire-pulse.conf.d/10-address.conf" <<CONF
pulse.properties = { server.address = [ "unix:native" "unix:$dir/run/native" ] }
CONF
    echo "autospawn = no" >"$dir/client.conf"
    (
        server_env
        dbus-daemon --session --address="$DBUS_SESSION_BUS_ADDRESS" --nofork --nopidfile --syslog-only \
            </dev/null >"$dir/dbus.log" 2>&1 &
        echo $! >"$dir/dbus.pid"
        wait_for dbus test -S "$dir/xdg/bus"
        pipewire </dev/null >"$dir/pipewire.log" 2>&1 &
        echo $! >"$dir/pipewire.pid"
        wait_for pipewire test -S "$dir/xdg/pipewire-0"
        wireplumber </dev/null >"$dir/wireplumber.log" 2>&1 &
        echo $! >"$dir/wireplumber.pid"
        pipewire-pulse </dev/null >"$dir/pipewire-pulse.log" 2>&1 &
        echo $! >"$dir/pulse.pid" # the PulseAudio server, as tools/dev/pulse.sh names it
    )
    eval "$(client_env)"
    wait_for pipewire-pulse pactl info
    pactl load-module module-null-sink sink_name=out rate=44100 channels=2 >/dev/null
    pactl load-module module-null-sink sink_name=feed rate=44100 channels=2 >/dev/null
    pactl load-module module-remap-source source_name=mic master=feed.monitor >/dev/null
    pactl load-module module-remap-source source_name=outmon master=out.monitor >/dev/null
    pactl set-default-sink out
    pactl set-default-source mic
    start_tone
    echo "pipewire running in $dir"
    ;;
stop)
    stop_tone
    for name in pulse wireplumber pipewire dbus; do
        stop_pid "$dir/$name.pid"
    done
    ;;
*)
    echo "usage: $0 start|stop|env DIR" >&2
    exit 2
    ;;
esac
