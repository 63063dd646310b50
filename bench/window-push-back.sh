#!/usr/bin/env bash
# The window's responsiveness while a host pushes back: quarnel_window_run (the main window, its engine's
# network log read as the window program reads it, 8 pages at once) over 300 loopback pages on three hosts,
# the third answering 429 with Retry-After: 1 to a third of its pages (bench/push-back-server.py). Prints the
# window's run line and the longest gap between two turns of its event loop, once with the pushing host and
# once without.
#   bench/window-push-back.sh [build] [pages, default 300]
set -euo pipefail
build=${1:-build}
pages=${2:-300}
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

port=$((20000 + RANDOM % 20000))
for i in $(seq 1 $((pages / 3))); do for h in 1 2 3; do echo "127.0.0.$h:$port/p$i.html"; done; done >"$work/round"
for mode in quiet push; do
    : >"$work/log"
    python3 "$here/push-back-server.py" "$port" "$work/log" "$mode" &
    server=$!
    sleep 1
    echo "$mode: $("$build/bench/quarnel_window_run" "$work/round" 8 2>/dev/null | grep -v "^box:" | paste -sd " ")," \
        "$(wc -l <"$work/log") tries"
    kill "$server"
    wait "$server" 2>/dev/null || true
done
