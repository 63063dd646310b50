#!/usr/bin/env bash
# Times a whole run over 200 small pages served on 127.0.0.1, read as rendered text.
set -euo pipefail
build=${1:-build}
"$build/bench/quarnel_run_bench" "${2:-200}"
