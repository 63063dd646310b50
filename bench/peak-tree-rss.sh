#!/usr/bin/env bash
# Runs a command and prints the peak and the last sample of the summed resident memory of it and all its
# descendants (browser engines run in several processes), sampled every SAMPLE_SECONDS (0.05 by default),
# and the most engine processes (QtWebEngineProcess) seen alive at one sample.
set -uo pipefail
interval=${SAMPLE_SECONDS:-0.05}
"$@" &
root=$!
peak=0
last=0
engines=0
tree() { local p=$1; echo "$p"; for c in $(pgrep -P "$p"); do tree "$c"; done; }
while kill -0 "$root" 2>/dev/null; do
    total=0
    count=0
    for p in $(tree "$root"); do
        rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$p/status" 2>/dev/null)
        total=$((total + ${rss:-0}))
        [[ $(cat "/proc/$p/comm" 2>/dev/null) == QtWebEngineProc* ]] && count=$((count + 1))
    done
    (( count > engines )) && engines=$count
    (( total > 0 )) && last=$total
    (( total > peak )) && peak=$total
    sleep "$interval"
done
wait "$root"
status=$?
echo "peak RSS of the process tree: $((peak / 1024)) MiB  last sample: $((last / 1024)) MiB  most engine processes: $engines"
exit $status
