#!/usr/bin/env bash
# Pages per second (whole process, start-up included) and peak memory of the whole process tree, on the
# same pages served on 127.0.0.1, for:
# the bare engine with 1 and with 8 pages at once, quarnel-cli one page at a time and with its default
# (8), the window's run (under Xvfb when there is no display), and, where Debian's Chromium and the npm
# registry are at hand, the Playwright peer one page at a time and 8 at once. Two page sets: 200 pages
# answered at once, and 60 pages answered after 150 ms each. Each figure is the median of RUNS runs (3 by
# default), the peak the highest of them.
#   bench/run-pages.sh [build]
set -euo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT

runs=${RUNS:-3}
measure() { # label, pages, command...: prints one table row, the median of $runs runs (the machine is shared)
    local label=$1 pages=$2
    shift 2
    local walls=() alones=() peaks=() start end
    for _ in $(seq "$runs"); do
        start=$(date +%s.%N)
        "$here/peak-tree-rss.sh" "$@" >"$work/out" 2>"$work/err" || true
        end=$(date +%s.%N)
        walls+=("$(awk -v s="$start" -v e="$end" 'BEGIN { print e - s }')")
        peaks+=("$(sed -n 's/^peak RSS of the process tree: \([0-9]*\) MiB.*/\1/p' "$work/out")")
        # The run's own time, without the start of the program, where the program says it.
        alones+=("$(sed -n -e 's/^quarnel-cli: .* \([0-9.]*\) s$/\1/p' -e 's/^window run: .* in \([0-9.]*\) s,.*/\1/p' \
            "$work/out" "$work/err" | head -1)")
    done
    awk -v l="$label" -v p="$pages" -v w="${walls[*]}" -v r="${alones[*]}" -v m="${peaks[*]}" '
        function median(list,   a, n, i, j, t) {
            n = split(list, a, " ")
            if (n == 0) return ""
            for (i = 1; i <= n; i++) for (j = i + 1; j <= n; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
            return a[int((n + 1) / 2)]
        }
        BEGIN {
            wm = median(w); rm = median(r); n = split(m, peaks, " "); top = 0
            for (i = 1; i <= n; i++) if (peaks[i] + 0 > top) top = peaks[i] + 0
            printf "  %-30s %6.2f s %6.1f pages/s  peak %5s MiB%s  [runs: %s s]\n", l, wm, p / wm, top,
                   rm == "" ? "" : sprintf("   (run alone %.2f s, %.1f pages/s)", rm, p / rm), w
        }'
}

source "$here/peer-compare.sh"
if peer_ready; then
    peer=yes
else
    peer=no
fi
window=("$build/bench/quarnel_window_run")
if [[ -z "${DISPLAY:-}" ]]; then
    if command -v xvfb-run >/dev/null; then window=(xvfb-run -a -s "-screen 0 1400x900x24" "${window[@]}"); else window=(env QT_QPA_PLATFORM=offscreen "${window[@]}"); fi
fi

for set in "200 0" "60 150"; do
    read -r pages delay <<<"$set"
    port=$((20000 + RANDOM % 20000))
    python3 "$here/page-server.py" "$port" "$delay" &
    server=$!
    sleep 1
    for i in $(seq 0 $((pages - 1))); do echo "127.0.0.1:$port/page$i.html"; done >"$work/urls"
    echo "== $pages pages answered after $delay ms"
    measure "bare engine, 1 at once" "$pages" "$build/bench/quarnel_engine_probe" "$work/urls" 1
    measure "bare engine, 8 at once" "$pages" "$build/bench/quarnel_engine_probe" "$work/urls" 8
    measure "quarnel-cli -j 1" "$pages" "$build/quarnel-cli" -j 1 --rendered --input "$work/urls"
    measure "quarnel-cli (default -j 8)" "$pages" "$build/quarnel-cli" --rendered --input "$work/urls"
    measure "window (8 at once)" "$pages" "${window[@]}" "$work/urls" 8
    if [[ $peer == yes ]]; then
        measure "Playwright, 1 at once" "$pages" node "$here/peers/extract-all-lines.mjs" "$work/urls" 1
        measure "Playwright, 8 at once" "$pages" node "$here/peers/extract-all-lines.mjs" "$work/urls" 8
    fi
    kill "$server"
    wait "$server" 2>/dev/null || true
done
[[ $peer == yes ]] || echo "(the Playwright peer needs /usr/bin/chromium: apt-get install chromium)"
