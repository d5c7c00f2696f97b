#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds and runs the device benchmarks; the numbers go into BENCHMARKS.md by hand.
#   bench/run.sh [BUILD_DIR]
set -euo pipefail
source "$(dirname "$0")/../tools/dev/common.sh"
QUORVEL_BUILD=${1:-$QUORVEL_BUILD}
configure_and_build -DCMAKE_BUILD_TYPE=Release >/dev/null
work=$(mktemp -d "${TMPDIR:-/tmp}/quorvel-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

echo "== status tick (set time format + status length) while recording"
"$QUORVEL_BUILD/bench/bench_statustick" --benchmark_repetitions=10 --benchmark_report_aggregates_only=true

echo "== one auto-stop tick (Timer4) while recording, both rules on"
"$QUORVEL_BUILD/bench/bench_autostoptick" --benchmark_repetitions=10 --benchmark_report_aggregates_only=true

echo "== save 1 GiB against cp"
"$QUORVEL_BUILD/bench/bench_save" "$work"

echo "== peak RSS: 10 s against 10 min of recording"
XDG_STATE_HOME=$work "$QUORVEL_BUILD/bench/bench_recordrss" 10 "$work/ten-seconds.wav"
XDG_STATE_HOME=$work "$QUORVEL_BUILD/bench/bench_recordrss" 600 "$work/ten-minutes.wav"
