#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Quorvel for Windows and tests it under Wine, with the same private sound server and X
# display as the Linux tests: the Windows unit suites (ctest -L wine), then real audio through
# quorvel-mci.exe, recorded from the server's tone and played back onto its silent speaker.
#
#   tools/windows/test.sh
set -euo pipefail
source "$(dirname "$0")/common.sh"
install_windows_packages
provide_qt
configure_and_build_windows
package_windows
# The Linux build too: its desktop driver clicks through the Windows program's journey.
install_missing_packages
configure_and_build

here=$(cd "$(dirname "$0")" && pwd)
run="$QUORVEL_WINDOWS_BUILD/test-wine"
rm -rf "$run"
mkdir -p "$run"
display=${QUORVEL_WINE_DISPLAY:-:97}
export WINEPREFIX="$run/prefix" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
    wineserver -k 2>/dev/null || true
    "$here/../dev/xvfb.sh" stop "$run/x" >/dev/null 2>&1 || true
    "$here/../dev/soundserver.sh" stop "$run/pulse" >/dev/null 2>&1 || true
}
trap cleanup EXIT
"$here/../dev/soundserver.sh" start "$run/pulse"
eval "$("$here/../dev/soundserver.sh" env "$run/pulse")"
"$here/../dev/xvfb.sh" start "$run/x" "$display"
export DISPLAY=$display
wineboot -i >/dev/null 2>&1
wineserver -w

ctest --test-dir "$QUORVEL_WINDOWS_BUILD" -L wine --output-on-failure --timeout 300

# Real audio. Drive C is the Windows user's profile folder.
app="$QUORVEL_WINDOWS_BUILD/app"
profile="$WINEPREFIX/drive_c/users/$(id -un)"
failed=0
check() { # description, then a condition that must hold
    local what=$1
    shift
    if "$@"; then echo "ok: $what"; else echo "FAILED: $what" >&2; failed=1; fi
}
within() { awk -v v="$1" -v lo="$2" -v hi="$3" 'BEGIN { exit !(v >= lo && v <= hi) }'; }

# The device is opened half a second before Record, as the window opens its own at start-up: the
# audio system is loaded by then.
for format in "16 44100 2" "8 11025 1"; do
    read -r bits rate channels <<<"$format"
    name="take-$rate-$channels-$bits.wav"
    replies=$(cd "$app" && wine quorvel-mci.exe "open new type waveaudio alias capture" \
        "set capture bitspersample $bits samplespersec $rate channels $channels" "sleep 500" "record capture" "sleep 3000" \
        "stop capture" "save capture c:\\$name" "close capture" | tr -d '\r' | cut -f1 | tr '\n' ' ')
    check "the commands for $name all answer 0 ($replies)" test "$replies" = "0 0 0 0 0 0 "
    stat=$(sox "$profile/$name" -n remix 1 stat 2>&1) || true
    length=$(awk '/^Length/ { print $3 }' <<<"$stat")
    frequency=$(awk '/^Rough/ { print $3 }' <<<"$stat")
    check "$name holds 3.00 +- 0.05 s (${length:-none})" within "${length:-0}" 2.95 3.05
    check "$name holds the 440 Hz tone (${frequency:-none} Hz)" within "${frequency:-0}" 430 450
    check "$name is $rate Hz, $channels channel(s), $bits bits" \
        test "$(soxi -r "$profile/$name") $(soxi -c "$profile/$name") $(soxi -b "$profile/$name")" = "$rate $channels $bits"
done

# Listen: a take played to the end onto the silent speaker, recorded back from its monitor.
parecord --device=outmon --latency-msec=20 --rate=44100 --channels=2 --format=s16le --file-format=wav "$run/heard.wav" &
recorder=$!
coproc MCI { cd "$app" && exec wine quorvel-mci.exe 2>/dev/null; }
send() { # one command; its reply on standard output
    local reply
    echo "$1" >&"${MCI[1]}"
    IFS= read -r -t 20 reply <&"${MCI[0]}" || reply=timeout
    echo "${reply%$'\r'}"
}
send "open new type waveaudio alias capture" >/dev/null
send "set capture bitspersample 16 samplespersec 44100 channels 2" >/dev/null
send "record capture" >/dev/null
sleep 3 # the take's length
send "stop capture" >/dev/null
send "play capture from 0" >/dev/null
for _ in $(seq 300); do # until the playback ends, at most 30 s
    [ "$(send "status capture mode")" = $'0\tstopped' ] && break
    sleep 0.1
done
send "close capture" >/dev/null
eval "exec ${MCI[1]}>&-"
wait "$MCI_PID" || true
# Half a second more of what the monitor hears, so nothing still on its way is cut off.
grown=$(($(stat -c %s "$run/heard.wav") + 88200))
for _ in $(seq 100); do
    [ "$(stat -c %s "$run/heard.wav")" -ge "$grown" ] && break
    sleep 0.1
done
kill -INT "$recorder"
wait "$recorder" || true
heard=$(sox "$run/heard.wav" -n silence 1 0.02 2% reverse silence 1 0.02 2% reverse stat 2>&1 | awk '/^Length/ { print $3 }')
check "the playback is heard for 3.00 +- 0.1 s (${heard:-none})" within "${heard:-0}" 2.9 3.1

# The encoder that ships: the take made an MP3, which decodes to the same length.
(cd "$app" && wine lame.exe --quiet "$(winepath -w "$profile/take-44100-2-16.wav")" \
    "$(winepath -w "$profile/take.mp3")") || true
lame --quiet --decode "$profile/take.mp3" "$run/decoded.wav" 2>/dev/null || true
decoded=$(sox "$run/decoded.wav" -n stat 2>&1 | awk '/^Length/ { print $3 }')
check "lame.exe encodes the take (${decoded:-no MP3} s decoded)" within "${decoded:-0}" 2.95 3.1

# The installer, silently, for this user; then the installed program starts and shows its window.
version=$(sed -n 's/^project(Quorvel VERSION \([0-9.]*\).*/\1/p' "$QUORVEL_SOURCE/CMakeLists.txt")
wine "$QUORVEL_WINDOWS_BUILD/quorvel-$version-setup.exe" /S
installed="$profile/AppData/Local/Programs/Quorvel"
for file in quorvel.exe quorvel-mci.exe lame.exe Qt6Widgets.dll platforms/qwindows.dll Quorvel.lnk Uninstall.exe \
    LICENSE.txt; do
    check "the installer put $file in place" test -f "$installed/$file"
done
# What ships carries the licences of all it holds, and its programs are hardened as the linker makes them.
zipped=$(unzip -Z1 "$QUORVEL_WINDOWS_BUILD/quorvel-$version-windows.zip")
for file in LICENSE.txt licenses/SOURCES.txt licenses/Qt-LGPL-3.0.txt licenses/LAME-LGPL-2.0.txt \
    licenses/MinGW-runtime.txt; do
    check "the zip holds $file" grep -qx "Quorvel/$file" <<<"$zipped"
done
for exe in quorvel.exe quorvel-mci.exe; do
    flags=$(x86_64-w64-mingw32-objdump -p "$installed/$exe" | grep -E '^\s+(HIGH_ENTROPY_VA|DYNAMIC_BASE|NX_COMPAT)' | tr -s ' \t\n' ' ')
    check "$exe has ASLR with high entropy and DEP ($flags)" test "$(wc -w <<<"$flags")" = 3
done
check "the Start menu holds the shortcut" test -n "$(find "$profile" -path '*Start Menu/Programs/Quorvel.lnk' | head -n 1)"
wine "$installed/quorvel.exe" >/dev/null 2>&1 &
shown=""
for _ in $(seq 300); do # until its window is shown, at most 30 s
    shown=$(xdotool search --onlyvisible --name '^Quorvel' 2>/dev/null | head -n 1) && [ -n "$shown" ] && break
    sleep 0.1
done
check "the installed quorvel.exe shows its window" test -n "$shown"
[ -n "$shown" ] && import -display "$display" -window root "$run/installed.png" 2>/dev/null || true
wineserver -k

# The journey through the Windows program's window, tray and messages, clicked from outside on
# the Linux tests' display with its tray.
QUORVEL_WINDOWS_APP="$app" ctest --test-dir "$QUORVEL_BUILD" -R '^tst_winejourney$' --output-on-failure ||
    failed=1

exit $failed
