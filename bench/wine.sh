#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# bench/wine.sh WINDOWS_BUILD: the Windows build under Wine on a private PulseAudio: five 3 s takes
# through quorvel-mci.exe ("record", "sleep 3000", "stop", the device opened half a second
# before, as the window opens its own at start-up) at 44.1 kHz stereo 16-bit and at 11025 Hz mono
# 8-bit: each take's length and how long "record" and "stop" took. Run it once idle and once with
# both cores busy (two `yes > /dev/null`).
set -euo pipefail
build=$(cd "${1:?the Windows build folder}" && pwd)
dev=$(cd "$(dirname "$0")/../tools/dev" && pwd)
work=$(mktemp -d)
export WINEPREFIX=$work/prefix WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null || true; "$dev/pulse.sh" stop "$work/pulse" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
"$dev/pulse.sh" start "$work/pulse" >/dev/null
eval "$("$dev/pulse.sh" env "$work/pulse")"
DISPLAY= wineboot -i >/dev/null 2>&1
wineserver -w
profile="$WINEPREFIX/drive_c/users/$(id -un)"
cd "$build/app"
for format in "16 44100 2" "8 11025 1"; do
    read -r bits rate channels <<<"$format"
    echo "== $rate Hz, $channels channel(s), $bits bits"
    for i in 1 2 3 4 5; do
        times=$(wine quorvel-mci.exe --timing "open new type waveaudio alias capture" \
            "set capture bitspersample $bits samplespersec $rate channels $channels" "sleep 500" "record capture" \
            "sleep 3000" "stop capture" "save capture c:\\bench.wav" "close capture" 2>/dev/null | tr -d '\r' |
            awk -F'\t' 'NR == 3 { r = $3 } NR == 4 { s = $3 } END { printf "record %.1f ms, stop %.1f ms", r, s }')
        length=$(sox "$profile/bench.wav" -n stat 2>&1 | awk '/^Length/ { print $3 }')
        echo "take $i: $length s; $times"
    done
done
