#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# tests/packaging.sh BUILD: what `cmake --install` lays out and what `cpack -G DEB` packs. The
# installed files pass the desktop's own validators, the package lintian; the package depends
# on lame and on the libraries the programs link.
set -euo pipefail
build=$(cd "${1:?build folder}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

layout=(
    bin/quorvel
    bin/quorvel-mci
    share/applications/org.quorvel.Quorvel.desktop
    share/metainfo/org.quorvel.Quorvel.metainfo.xml
    share/icons/hicolor/48x48/apps/org.quorvel.Quorvel.png
    share/icons/hicolor/64x64/apps/org.quorvel.Quorvel.png
    share/icons/hicolor/128x128/apps/org.quorvel.Quorvel.png
    share/icons/hicolor/256x256/apps/org.quorvel.Quorvel.png
    share/icons/hicolor/scalable/apps/org.quorvel.Quorvel.svg
    share/quorvel/HELPFILE/HELPFILE.html
    share/quorvel/LICENSE
    share/man/man1/quorvel.1.gz
    share/man/man1/quorvel-mci.1.gz
)

prefix="$work/a prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
for file in "${layout[@]}"; do
    [ -f "$prefix/$file" ] || fail "cmake --install did not install $file"
done
desktop-file-validate "$prefix/share/applications/org.quorvel.Quorvel.desktop" || fail "desktop-file-validate"
# The menu entry runs the program of its own prefix, spaces and all.
grep -qxF "Exec=\"$prefix/bin/quorvel\"" "$prefix/share/applications/org.quorvel.Quorvel.desktop" ||
    fail "the desktop entry's Exec= does not name $prefix/bin/quorvel"
appstreamcli validate --no-net "$prefix/share/metainfo/org.quorvel.Quorvel.metainfo.xml" || fail "appstreamcli validate"
for page in quorvel quorvel-mci; do
    man -l "$prefix/share/man/man1/$page.1.gz" 2>&1 >/dev/null | grep . && fail "man page $page has warnings"
done

# The command line a user tries first, with no display at all.
version=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/quorvel" --version) ||
    fail "quorvel --version ended with status $?"
grep -q '^Quorvel [0-9]' <<<"$version" && grep -q 'GPL version 3 or later' <<<"$version" ||
    fail "quorvel --version printed: $version"
grep -q '^Usage: quorvel' <<<"$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/quorvel" --help)" ||
    fail "quorvel --help"
status=0
said=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/quorvel" 2>&1) || status=$?
[ "$status" = 1 ] && [ "$(wc -l <<<"$said")" = 1 ] || fail "quorvel without a display: status $status, said: $said"

(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/deb" >/dev/null)
deb=$(ls "$work"/deb/quorvel_*_amd64.deb) || fail "cpack made no quorvel_<version>_amd64.deb"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in lame libqt6core6 libqt6widgets6 libpulse0; do
    grep -qE "(^|, )$needed( |,|$)" <<<"$depends" || fail "Depends: lacks $needed ($depends)"
done
contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for file in "${layout[@]}" share/doc/quorvel/copyright share/doc/quorvel/changelog.gz; do
    grep -qxF "./usr/$file" <<<"$contents" || fail "the package lacks /usr/$file"
done
dpkg-deb -f "$deb" Depends
if command -v lintian >/dev/null; then
    report=$(lintian --allow-root "$deb" 2>&1 || true)
    echo "$report"
    grep -q '^E:' <<<"$report" && fail "lintian reports errors"
    grep -q 'hardening' <<<"$report" && fail "lintian finds a program built without Debian's hardening"
fi
# Hardened as Debian's packages are, whatever lintian is given to see.
for program in quorvel quorvel-mci; do
    dynamic=$(readelf -d "$prefix/bin/$program")
    grep -q 'BIND_NOW' <<<"$dynamic" && grep -q 'PIE' <<<"$dynamic" || fail "$program is not bound now as a PIE"
    grep -q GNU_RELRO <<<"$(readelf -lW "$prefix/bin/$program")" || fail "$program has no read-only relocations"
done
# Fortified: quorvel's calls go through the checked functions (quorvel-mci has none to check).
grep -q '__.*_chk@' <<<"$(nm -D "$prefix/bin/quorvel")" || fail "quorvel calls no fortified function"
echo "packaging: all checks passed"
