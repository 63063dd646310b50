#!/usr/bin/env bash
# Times a whole run over 200 small pages served on 127.0.0.1, read as rendered text: Quarnel's engine, then,
# when Debian's Chromium and the npm registry are at hand, a sequential Playwright script doing the same.
set -euo pipefail
build=${1:-build}
pages=${2:-200}
here=$(cd "$(dirname "$0")" && pwd)

echo "== quarnel (Qt WebEngine)"
"$here/peak-tree-rss.sh" "$build/bench/quarnel_run_bench" "$pages"

if [[ -x /usr/bin/chromium ]] && command -v npm >/dev/null; then
    echo "== Playwright on Debian's Chromium"
    (cd "$here/peers" && [[ -d node_modules/playwright-core ]] || npm install --silent --no-audit --no-fund >/dev/null)
    "$here/peak-tree-rss.sh" node "$here/peers/extract-all-lines.mjs" "$pages"
else
    echo "(the Playwright peer needs /usr/bin/chromium: apt-get install chromium)"
fi
