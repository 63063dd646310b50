#!/usr/bin/env bash
# quarnel-cli (-j 8) over 300 loopback pages on three hosts, once where no host pushes back and once where
# the third host answers 429 with Retry-After: 1 to a third of its pages: seconds, pages/s, rows, tries, the
# reports, and when the last page of the two other hosts was served. The list goes round the hosts (1, 2,
# 3, 1, ...) and, as a second layout, takes each host's pages in a block.
#   bench/push-back.sh [build] [pages, default 300]
set -euo pipefail
build=${1:-build}
pages=${2:-300}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT

port=$((20000 + RANDOM % 20000))
per=$((pages / 3))
for i in $(seq 1 "$per"); do for h in 1 2 3; do echo "127.0.0.$h:$port/p$i.html"; done; done >"$work/round"
for h in 1 2 3; do for i in $(seq 1 "$per"); do echo "127.0.0.$h:$port/p$i.html"; done; done >"$work/blocks"

printf '%-7s %-6s %8s %8s %6s %6s %8s %s\n' list hosts seconds pages/s rows tries reports "hosts 1, 2 done at s"
for list in round blocks; do
    for mode in quiet push; do
        : >"$work/log"
        python3 "$here/push-back-server.py" "$port" "$work/log" "$mode" &
        server=$!
        sleep 1
        start=$(date +%s.%N)
        "$build/quarnel-cli" --rendered --format jsonl --input "$work/$list" --output "$work/rows.jsonl" \
            2>"$work/err" || true
        end=$(date +%s.%N)
        kill "$server"
        wait "$server" 2>/dev/null || true
        rows=$(wc -l <"$work/rows.jsonl")
        tries=$(wc -l <"$work/log")
        reports=$(grep -c '^quarnel-cli: [^ ]*: ' "$work/err" || true)
        others=$(awk -v s="$start" '$2 != "127.0.0.3" && $1 > m { m = $1 } END { printf "%.1f", m - s }' "$work/log")
        awk -v l="$list" -v h="$mode" -v s="$start" -v e="$end" -v p="$pages" -v r="$rows" -v t="$tries" \
            -v n="$reports" -v o="$others" \
            'BEGIN { printf "%-7s %-6s %8.1f %8.1f %6d %6d %8d %s\n", l, h, e - s, p / (e - s), r, t, n, o }'
    done
done
