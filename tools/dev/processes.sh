# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by the service scripts: stopping a background process by its pid file.
# shellcheck shell=bash

alive() { # pid; a zombie counts as gone
    local state
    state=$(ps -o stat= -p "$1" 2>/dev/null || true)
    [ -n "$state" ] && [ "${state:0:1}" != Z ]
}

stop_pid() { # pid file
    local file=$1 pid
    [ -f "$file" ] || return 0
    pid=$(cat "$file")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do alive "$pid" || break; sleep 0.1; done
    alive "$pid" && kill -9 "$pid" 2>/dev/null || true
    rm -f "$file"
}
