#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A private, headless PipeWire for tests, served through pipewire-pulse on the same socket and
# with the same devices as tools/dev/pulse.sh: a microphone "mic" that hears a 440 Hz tone and a
# silent speaker "out" recorded back from "outmon". The tone is made inside the server (see
# tone_chain). The graph keeps PipeWire's defaults (48 kHz, 1024-frame quantum): what users have.
#
#   tools/dev/pipewire.sh start DIR              start dbus, pipewire, wireplumber and pipewire-pulse
#   tools/dev/pipewire.sh stop DIR               stop them
#   tools/dev/pipewire.sh env DIR                print the variables a client needs (eval them)
#   tools/dev/pipewire.sh second-input DIR       add "mic2", an input that hears 880 Hz
#   tools/dev/pipewire.sh output-tone DIR on|off play 1 kHz into the default output, or stop it
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

# A tone made inside PipeWire: a filter chain whose graph is LADSPA's sine oscillator, with a
# silent input from the null sink "hush" that gives it the server's clock (a timer of the server's,
# never a client that can fall behind). NAME, frequency, then the properties of its output: a
# source, or a stream into the default output.
tone_chain() {
    cat <<CHAIN
{ node.description = "$1" audio.channels = 2 audio.position = [ FL FR ]
  filter.graph = {
      nodes = [
          { type = ladspa name = tone plugin = sine label = sine_fcac
            control = { "Frequency (Hz)" = $2 "Amplitude" = 0.5 } }
          { type = builtin name = mix label = mixer control = { "Gain 1" = 1.0 "Gain 2" = 0.0 } }
      ]
      links = [ { output = "tone:Output" input = "mix:In 1" } ]
      inputs = [ "mix:In 2" ]
      outputs = [ "mix:Out" ]
  }
  capture.props = { node.name = "$1-clock" node.passive = true target.object = "hush" stream.capture.sink = true }
  playback.props = { node.name = "$1" $3 } }
CHAIN
}

# The same, made on demand: the chain lives, and is run in step with the graph, in the pw-cli that
# loaded it.
chain_on_demand() { # pid file, then tone_chain's arguments
    local file=$1
    shift
    pw-cli -m load-module libpipewire-module-filter-chain "$(tone_chain "$@")" </dev/null >/dev/null 2>&1 &
    echo $! >"$file"
    for _ in $(seq 100); do
        [ -n "$(node_id "$1")" ] && return 0
        sleep 0.05
    done
    echo "the tone $1 was not made; see $dir/pipewire.log" >&2
    exit 1
}

node_id() { # node name
    pw-cli ls Node | awk -v name="node.name = \"$1\"" '$1 == "id" { id = $2 } index($0, name) { sub(",", "", id); print id }'
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
    mkdir -p "$dir/config/pipewire/pipewire.conf.d"
    cat >"$dir/config/pipewire/pipewire.conf.d/20-microphone.conf" <<CONF
context.objects = [
    { factory = adapter
      args = { factory.name = support.null-audio-sink node.name = hush node.description = "Silence"
               media.class = Audio/Sink audio.position = [ FL FR ] object.linger = true } }
]
context.modules = [
    { name = libpipewire-module-filter-chain args = $(tone_chain mic 440 "node.description = Microphone media.class = Audio/Source") }
]
CONF
    # No Bluetooth in a test server: its monitor also needs logind, which a machine without
    # systemd (a container, a chroot) lacks, and WirePlumber would end at start-up without it.
    mkdir -p "$dir/config/wireplumber/bluetooth.lua.d"
    echo "bluez_monitor.enabled = false" >"$dir/config/wireplumber/bluetooth.lua.d/60-no-bluetooth.lua"
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
    pactl load-module module-remap-source source_name=outmon master=out.monitor >/dev/null
    pactl set-default-sink out
    pactl set-default-source mic
    echo "pipewire running in $dir"
    ;;
second-input)
    server_env
    [ -f "$dir/second-input.pid" ] || chain_on_demand "$dir/second-input.pid" mic2 880 \
        "node.description = \"Microphone 2\" media.class = Audio/Source"
    ;;
output-tone)
    server_env
    case "${3:-}" in
    on) [ -f "$dir/output-tone.pid" ] || chain_on_demand "$dir/output-tone.pid" output-tone 1000 "media.class = Stream/Output/Audio" ;;
    off) stop_pid "$dir/output-tone.pid" ;;
    *) usage ;;
    esac
    ;;
stop)
    stop_pid "$dir/output-tone.pid"
    stop_pid "$dir/second-input.pid"
    for name in pulse wireplumber pipewire dbus; do
        stop_pid "$dir/$name.pid"
    done
    ;;
*)
    usage
    ;;
esac
