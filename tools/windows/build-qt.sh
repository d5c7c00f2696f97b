#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds Qt for Windows (Core, Gui, Widgets, Test; the windows, offscreen and minimal platform
# plugins) from Debian's own source of qt6-base with the MinGW-w64 cross compilers, and installs
# it in PREFIX. About 760 build steps, 40-52 minutes on two cores.
#
#   tools/windows/build-qt.sh PREFIX
set -euo pipefail
prefix=${1:?the folder to install Qt in}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-qt-XXXXXX")
trap 'rm -rf "$work"' EXIT

# Debian's source, through a deb-src line for bookworm main when the machine has none.
if ! apt-get source --print-uris qt6-base >/dev/null 2>&1; then
    printf '%s\n' "Types: deb-src" "URIs: http://deb.debian.org/debian" "Suites: bookworm" "Components: main" \
        "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" >/etc/apt/sources.list.d/quorvel-src.sources
    apt-get update -qq
fi
(cd "$work" && apt-get source -qq qt6-base)
src=$(find "$work" -maxdepth 1 -type d -name 'qt6-base-*' | head -n 1)
# The windows platform plugin takes the DirectWrite font database, which QtGui builds only with
# Direct2D on.
patch -d "$src" -p1 <"$here/qt-mingw-no-direct2d.patch"

# Debian's +dfsg source lacks src/3rdparty/wintab: no tablet events.
cmake -S "$src" -B "$work/build" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$here/../../cmake/mingw64-toolchain.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    -DBUILD_SHARED_LIBS=ON -DQT_BUILD_TESTS=OFF -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_BENCHMARKS=OFF \
    -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_xml=OFF \
    -DFEATURE_concurrent=OFF -DFEATURE_printsupport=OFF \
    -DFEATURE_opengl=OFF -DINPUT_opengl=no -DFEATURE_vulkan=OFF -DFEATURE_direct2d=OFF \
    -DFEATURE_freetype=ON -DFEATURE_system_freetype=OFF -DFEATURE_jpeg=OFF \
    -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_png=OFF \
    -DFEATURE_tabletevent=OFF -DFEATURE_testlib=ON -DFEATURE_widgets=ON -DFEATURE_gui=ON
cmake --build "$work/build" -j "$(nproc)"
cmake --install "$work/build"
