#!/usr/bin/env bash
# Pages built like live sites (bench/live-server.py serves them on 127.0.0.1), 8 pages at once, side by side
# in one run: quarnel-cli at --settle 5 and --settle 0, and the Playwright peer waiting for 'networkidle' and
# for 'load'.
#   1. Ticking set: 60 static articles, each with one or two kinds of work that never ends (a poll that
#      changes nothing, a clock, a parked consent script, a ticker redrawn every frame, a carousel).
#   2. Late set: 60 articles whose last lines come 100-800 ms after load, fetched by the page, a worker, an
#      idle callback or a frame it added, each with one kind of ticking work as well.
# Each row: time (the median of RUNS runs, 3 by default, start-up included), pages/s, rows, and on how many
# pages the lines equal each reference: every line the page ends with ("whole"), the peer at networkidle,
# or quarnel-cli at --settle 0. Lines that ticking work rewrites (clock, tick, slide) are left out of every
# comparison: what they say depends on the moment a page is read.
#   bench/live-patterns.sh [build]
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
serve "$here/live-server.py" "$port"
export IGNORE_LINES='^(clock|tick|slide) \d+$'
cli() { "$build/quarnel-cli" --rendered --format jsonl --show-source --keep-duplicates --quiet -j 8 "$@"; }
peer() { node "$here/peers/extract-all-lines.mjs" "$@"; }

for set in tick late; do
    [[ $set == tick ]] && echo "1. $pages ticking pages (static articles with work that never ends)" ||
        echo "2. $pages late pages (lines fetched 100-800 ms after load by the page, a worker, an idle callback or a frame)"
    for i in $(seq 1 $pages); do echo "127.0.0.1:$port/$set/$i.html"; done >"$work/$set"
    python3 "$here/live-server.py" --expected "$set" "$pages" "$port" >"$work/$set-whole.jsonl"
    t=$(timed $set-q0 cli --settle 0 --input "$work/$set" --output "$work/$set-q0.jsonl")
    compare "quarnel-cli -j 8 --settle 0" "$t" "$work/$set-q0.jsonl" "$work/$set-whole.jsonl" whole
    t=$(timed $set-idle peer "$work/$set" 8 networkidle "$work/$set-idle.jsonl")
    compare "Playwright, networkidle, 8 at once" "$t" "$work/$set-idle.jsonl" "$work/$set-whole.jsonl" whole
    t=$(timed $set-load peer "$work/$set" 8 load "$work/$set-load.jsonl")
    compare "Playwright, load, 8 at once" "$t" "$work/$set-load.jsonl" "$work/$set-whole.jsonl" whole
    t=$(timed $set-q5 cli --settle 5 --input "$work/$set" --output "$work/$set-q5.jsonl")
    compare "quarnel-cli -j 8 --settle 5" "$t" "$work/$set-q5.jsonl" "$work/$set-whole.jsonl" whole \
        "$work/$set-idle.jsonl" "as the peer (networkidle)" "$work/$set-q0.jsonl" "as --settle 0"
    "$build/quarnel-cli" --rendered --format jsonl -j 8 --input "$work/$set" 2>&1 >/dev/null | tail -1 | sed 's/^/    /'
done
