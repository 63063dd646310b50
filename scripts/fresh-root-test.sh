#!/usr/bin/env bash
# Runs the README's `make test`, then `make check-deps`, on a Debian 12 root made just now, as a new user's machine would be: a
# minimal bookworm (debootstrap's minbase), a clean clone of this repository's HEAD, nothing else. Run it
# whenever scripts/install-deps.sh changes. Needs root and Debian's package registry.
#   scripts/fresh-root-test.sh [ROOT]   (ROOT: /var/tmp/quarnel-fresh-root by default; made anew)
# MIRROR sets the registry (http://deb.debian.org/debian by default). The only thing put in beyond the bare
# root is `make` itself, which the README's two commands presuppose.
set -euo pipefail
root=${1:-/var/tmp/quarnel-fresh-root}
repo=$(cd "$(dirname "$0")/.." && pwd)

source "$repo/scripts/debian-root.sh"
new_root fresh-root-test "$root"
git clone -q "$repo" "$root/root/quarnel"

echo "fresh-root-test: make test and make check-deps in the new root"
chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin /bin/bash -c '
    set -euo pipefail
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq && apt-get install -y -qq --no-install-recommends make >/dev/null
    cd /root/quarnel && make test && make check-deps'
