#!/usr/bin/env bash
# Pages composed as current sites compose them (bench/composed-server.py serves them on 127.0.0.1): text in
# open shadow roots, frames of the page's own site, a frameset, content that comes as the page is scrolled
# (a sentinel at the bottom, sections in the middle, a list that grows three times, one that never stops),
# and a page that moves on by a meta refresh after 1 s. For each set and each reader: time (the median of
# RUNS runs, 1 by default, start-up included), rows, and on how many pages the lines equal every line a
# person sees on the page once it is scrolled to its end ("whole"). The readers are quarnel-cli of each
# build given, 8 pages at once, and the Playwright peer (innerText after 'networkidle').
# The endless list has no end to compare with: its reference is what it shows before it is scrolled, and
# its rows say how far it was read. Then what scrolling costs where it brings nothing: 60 static articles of
# about 25 views each, without and with a scroll listener (a pinned header), each build in turn, 3 rounds.
#   bench/composed-pages.sh BUILD [BUILD...]
set -euo pipefail
(($#)) || { echo "usage: $0 BUILD [BUILD...]" >&2; exit 2; }
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
runs=${RUNS:-1}
pages=${PAGES:-6}

source "$here/peer-compare.sh"
peer=1
peer_ready || { echo "(no Playwright peer: scripts/install-deps.sh --bench installs it)" >&2; peer=0; }
port=$((20000 + RANDOM % 20000))
serve "$here/composed-server.py" "$port"
cli() { local build=$1; shift; "$build/quarnel-cli" --rendered --format jsonl --show-source --keep-duplicates --quiet -j 8 "$@"; }

for set in shadow frame frameset sentinel middle append endless refresh; do
    echo "$set: $pages pages"
    [[ $set == endless ]] && ref="as unscrolled" || ref=whole
    for i in $(seq 1 "$pages"); do echo "127.0.0.1:$port/$set/$i.html"; done >"$work/$set"
    python3 "$here/composed-server.py" --expected "$set" "$pages" "$port" >"$work/$set-whole.jsonl"
    for build in "$@"; do
        t=$(timed "$set-q" cli "$build" --input "$work/$set" --output "$work/$set-q.jsonl")
        compare "quarnel-cli ($build)" "$t" "$work/$set-q.jsonl" "$work/$set-whole.jsonl" "$ref"
    done
    if ((peer)); then
        t=$(timed "$set-idle" node "$here/peers/extract-all-lines.mjs" "$work/$set" 8 networkidle "$work/$set-idle.jsonl")
        compare "Playwright, networkidle" "$t" "$work/$set-idle.jsonl" "$work/$set-whole.jsonl" "$ref"
    fi
done

pages=60
for set in long sticky; do
    [[ $set == long ]] && echo "long: $pages static articles of about 25 views, nothing lazy" ||
        echo "sticky: the same with a scroll listener (a pinned header)"
    for i in $(seq 1 $pages); do echo "127.0.0.1:$port/$set/$i.html"; done >"$work/$set"
    python3 "$here/composed-server.py" --expected $set "$pages" "$port" >"$work/$set-whole.jsonl"
    for round in 1 2 3; do
        for build in "$@"; do
            t=$(timed "$set-q" cli "$build" --input "$work/$set" --output "$work/$set-q.jsonl")
            compare "quarnel-cli ($build), round $round" "$t" "$work/$set-q.jsonl" "$work/$set-whole.jsonl" whole
        done
    done
done
