# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by run.sh and test.sh: install what is missing, then configure and build.
# shellcheck shell=bash

QUORVEL_SOURCE=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
QUORVEL_BUILD=${QUORVEL_BUILD:-$QUORVEL_SOURCE/build}

quorvel_packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-qpa-plugins libpulse-dev libsndfile1-dev libbenchmark-dev desktop-file-utils
    pulseaudio pulseaudio-utils lame sox
    pipewire pipewire-pulse pipewire-bin wireplumber dbus ladspa-sdk python3-dbusmock
    weston qt6-wayland
    appstream lintian dpkg-dev file libglib2.0-bin
    xvfb xdotool trayer imagemagick x11-utils xdg-utils fonts-dejavu-core fonts-liberation bc
)

install_missing_packages() {
    local missing=() pkg
    for pkg in "${quorvel_packages[@]}"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

configure_and_build() {
    local werror=OFF
    [ "${CI:-}" = true ] && werror=ON
    cmake -S "$QUORVEL_SOURCE" -B "$QUORVEL_BUILD" -G Ninja -DQUORVEL_WERROR=$werror "$@"
    cmake --build "$QUORVEL_BUILD" -j "$(nproc)"
}
