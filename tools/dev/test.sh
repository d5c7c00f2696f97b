#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
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
# The Windows build, under Wine: always in CI and when asked (QUORVEL_WINDOWS=1), else when Qt for
# Windows is at hand; building that takes about 40 minutes, which nobody should meet unasked.
source "$QUORVEL_SOURCE/tools/windows/common.sh"
if [ "${CI:-}" = true ] || [ "${QUORVEL_WINDOWS:-}" = 1 ] || qt_for_windows_at_hand; then
    "$QUORVEL_SOURCE/tools/windows/test.sh"
else
    echo "Windows part skipped: no prebuilt Qt for Windows (\$QUORVEL_TOOLCHAINS or ../shared/toolchains); QUORVEL_WINDOWS=1 ./tools/dev/test.sh builds it (about 40 minutes) and runs it"
fi
