#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# tests/idlewakeups.sh BUILD: the waiting program, shown and in the tray, wakes at most 5 times a
# second (all its threads), as bench/desktop.sh measures it on its own display and sound server.
set -euo pipefail
report=$("$(dirname "$0")/../bench/desktop.sh" "${1:?build folder}" idle)
echo "$report"
[ "$(grep -c 'wake-ups/s' <<<"$report")" -eq 6 ] || { echo "FAIL: the benchmark did not measure" >&2; exit 1; }
awk '/wake-ups\/s/ { for (i = 1; i <= NF; i++) if ($i == "wake-ups/s") v = $(i - 1); if (v > 5) bad = 1 }
     END { exit bad }' <<<"$report" || { echo "FAIL: more than 5 wake-ups a second while idle" >&2; exit 1; }
