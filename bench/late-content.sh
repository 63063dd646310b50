#!/usr/bin/env bash
# Pages whose text comes late, and pages that drag in what text never needs, side by side in one run
# (bench/late-server.py serves both sets on 127.0.0.1):
#   1. 60 script-built pages (content fetched 100-800 ms after the page's load): quarnel-cli at its default
#      settle limit (and at --settle 0, to show what reading at document completion gives) against the
#      Playwright peer waiting for 'networkidle'. Pages whose lines are the page's whole text (as the server
#      knows it) and pages whose lines equal the peer's; rows; pages/s.
#   2. 60 article-like pages whose pictures, web font and advertising frame come from other hosts that answer
#      after 3 s: quarnel-cli against the bare engine (read at document completion) and the Playwright peer
#      (waiting for 'load'), 8 pages at once each. The peer, with everything loaded, is the reference text.
#   3. The 200 instant pages of bench/settle-cost.sh: settle 5 against settle 0, wall and processor time.
# The other hosts reach the loopback server through --proxy-server. (Chromium's --host-resolver-rules cannot
# be used here: its rules contain spaces, and Qt WebEngine splits QTWEBENGINE_CHROMIUM_FLAGS at spaces.)
# Each time is the median of RUNS runs (3 by default), start-up included; texts are from the last run.
#   bench/late-content.sh [build]
set -euo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
runs=${RUNS:-3}
pages=60

source "$here/peer-compare.sh"
peer_ready || { echo "The Playwright peer needs Debian's chromium and npm (scripts/install-deps.sh --bench)." >&2; exit 2; }
port=$((20000 + RANDOM % 20000))
serve "$here/late-server.py" "$port" 3000
for i in $(seq 1 $pages); do echo "127.0.0.1:$port/script/$i.html"; done >"$work/script"
for i in $(seq 1 $pages); do echo "127.0.0.1:$port/real/$i.html"; done >"$work/real"
proxy="--proxy-server=127.0.0.1:$port"

cli() { "$build/quarnel-cli" --rendered --format jsonl --show-source --keep-duplicates --quiet -j 8 "$@"; }

echo "1. $pages script-built pages: whole (all their rows) and as the Playwright peer (networkidle, 8 at once)"
python3 "$here/late-server.py" --expected-script "$pages" "$port" >"$work/whole.jsonl"
t=$(timed peer-idle node "$here/peers/extract-all-lines.mjs" "$work/script" 8 networkidle "$work/peer-idle.jsonl")
compare "Playwright, networkidle, 8 at once" "$t" "$work/peer-idle.jsonl" "$work/whole.jsonl" whole
for settle in 5 0; do
    t=$(timed q-script$settle cli --settle $settle --input "$work/script" --output "$work/q-script$settle.jsonl")
    compare "quarnel-cli -j 8 --settle $settle" "$t" "$work/q-script$settle.jsonl" "$work/whole.jsonl" whole \
        "$work/peer-idle.jsonl" "as the peer"
done

echo "2. $pages article pages, other hosts answer after 3 s (reference: the peer, load, everything loaded)"
t=$(PEER_CHROMIUM_ARGS=$proxy timed peer-load node "$here/peers/extract-all-lines.mjs" "$work/real" 8 load "$work/peer-load.jsonl")
compare "Playwright, load, 8 at once" "$t" "$work/peer-load.jsonl" "$work/peer-load.jsonl" "as the reference"
t=$(QTWEBENGINE_CHROMIUM_FLAGS=$proxy timed bare "$build/bench/quarnel_engine_probe" "$work/real" 8)
printf '  %-34s %7.2f s %6.1f pages/s   (%s)\n' "bare engine, 8 at once" "$t" "$(awk -v t="$t" -v p=$pages 'BEGIN { print p / t }')" \
    "$(sed -n 's/.*(\(.*lines\)).*/\1/p' "$work/bare.out")"
t=$(QTWEBENGINE_CHROMIUM_FLAGS=$proxy timed q-real cli --input "$work/real" --output "$work/q-real.jsonl")
compare "quarnel-cli -j 8 --settle 5" "$t" "$work/q-real.jsonl" "$work/peer-load.jsonl" "as the reference"

echo "3. 200 instant pages, settle 5 against settle 0 (bench/settle-cost.sh)"
"$here/settle-cost.sh" "$build" 200 | sed 's/^/  /'
