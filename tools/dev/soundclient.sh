# Shared by the sound-server scripts: what a client needs to reach the private server in $dir.
# shellcheck shell=bash

client_env() {
    echo "export PULSE_SERVER=unix:$dir/run/native"
    echo "export PULSE_COOKIE=$dir/cookie"
    echo "export PULSE_RUNTIME_PATH=$dir/run"
    echo "export XDG_RUNTIME_DIR=$dir/run"
    echo "export PULSE_CLIENTCONFIG=$dir/client.conf"
}

# The microphone's tone is made inside the server, clocked by it: no client feeds it, so none can
# fall behind and leave a gap in what the microphone hears. Its amplitude is 0.5.
#   mic     440 Hz, the default input
#   mic2    880 Hz, on demand (second-input)
#   1 kHz played into the default output, on demand (output-tone on|off)

stop_tone() { # pid file of a client tone
    if [ -f "$1" ]; then
        pkill -P "$(cat "$1")" 2>/dev/null || true
        stop_pid "$1"
    fi
}

usage() {
    echo "usage: $0 start|stop|env|second-input DIR | output-tone DIR on|off" >&2
    exit 2
}
