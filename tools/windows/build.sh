#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Quorvel for Windows on this Debian machine and packs it: the application folder (the
# programs, every DLL they load, the encoder lame.exe, the help), a zip of it, and an installer.
# Installs the cross compilers, Wine and NSIS when missing; Qt for Windows comes from the
# prebuilt archive, or is built from Debian's source once and cached (tools/windows/common.sh).
#
#   tools/windows/build.sh     results in build-windows/ (QUORVEL_WINDOWS_BUILD)
set -euo pipefail
source "$(dirname "$0")/common.sh"
install_windows_packages
provide_qt
configure_and_build_windows -DQUORVEL_BUILD_TESTS=OFF
package_windows
