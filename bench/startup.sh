#!/usr/bin/env bash
# A keystroke with a large stored list, start-up to a shown main window (offline, the ping answered at once),
# and a 100,000-source list saved at
# close and restored at the next start: the median of 5 runs of each.
set -euo pipefail
build=${1:-build}
"$build/bench/quarnel_ui_bench" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true 2>/dev/null |
    grep -E '_median|^Benchmark'
