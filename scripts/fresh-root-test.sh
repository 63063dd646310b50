#!/usr/bin/env bash
# Runs the README's `make test`, then `make check-deps`, on a Debian 12 root made just now, as a new user's machine would be: a
# minimal bookworm (debootstrap's minbase), a clean clone of this repository's HEAD, nothing else. Run it
# whenever scripts/install-deps.sh changes. Needs root and Debian's package registry.
#   scripts/fresh-root-test.sh [ROOT]   (ROOT: /var/tmp/quarnel-fresh-root by default; made anew)
# MIRROR sets the registry (http://deb.debian.org/debian by default). The only thing put in beyond the bare
# root is `make` itself, which the README's two commands presuppose.
set -euo pipefail
root=${1:-/var/tmp/quarnel-fresh-root}
mirror=${MIRROR:-http://deb.debian.org/debian}
repo=$(cd "$(dirname "$0")/.." && pwd)

[[ $(id -u) -eq 0 ]] || { echo "fresh-root-test: run as root (debootstrap and chroot)" >&2; exit 2; }
command -v debootstrap >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap

unmount() { [[ -d "$root" ]] && umount -R "$root/proc" "$root/dev" "$root/sys" 2>/dev/null || true; }
unmount
rm -rf --one-file-system "$root"
trap unmount EXIT

echo "fresh-root-test: debootstrap bookworm into $root"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.debootstrap.log" 2>&1 ||
    { tail -20 "$root.debootstrap.log" >&2; exit 1; }
cp /etc/resolv.conf "$root/etc/resolv.conf"
git clone -q "$repo" "$root/root/quarnel"
mount -t proc proc "$root/proc"
mount --rbind /dev "$root/dev"
mount --rbind /sys "$root/sys"

echo "fresh-root-test: make test and make check-deps in the new root"
chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin /bin/bash -c '
    set -euo pipefail
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq && apt-get install -y -qq --no-install-recommends make >/dev/null
    cd /root/quarnel && make test && make check-deps'
