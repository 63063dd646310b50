#!/usr/bin/env bash
# What each kind of bad page costs: quarnel-cli over good page, bad page, good page, good page, with the
# time of the whole run and the peak resident memory of the whole process tree.
#   bench/fault-pages.sh [build] [page-timeout seconds, default 10]
set -euo pipefail
build=${1:-build}
limit=${2:-10}
here=$(cd "$(dirname "$0")" && pwd)
port=$((20000 + RANDOM % 20000))
python3 "$here/fault-server.py" "$port" &
server=$!
trap 'kill $server 2>/dev/null' EXIT
sleep 1
b=127.0.0.1:$port
printf '%-16s %8s %6s %s\n' case seconds rows "peak tree MiB / first report"
for case in busy busyafter reload jsreload drip never oom 'big?n=1000000' 'pre?n=1000000' 'big?n=100000'; do
    start=$(date +%s.%N)
    "$here/peak-tree-rss.sh" "$build/quarnel-cli" --rendered --page-timeout "$limit" --format jsonl \
        "$b/ok1" "$b/$case" "$b/ok2" "$b/ok3" 2>"/tmp/quarnel-fault.err" >"/tmp/quarnel-fault.out" || true
    end=$(date +%s.%N)
    peak=$(grep -o 'peak RSS of the process tree: [0-9]* MiB' /tmp/quarnel-fault.out | grep -o '[0-9]*' || true)
    rows=$(grep -c '"source"' /tmp/quarnel-fault.out || true)
    report=$(sed -n 's/^quarnel-cli: [^ ]*: //p' /tmp/quarnel-fault.err | head -1)
    printf '%-16s %8.2f %6s %s / %s\n' "$case" "$(echo "$end - $start" | bc)" "$rows" "$peak" "${report:-none}"
done
