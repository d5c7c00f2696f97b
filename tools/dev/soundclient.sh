# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the sound-server scripts: what a client needs to reach the private server in $dir.
# shellcheck shell=bash

client_env() {
    echo "export PULSE_SERVER=unix:$dir/run/native"
    echo "export PULSE_COOKIE=$dir/cookie"
    echo "export PULSE_RUNTIME_PATH=$dir/run"
    echo "export XDG_RUNTIME_DIR=$dir/run"
    echo "export PULSE_CLIENTCONFIG=$dir/client.conf"
}

# The tones, each of amplitude 0.5 (pulse.sh and pipewire.sh say how each server makes them):
#   mic     440 Hz, the default input
#   mic2    880 Hz, on demand (second-input)
#   1 kHz played into the default output, on demand (output-tone on|off)

usage() {
    echo "usage: $0 start|stop|env|second-input DIR | output-tone DIR on|off" >&2
    exit 2
}
