#!/usr/bin/env bash
# quarnel-cli over long lists of pages served on 127.0.0.1 (answered at once): pages per second and the
# peak resident memory of the whole process tree (the program and the engine's processes), for 1,000 and
# 10,000 pages, rows streamed to a JSON-lines file. Memory should not grow with the list: the larger run's
# peak is printed as a multiple of the smaller's.
#   bench/big-list.sh [build] [pages...]      (default: 1000 10000)
set -euo pipefail
build=${1:-build}
shift || true
sizes=("${@:-1000 10000}")
read -r -a sizes <<<"${sizes[*]}"
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT

port=$((20000 + RANDOM % 20000))
python3 "$here/page-server.py" "$port" 0 &
sleep 1
first=""
for pages in "${sizes[@]}"; do
    for i in $(seq 0 $((pages - 1))); do echo "127.0.0.1:$port/page$i.html"; done >"$work/urls"
    start=$(date +%s.%N)
    "$here/peak-tree-rss.sh" "$build/quarnel-cli" --rendered --format jsonl --input "$work/urls" \
        --output "$work/rows.jsonl" >"$work/out" 2>"$work/err"
    end=$(date +%s.%N)
    peak=$(sed -n 's/^peak RSS of the process tree: \([0-9]*\) MiB.*/\1/p' "$work/out")
    rows=$(wc -l <"$work/rows.jsonl")
    first=${first:-$peak}
    awk -v p="$pages" -v s="$start" -v e="$end" -v m="$peak" -v f="$first" -v r="$rows" \
        'BEGIN { printf "%6d pages: %7.1f s  %5.1f pages/s  %6d rows  peak %5d MiB (%.2fx the first)\n", p, e - s, p / (e - s), r, m, m / f }'
    grep -v '^quarnel-cli: ' "$work/err" | head -3 || true
done
