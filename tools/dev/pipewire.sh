#!/usr/bin/env bash
# A private, headless PipeWire for tests, served through pipewire-pulse on the same socket and
# with the same devices as tools/dev/pulse.sh: a microphone "mic" that hears a 440 Hz tone and a
# silent speaker "out" recorded back from "outmon". Each tone is a node of the server's own
# (SPA's audiotestsrc), as a sound card's source would be. The graph keeps PipeWire's defaults
# (48 kHz, 1024-frame quantum): what users have.
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

# The microphone: a tone node made by the server, as a sound card's source would be. audiotestsrc
# plays 440 Hz at full scale; the node's own converter takes it to the rig's 0.5. It follows the
# graph's driver, making each period in the cycle that asks for it: as a driver itself (its
# default) it runs on a timer that stops for good, and with it every stream of its graph, the
# first time a period finds no free buffer (when a stream leaves). Its frequency can't be changed
# from outside: pw-cli and WirePlumber set that property as an integer, which the plugin ignores,
# so the on-demand tones below are played by a client instead.
mic_node() {
    local id
    pw-cli create-node adapter '{ factory.name = audiotestsrc library.name = audiotestsrc/libspa-audiotestsrc
        node.name = mic node.description = Microphone media.class = Audio/Source
        audio.position = [ FL FR ] object.linger = true node.driver = false node.want-driver = true }' >/dev/null
    for _ in $(seq 100); do
        id=$(node_id mic)
        [ -n "$id" ] && break
        sleep 0.05
    done
    [ -n "$id" ] || { echo "the microphone node was not made; see $dir/pipewire.log" >&2; exit 1; }
    pw-cli set-param "$id" Props '{ channelVolumes: [ 0.5, 0.5 ] }' >/dev/null
}

# A tone played by a client with a long buffer: into DEVICE (empty: the default output, followed
# when it changes) at FREQUENCY, until its pid file's process is stopped.
client_tone() { # pid file, frequency, device
    local device=()
    [ -n "$3" ] && device=(--device="$3")
    (sox -q -n -r 48000 -c 2 -b 16 -e signed -t raw - synth 7200 sine "$2" vol 0.5 |
        pacat --playback "${device[@]}" --latency-msec=200 --rate=48000 --channels=2 --format=s16le \
            --raw) </dev/null >/dev/null 2>&1 &
    echo $! >"$1"
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
    (server_env && mic_node)
    pactl set-default-sink out
    pactl set-default-source mic
    echo "pipewire running in $dir"
    ;;
second-input)
    eval "$(client_env)"
    [ -f "$dir/second-input.pid" ] && exit 0
    pactl load-module module-null-sink sink_name=feed2 rate=48000 channels=2 >/dev/null
    pactl load-module module-remap-source source_name=mic2 master=feed2.monitor \
        source_properties=device.description=Microphone-2 >/dev/null
    client_tone "$dir/second-input.pid" 880 feed2
    ;;
output-tone)
    eval "$(client_env)"
    case "${3:-}" in
    on) [ -f "$dir/output-tone.pid" ] || client_tone "$dir/output-tone.pid" 1000 "" ;;
    off) stop_tone "$dir/output-tone.pid" ;;
    *) usage ;;
    esac
    ;;
stop)
    stop_tone "$dir/output-tone.pid"
    stop_tone "$dir/second-input.pid"
    for name in pulse wireplumber pipewire dbus; do
        stop_pid "$dir/$name.pid"
    done
    ;;
*)
    usage
    ;;
esac
