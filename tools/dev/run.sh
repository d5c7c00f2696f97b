#!/usr/bin/env bash
# Installs what is missing, builds Quorvel and starts it.
set -euo pipefail
source "$(dirname "$0")/common.sh"
install_missing_packages
configure_and_build
exec "$QUORVEL_BUILD/app/quorvel" "$@"
