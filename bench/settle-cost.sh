#!/usr/bin/env bash
# What waiting for pages to settle costs where nothing is late: quarnel-cli over 200 instant loopback pages
# (bench/page-server.py), with --settle 5 (the default) and --settle 0 (read at document completion), at
# -j 8 and -j 1. Prints the median of three runs of wall time and of the processor time of the whole
# process tree (bench/tree-cpu.sh: needs root and a cgroup v1 cpuacct hierarchy).
#   bench/settle-cost.sh [build] [pages, default 200]
set -euo pipefail
build=${1:-build}
pages=${2:-200}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
port=$((20000 + RANDOM % 20000))
python3 "$here/page-server.py" "$port" 0 &
sleep 1
for i in $(seq 1 "$pages"); do echo "127.0.0.1:$port/page$i.html"; done >"$work/list"
median() { sort -n | sed -n 2p; }
printf '%-7s %4s %10s %12s %8s\n' settle jobs "wall s" "cpu ms" rows
for j in 8 1; do
    for settle in 5 0; do
        walls=() cpus=()
        for run in 1 2 3; do
            start=$(date +%s.%N)
            cpu=$("$here/tree-cpu.sh" "$build/quarnel-cli" -j "$j" --settle "$settle" --rendered --format jsonl \
                --input "$work/list" --output "$work/rows.jsonl" | sed -n 's/.*tree: \([0-9]*\) ms.*/\1/p')
            end=$(date +%s.%N)
            walls+=("$(echo "$end - $start" | bc)")
            cpus+=("$cpu")
        done
        printf '%-7s %4s %10.2f %12d %8d\n' "$settle" "$j" "$(printf '%s\n' "${walls[@]}" | median)" \
            "$(printf '%s\n' "${cpus[@]}" | median)" "$(wc -l <"$work/rows.jsonl")"
    done
done
