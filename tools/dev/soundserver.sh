#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The private sound server the tests use: PulseAudio (tools/dev/pulse.sh) unless
# QUORVEL_SOUND_SERVER=pipewire asks for PipeWire (tools/dev/pipewire.sh). Same arguments, same
# socket, same devices.
#
#   tools/dev/soundserver.sh start|stop|env DIR
set -euo pipefail
case "${QUORVEL_SOUND_SERVER:-pulseaudio}" in
pulseaudio) exec "$(dirname "$0")/pulse.sh" "$@" ;;
pipewire) exec "$(dirname "$0")/pipewire.sh" "$@" ;;
*)
    echo "QUORVEL_SOUND_SERVER is pulseaudio or pipewire, not $QUORVEL_SOUND_SERVER" >&2
    exit 2
    ;;
esac
