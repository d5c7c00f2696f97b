# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the Windows scripts: the cross toolchain and Qt for Windows, then the cross build.
# shellcheck shell=bash
source "$(dirname "${BASH_SOURCE[0]}")/../dev/common.sh"

QUORVEL_WINDOWS_BUILD=${QUORVEL_WINDOWS_BUILD:-$QUORVEL_SOURCE/build-windows}
QUORVEL_QT_VERSION=6.4.2
QUORVEL_QT_MINGW=${QUORVEL_QT_MINGW:-$HOME/.cache/quorvel/qt6-mingw-$QUORVEL_QT_VERSION}

windows_packages=(g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 zip unzip nsis)

install_windows_packages() {
    local linux=("${quorvel_packages[@]}")
    quorvel_packages=(cmake ninja-build qt6-base-dev qt6-base-dev-tools "${windows_packages[@]}")
    install_missing_packages
    quorvel_packages=("${linux[@]}")
}

# The prebuilt Qt for Windows whose checksum matches, looked for in $QUORVEL_TOOLCHAINS and in a
# shared/toolchains folder beside the clone; prints its path, or fails when there is none.
prebuilt_qt_archive() {
    local dir
    for dir in "${QUORVEL_TOOLCHAINS:-}" "$QUORVEL_SOURCE/../shared/toolchains"; do
        [ -n "$dir" ] && [ -f "$dir/qt6-mingw-$QUORVEL_QT_VERSION.tar.gz.sha256" ] || continue
        if (cd "$dir" && sha256sum --quiet -c "qt6-mingw-$QUORVEL_QT_VERSION.tar.gz.sha256" >/dev/null 2>&1); then
            echo "$dir/qt6-mingw-$QUORVEL_QT_VERSION.tar.gz"
            return 0
        fi
        echo "The checksum of $dir/qt6-mingw-$QUORVEL_QT_VERSION.tar.gz does not match: not used" >&2
    done
    return 1
}

# Qt for Windows is at hand without building it: unpacked already, or a prebuilt archive.
qt_for_windows_at_hand() {
    [ -f "$QUORVEL_QT_MINGW/lib/cmake/Qt6/qt.toolchain.cmake" ] || prebuilt_qt_archive >/dev/null
}

# Qt for Windows in $QUORVEL_QT_MINGW: the prebuilt archive when one is provided and its checksum
# matches, else built from Debian's own source by build-qt.sh (about 40 minutes on two cores).
provide_qt() {
    [ -f "$QUORVEL_QT_MINGW/lib/cmake/Qt6/qt.toolchain.cmake" ] && return 0
    local archive
    if archive=$(prebuilt_qt_archive); then
        local unpack
        unpack=$(mktemp -d "$(dirname "$QUORVEL_QT_MINGW")/.qt-XXXXXX" 2>/dev/null ||
            { mkdir -p "$(dirname "$QUORVEL_QT_MINGW")" && mktemp -d "$(dirname "$QUORVEL_QT_MINGW")/.qt-XXXXXX"; })
        tar -xzf "$archive" -C "$unpack"
        mv "$unpack/qt6-mingw" "$QUORVEL_QT_MINGW"
        rmdir "$unpack"
    else
        echo "No prebuilt Qt for Windows: building Qt $QUORVEL_QT_VERSION from Debian's source (about 40 minutes)" >&2
        "$(dirname "${BASH_SOURCE[0]}")/build-qt.sh" "$QUORVEL_QT_MINGW"
    fi
}

configure_and_build_windows() {
    local werror=OFF
    [ "${CI:-}" = true ] && werror=ON
    cmake -S "$QUORVEL_SOURCE" -B "$QUORVEL_WINDOWS_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$QUORVEL_QT_MINGW/lib/cmake/Qt6/qt.toolchain.cmake" \
        -DQT_CHAINLOAD_TOOLCHAIN_FILE="$QUORVEL_SOURCE/cmake/mingw64-toolchain.cmake" \
        -DCMAKE_CROSSCOMPILING_EMULATOR=/usr/bin/wine -DQUORVEL_WERROR=$werror "$@"
    cmake --build "$QUORVEL_WINDOWS_BUILD" -j "$(nproc)"
}

# lame.exe, cross-built from Debian's own source of lame once and cached.
provide_lame() {
    local cached="$HOME/.cache/quorvel/lame-mingw/lame.exe"
    [ -f "$cached" ] || "$(dirname "${BASH_SOURCE[0]}")/build-lame.sh" "$(dirname "$cached")"
    cp "$cached" "$QUORVEL_WINDOWS_BUILD/app/lame.exe"
}

# The zip and the installer, from the application folder, in $QUORVEL_WINDOWS_BUILD.
package_windows() {
    local version app
    provide_lame
    version=$(sed -n 's/^project(Quorvel VERSION \([0-9.]*\).*/\1/p' "$QUORVEL_SOURCE/CMakeLists.txt")
    app="$QUORVEL_WINDOWS_BUILD/app"
    # The test platform plugin stays out of what ships.
    rm -f "$QUORVEL_WINDOWS_BUILD/quorvel-$version-windows.zip"
    (cd "$QUORVEL_WINDOWS_BUILD" && rm -rf Quorvel && cp -r app Quorvel && rm -f Quorvel/platforms/qoffscreen.dll &&
        find Quorvel -name '*.dll' -o -name 'quorvel*.exe' | xargs x86_64-w64-mingw32-strip --strip-unneeded &&
        zip -qr "quorvel-$version-windows.zip" Quorvel)
    makensis -V2 -DAPP_DIR="$QUORVEL_WINDOWS_BUILD/Quorvel" -DVERSION="$version" \
        -DOUT="$QUORVEL_WINDOWS_BUILD/quorvel-$version-setup.exe" "$QUORVEL_SOURCE/dist/windows/quorvel.nsi"
    rm -rf "$QUORVEL_WINDOWS_BUILD/Quorvel"
    echo "Windows: $QUORVEL_WINDOWS_BUILD/quorvel-$version-windows.zip and quorvel-$version-setup.exe"
}
