#!/usr/bin/env bash
# Times the README's `make run` on a Debian 12 root made just now, for each revision given (a clean clone of
# it): installing the packages, building, and the run itself (no display there, so quarnel-cli reads the
# sample pages). Needs root and Debian's package registry.
#   bench/make-run-fresh-root.sh REV [REV...]     e.g. bench/make-run-fresh-root.sh 261d8d9 HEAD
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
source "$repo/scripts/debian-root.sh"
for rev in "$@"; do
    new_root make-run-fresh-root /var/tmp/quarnel-make-run-root
    git clone -q "$repo" "$root/root/quarnel"
    git -C "$root/root/quarnel" checkout -q "$(git -C "$repo" rev-parse "$rev")"
    seconds=$(chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin /bin/bash -c '
        set -euo pipefail
        export DEBIAN_FRONTEND=noninteractive
        apt-get update -qq && apt-get install -y -qq --no-install-recommends make >/dev/null
        cd /root/quarnel
        start=${EPOCHREALTIME/./}
        make run >/root/make-run.log 2>&1 || { tail -20 /root/make-run.log >&2; exit 1; }
        end=${EPOCHREALTIME/./}
        echo $(((end - start) / 1000000))')
    targets=$(grep -c "Built target" "$root/root/make-run.log" || true)
    printf 'make run at %s (%s): %s s, %s targets built\n' \
        "$rev" "$(git -C "$repo" rev-parse --short "$rev")" "$seconds" "$targets"
    unmount_root
done
