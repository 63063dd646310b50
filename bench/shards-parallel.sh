#!/usr/bin/env bash
# One list split over 4 quarnel-cli processes by GNU parallel (Debian's `parallel`), compared with one
# process over the whole list: --merge of the shards must give its bytes. Prints the time of each way.
#   bench/shards-parallel.sh [build] [pages]      (default: 400 pages, answered after 50 ms)
set -euo pipefail
build=$(cd "${1:-build}" && pwd)
pages=${2:-400}
here=$(cd "$(dirname "$0")" && pwd)
command -v parallel >/dev/null || { echo "skipped: GNU parallel is not installed (apt-get install parallel)"; exit 0; }
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
cd "$work"

port=$((20000 + RANDOM % 20000))
python3 "$here/page-server.py" "$port" 50 &
sleep 1
for i in $(seq 0 $((pages - 1))); do echo "127.0.0.1:$port/page$i.html"; done >urls
cli="$build/quarnel-cli"

time_of() { local s e; s=$(date +%s.%N); "$@"; e=$(date +%s.%N); awk -v s="$s" -v e="$e" 'BEGIN { printf "%.1f", e - s }'; }

single=$(time_of "$cli" --quiet --rendered --keep-duplicates --format jsonl --input urls --output single.jsonl)
sharded=$(time_of parallel --halt now,fail=1 "$cli" --quiet --rendered --keep-duplicates --format jsonl --input urls \
    --shard {}/4 --output shard{}.jsonl ::: 1 2 3 4)
echo "$pages pages: one process $single s, 4 shards through GNU parallel $sharded s"

# --merge puts the shards back together as the file of one run, with and without duplicates kept.
"$cli" --merge --rendered --keep-duplicates --format jsonl --input urls --output merged.jsonl shard?.jsonl
cmp single.jsonl merged.jsonl && echo "  --keep-duplicates: --merge of the 4 shards = one run, byte for byte: $(wc -l <merged.jsonl) rows"
parallel "$cli" --quiet --rendered --format jsonl --input urls --shard {}/4 --output dedup{}.jsonl ::: 1 2 3 4
"$cli" --quiet --rendered --format jsonl --input urls --output dedup.jsonl
"$cli" --merge --rendered --format jsonl --input urls --output dedup-merged.jsonl dedup?.jsonl
cmp dedup.jsonl dedup-merged.jsonl && echo "  duplicates suppressed: --merge of the 4 shards = one run, byte for byte: $(wc -l <dedup.jsonl) rows"
