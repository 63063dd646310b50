#!/usr/bin/env bash
# quarnel-cli over 1,000 loopback pages of which a third fail (404, refused, 204, downloads, and pages that
# never answer within the 2 s page limit), against 1,000 pages that all load, side by side, at -j 8 and
# -j 1: pages per second, peak resident memory of the whole process tree, and the most engine processes
# alive at once. What failing pages cost beyond good ones is printed without the time limits they wait for.
#   bench/failing-list.sh [build] [pages, default 1000] [jobs..., default "8 1"]
set -euo pipefail
build=${1:-build}
pages=${2:-1000}
shift 2 || shift $# || true
jobs=("${@:-8 1}")
read -r -a jobs <<<"${jobs[*]}"
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
limit=2

port=$((20000 + RANDOM % 20000))
python3 "$here/failing-server.py" "$port" &
closed=$((port + 1)) # nothing listens there: refused
sleep 1
b=127.0.0.1:$port
for i in $(seq 0 $((pages - 1))); do echo "$b/ok$i.html"; done >"$work/good"
# Every third entry fails, in turn: 404, refused, 204, download, 404, never answers (one in 18).
for i in $(seq 0 $((pages - 1))); do
    if ((i % 3 != 2)); then echo "$b/ok$i.html"; continue; fi
    case $(((i / 3) % 6)) in
    0 | 4) echo "$b/miss$i.html" ;;
    1) echo "127.0.0.1:$closed/refused$i.html" ;;
    2) echo "$b/empty$i.html" ;;
    3) echo "$b/file$i.html" ;;
    5) echo "$b/slow$i.html" ;;
    esac
done >"$work/mixed"
slow=$(grep -c '/slow' "$work/mixed")

printf '%-7s %4s %8s %9s %8s %8s %10s %s\n' list jobs seconds pages/s rows reports "peak MiB" "engine processes"
for j in "${jobs[@]}"; do
    for list in good mixed; do
        start=$(date +%s.%N)
        "$here/peak-tree-rss.sh" "$build/quarnel-cli" -j "$j" --page-timeout $limit --rendered --format jsonl \
            --input "$work/$list" --output "$work/rows.jsonl" >"$work/out" 2>"$work/err" || true
        end=$(date +%s.%N)
        peak=$(sed -n 's/^peak RSS of the process tree: \([0-9]*\) MiB.*/\1/p' "$work/out")
        engines=$(sed -n 's/.*most engine processes: \([0-9]*\).*/\1/p' "$work/out")
        rows=$(wc -l <"$work/rows.jsonl")
        reports=$(grep -c '^quarnel-cli: [^ ]*: ' "$work/err" || true)
        awk -v l="$list" -v j="$j" -v s="$start" -v e="$end" -v p="$pages" -v r="$rows" -v n="$reports" \
            -v m="$peak" -v q="$engines" \
            'BEGIN { printf "%-7s %4d %8.1f %9.1f %8d %8d %10d %d\n", l, j, e - s, p / (e - s), r, n, m, q }'
    done
done
echo "the mixed list holds $slow pages that never answer; each waits for the ${limit} s limit (and its renderer's answer)"
