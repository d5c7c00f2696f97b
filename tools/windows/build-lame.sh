#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds lame.exe (the MP3 encoder the program starts) from Debian's own source of lame with
# the MinGW-w64 compilers: a static program, nothing beside it needed. About two minutes.
#
#   tools/windows/build-lame.sh FOLDER     lame.exe lands in FOLDER
set -euo pipefail
out=$(mkdir -p "${1:?the folder for lame.exe}" && cd "$1" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-lame-XXXXXX")
trap 'rm -rf "$work"' EXIT
if ! (cd "$work" && apt-get source -qq lame) 2>/dev/null; then
    printf '%s\n' "Types: deb-src" "URIs: http://deb.debian.org/debian" "Suites: bookworm" "Components: main" \
        "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" >/etc/apt/sources.list.d/quorvel-src.sources
    apt-get update -qq
    (cd "$work" && apt-get source -qq lame)
fi
src=$(find "$work" -maxdepth 1 -type d -name 'lame-*' | head -n 1)
cd "$src"
./configure -q --host=x86_64-w64-mingw32 --disable-shared --enable-static --disable-frontend-gtk \
    --disable-decoder --disable-analyzer-hooks CC=x86_64-w64-mingw32-gcc-posix \
    LDFLAGS="-static -static-libgcc" >/dev/null
make -j "$(nproc)" >"$work/make.log" 2>&1 || { tail -n 40 "$work/make.log" >&2; exit 1; }
cp frontend/lame.exe "$out/lame.exe"
x86_64-w64-mingw32-strip "$out/lame.exe"
