#!/usr/bin/env bash
# What the page-load core costs over the bare engine: quarnel-cli of one or more builds and two bare engine
# loops (quarnel_engine_probe, innerText read at loadFinished, nothing else) over the same 200 instant
# loopback pages (bench/page-server.py), at -j 8 and -j 1, settle 5 and 0. "bare-pages": one QWebEnginePage
# per slot, which the engine makes hidden and 0x0 without a view; "bare-views": one 1280x720 Qt Quick view
# per slot in a window never shown, visible to its scripts, as quarnel's pages are. The builds take turns in
# every round, so that a machine's drift counts against all of them alike. Prints the median of the rounds of
# wall time and of the processor time of the whole process tree (bench/tree-cpu.sh: needs root and a cgroup
# v1 cpuacct hierarchy), then each build's processor time at -j 8 as a multiple of each bare loop's.
#   bench/core-cost.sh [rounds, default 3] build [build...]
set -euo pipefail
rounds=${1:-3}
shift
builds=("${@:-build}")
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
port=$((20000 + RANDOM % 20000))
python3 "$here/page-server.py" "$port" 0 &
sleep 1
for i in $(seq 1 200); do echo "127.0.0.1:$port/page$i.html"; done >"$work/list"
probe=${builds[0]}/bench/quarnel_engine_probe
cpu_of() { "$here/tree-cpu.sh" "$@" | sed -n 's/.*tree: \([0-9]*\) ms.*/\1/p'; }
# One case: its name, then the command; appends "wall cpu" to the case's file.
measure() {
    local name=$1
    shift
    local start end cpu
    start=$(date +%s.%N)
    cpu=$(cpu_of "$@")
    end=$(date +%s.%N)
    echo "$(echo "$end - $start" | bc) $cpu" >>"$work/$name"
}
for _ in $(seq "$rounds"); do
    for j in 8 1; do
        measure "bare-pages-j$j" "$probe" "$work/list" "$j" pages
        measure "bare-views-j$j" "$probe" "$work/list" "$j" views
        for b in "${builds[@]}"; do
            for settle in 5 0; do
                measure "$(basename "$b")-j$j-s$settle" "$b/quarnel-cli" -j "$j" --settle "$settle" --rendered \
                    --format jsonl --input "$work/list" --output "$work/rows.jsonl"
            done
        done
    done
done
median() { sort -n | sed -n "$(((rounds + 1) / 2))p"; }
printf '%-28s %8s %9s\n' case "wall s" "cpu ms"
for f in $(ls "$work" | grep -v -e list -e rows); do
    printf '%-28s %8.2f %9d\n' "$f" "$(cut -d' ' -f1 "$work/$f" | median)" "$(cut -d' ' -f2 "$work/$f" | median)"
done
cpu() { cut -d' ' -f2 "$work/$1" | median; }
for b in "${builds[@]}"; do
    for settle in 5 0; do
        name="$(basename "$b")-j8-s$settle"
        awk -v n="$name" -v q="$(cpu "$name")" -v p="$(cpu bare-pages-j8)" -v v="$(cpu bare-views-j8)" \
            'BEGIN { printf "%-28s %.2f x bare-pages, %.2f x bare-views\n", n, q / p, q / v }'
    done
done
