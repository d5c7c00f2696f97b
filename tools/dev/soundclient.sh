# Shared by the sound-server scripts: what a client needs to reach the private server in $dir,
# and the 440 Hz tone that the server's microphone hears.
# shellcheck shell=bash

client_env() {
    echo "export PULSE_SERVER=unix:$dir/run/native"
    echo "export PULSE_COOKIE=$dir/cookie"
    echo "export PULSE_RUNTIME_PATH=$dir/run"
    echo "export XDG_RUNTIME_DIR=$dir/run"
    echo "export PULSE_CLIENTCONFIG=$dir/client.conf"
}

start_tone() {
    # Two hours of tone into the null sink "feed", whose monitor is the microphone; a long buffer
    # keeps it free of dropouts.
    (sox -q -n -r 44100 -c 2 -b 16 -e signed -t raw - synth 7200 sine 440 vol 0.5 |
        pacat --playback --device=feed --latency-msec=100 --rate=44100 --channels=2 --format=s16le \
            --raw) </dev/null >/dev/null 2>&1 &
    echo $! >"$dir/feed.pid"
    # The null sinks start out in 2 s blocks: give them time to settle before anyone records.
    sleep 2.5
}

stop_tone() {
    if [ -f "$dir/feed.pid" ]; then
        pkill -P "$(cat "$dir/feed.pid")" 2>/dev/null || true
        stop_pid "$dir/feed.pid"
    fi
}
