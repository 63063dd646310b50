#!/usr/bin/env bash
# Runs a command and prints the peak of the summed resident memory of it and all its descendants
# (browser engines run in several processes), sampled every 50 ms.
set -uo pipefail
"$@" &
root=$!
peak=0
tree() { local p=$1; echo "$p"; for c in $(pgrep -P "$p"); do tree "$c"; done; }
while kill -0 "$root" 2>/dev/null; do
    total=0
    for p in $(tree "$root"); do
        rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$p/status" 2>/dev/null)
        total=$((total + ${rss:-0}))
    done
    (( total > peak )) && peak=$total
    sleep 0.05
done
wait "$root"
status=$?
echo "peak RSS of the process tree: $((peak / 1024)) MiB"
exit $status
