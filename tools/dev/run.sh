#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds Quorvel and starts it.
set -euo pipefail
source "$(dirname "$0")/common.sh"
install_missing_packages
configure_and_build
exec "$QUORVEL_BUILD/app/quorvel" "$@"
