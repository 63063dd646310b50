#!/usr/bin/env bash
# What blocking ad and tracker hosts does to time and text, side by side in one run:
#   1. 60 article pages (bench/late-server.py /listed/) whose third-party scripts come from hosts that EasyList
#      or EasyPrivacy block (a tag manager that loads an ad server's script, analytics, a measurement
#      script) and from library hosts on neither list (jsDelivr, cdnjs), every other host answering after
#      3 s: quarnel-cli with blocking (the default), with --no-block, and the Playwright peer waiting for
#      'load'. Seconds, rows, and the rows that differ from --no-block's (only rows the blocked scripts
#      wrote may go).
#   2. The 200 instant pages of bench/settle-cost.sh, blocking on and --no-block: wall and processor time of
#      the process tree (the lists' start-up included).
# The other hosts reach the loopback server through --proxy-server. Each time is the median of RUNS runs
# (3 by default); rows are from the last run.
#   bench/blocking.sh [build]        (PART=2: the instant pages alone)
set -euo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
runs=${RUNS:-3}
pages=60

source "$here/peer-compare.sh"
port=$((20000 + RANDOM % 20000))
serve "$here/late-server.py" "$port" 3000
for i in $(seq 1 $pages); do echo "127.0.0.1:$port/listed/$i.html"; done >"$work/listed"
proxy="--proxy-server=127.0.0.1:$port"
cli() { QTWEBENGINE_CHROMIUM_FLAGS=$proxy "$build/quarnel-cli" --rendered --format jsonl --show-source --keep-duplicates -j 8 "$@"; }
differ() { # rows file, reference rows file: the rows only in one of them, counted, with three of each
    python3 - "$1" "$2" <<'PY'
import collections, json, sys
def rows(path):
    return collections.Counter(json.loads(l)['text'].strip() for l in open(path, encoding='utf-8'))
a, b = rows(sys.argv[1]), rows(sys.argv[2])
gone, added = b - a, a - b
def some(c):
    return '; '.join(sorted(set(c))[:3]) + (' ...' if len(c) > 3 else '')
print('    %d rows fewer (%s), %d more (%s)' % (sum(gone.values()), some(gone), sum(added.values()), some(added)))
PY
}

if [[ ${PART:-1} == 1 ]]; then
echo "1. $pages articles, listed and library hosts answering after 3 s"
t=$(timed noblock cli --no-block --input "$work/listed" --output "$work/noblock.jsonl")
compare "quarnel-cli --no-block" "$t" "$work/noblock.jsonl" "$work/noblock.jsonl" "as itself"
t=$(timed block cli --verbose --input "$work/listed" --output "$work/block.jsonl")
compare "quarnel-cli (blocking)" "$t" "$work/block.jsonl" "$work/noblock.jsonl" "as --no-block"
differ "$work/block.jsonl" "$work/noblock.jsonl"
echo "    $(grep -o '[0-9]* requests\? blocked' "$work/block.err" | tail -1) in the summary; $(grep -c 'to ad and tracker hosts blocked' "$work/block.err") pages with blocked requests"
if peer_ready; then
    t=$(PEER_CHROMIUM_ARGS=$proxy timed peer node "$here/peers/extract-all-lines.mjs" "$work/listed" 8 load "$work/peer.jsonl")
    compare "Playwright, load, 8 at once" "$t" "$work/peer.jsonl" "$work/noblock.jsonl" "as --no-block"
    differ "$work/peer.jsonl" "$work/noblock.jsonl"
else
    echo "  (the Playwright peer needs Debian's chromium and npm: scripts/install-deps.sh --bench)"
fi
fi

echo "2. 200 instant pages, -j 8"
python3 "$here/page-server.py" $((port + 1)) 0 &
sleep 1
for i in $(seq 1 200); do echo "127.0.0.1:$((port + 1))/page$i.html"; done >"$work/instant"
printf '  %-12s %8s %8s\n' blocking "wall s" "cpu ms"
for _ in $(seq "$runs"); do
    for mode in on off; do
        flag=() && [[ $mode == off ]] && flag=(--no-block)
        start=$(date +%s.%N)
        cpu=$("$here/tree-cpu.sh" "$build/quarnel-cli" -j 8 "${flag[@]}" --rendered --format jsonl \
            --input "$work/instant" --output "$work/instant.jsonl" | sed -n 's/.*tree: \([0-9]*\) ms.*/\1/p')
        end=$(date +%s.%N)
        echo "$mode $(awk -v s="$start" -v e="$end" 'BEGIN { print e - s }') $cpu"
    done
done >"$work/instant.times"
for mode in on off; do
    wall=$(awk -v m="$mode" '$1 == m { print $2 }' "$work/instant.times" | sort -n | sed -n "$(((runs + 1) / 2))p")
    cpu=$(awk -v m="$mode" '$1 == m { print $3 }' "$work/instant.times" | sort -n | sed -n "$(((runs + 1) / 2))p")
    printf '  %-12s %8.2f %8d   (median of %d)\n' "$mode" "$wall" "$cpu" "$runs"
done
