#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes the README's picture of the main window: Quorvel on a private X display, cropped.
#   tools/dev/screenshot.sh [BUILD_DIR] [OUTPUT.png]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build}
out=${2:-$here/../../docs/main-window.png}
work=$(mktemp -d)
trap '"$here/xvfb.sh" stop "$work/x" >/dev/null 2>&1; kill "${app:-0}" 2>/dev/null; rm -rf "$work"' EXIT

"$here/xvfb.sh" start "$work/x" :94 >/dev/null
mkdir -p "$work/app" "$work/drive"
cp "$build/app/quorvel" "$work/app/"
DISPLAY=:94 QUORVEL_DRIVE_C="$work/drive" XDG_CONFIG_HOME="$work" PULSE_SERVER=unix:/nonexistent \
    "$work/app/quorvel" >/dev/null 2>&1 &
app=$!
DISPLAY=:94 xdotool search --sync --onlyvisible --name '^Quorvel$' >/dev/null
sleep 1
im=import
command -v convert-im6.q16 >/dev/null && im=import-im6.q16
DISPLAY=:94 "$im" -window root -crop 393x409+351+275 +repage "$out"
echo "wrote $out"
