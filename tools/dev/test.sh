#!/usr/bin/env bash
# Installs what is missing, builds Quorvel (for Linux, and for Windows) and runs every test. The test run starts its own
# sound server (and display) and stops them again.
set -euo pipefail
source "$(dirname "$0")/common.sh"
install_missing_packages
configure_and_build
cd "$QUORVEL_BUILD"
ctest --output-on-failure --timeout 600 "$@"
# The tests that record and play real audio, again on PipeWire, the server of most desktops now.
QUORVEL_SOUND_SERVER=pipewire ctest --output-on-failure --timeout 600 -L sound "$@"
# The Windows build, under Wine.
"$QUORVEL_SOURCE/tools/windows/test.sh"
