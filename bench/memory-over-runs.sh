#!/usr/bin/env bash
# Memory of the whole process tree (program and engine processes, resident memory summed, sampled every
# 0.5 s) over one run of 200, 1,000 and 5,000 instant loopback pages: the peak, the last sample before the
# program exits, and the 5,000-page peak against the 1,000-page one.
set -euo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
declare -A peaks
for pages in ${PAGES:-200 1000 5000}; do
    echo "== $pages pages"
    out=$(SAMPLE_SECONDS=0.5 "$here/peak-tree-rss.sh" "$build/bench/quarnel_run_bench" "$pages")
    echo "$out"
    peaks[$pages]=$(sed -n 's/^peak RSS of the process tree: \([0-9]*\) MiB.*/\1/p' <<<"$out")
done
if [[ -n "${peaks[1000]:-}" && -n "${peaks[5000]:-}" ]]; then
    awk -v a="${peaks[1000]}" -v b="${peaks[5000]}" 'BEGIN { printf "5,000-page peak / 1,000-page peak: %.2f\n", b / a }'
fi
