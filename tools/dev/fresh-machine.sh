#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The test command as a newcomer meets it on a truly fresh machine: a minimal Debian 12 made with
# debootstrap (no systemd running, no system bus, no /run/user), this checkout cloned into it with
# the shared folder beside it, and the CI run as root in a chroot. Needs root, debootstrap and a
# Debian mirror; about 25 minutes, most of it installing and building.
#
#   tools/dev/fresh-machine.sh DIR [MIRROR]     DIR is made (or reused when it holds a system)
set -euo pipefail
root=${1:?a folder for the fresh system}
mirror=${2:-http://deb.debian.org/debian}
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
shared=$source_dir/../shared

[ "$(id -u)" -eq 0 ] || { echo "fresh-machine.sh needs root (debootstrap, chroot, mounts)" >&2; exit 1; }
command -v debootstrap >/dev/null || apt-get install -y -qq debootstrap
[ -x "$root/bin/bash" ] || debootstrap --variant=minbase bookworm "$root" "$mirror"
cp /etc/resolv.conf "$root/etc/resolv.conf"

mounted=()
cleanup() {
    local at
    for at in "${mounted[@]}"; do umount -R "$at" 2>/dev/null || umount -l "$at" 2>/dev/null || true; done
}
trap cleanup EXIT
mountpoint -q "$root/proc" || { mount -t proc proc "$root/proc" && mounted+=("$root/proc"); }
mountpoint -q "$root/sys" || { mount --rbind /sys "$root/sys" && mounted+=("$root/sys"); }
mountpoint -q "$root/dev" || { mount --rbind /dev "$root/dev" && mounted+=("$root/dev"); }

rm -rf "$root/root/work"
mkdir -p "$root/root/work"
git clone -q "$source_dir" "$root/root/work/main"
[ -d "$shared" ] && cp -r "$shared" "$root/root/work/shared"
chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root TERM=dumb \
    /bin/bash -c 'cd /root/work/main && CI=true bash .ci/run'
