# Sourced by the scripts that try Quarnel on a Debian 12 root made just now: `new_root NAME ROOT` makes a
# minimal bookworm (debootstrap's minbase) at ROOT, anew, with the host's name servers, and mounts /proc,
# /dev and /sys into it until the script ends. MIRROR sets the registry (http://deb.debian.org/debian by
# default). Needs root.
new_root() {
    local name=$1
    root=$2
    [[ $(id -u) -eq 0 ]] || { echo "$name: run as root (debootstrap and chroot)" >&2; exit 2; }
    command -v debootstrap >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq debootstrap
    unmount_root
    rm -rf --one-file-system "$root"
    trap unmount_root EXIT
    echo "$name: debootstrap bookworm into $root"
    debootstrap --variant=minbase bookworm "$root" "${MIRROR:-http://deb.debian.org/debian}" \
        >"$root.debootstrap.log" 2>&1 || { tail -20 "$root.debootstrap.log" >&2; exit 1; }
    cp /etc/resolv.conf "$root/etc/resolv.conf"
    mount -t proc proc "$root/proc"
    mount --rbind /dev "$root/dev"
    mount --rbind /sys "$root/sys"
}
unmount_root() { [[ -d "$root" ]] && umount -R "$root/proc" "$root/dev" "$root/sys" 2>/dev/null || true; }
