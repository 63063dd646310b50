#!/usr/bin/env bash
# Installs the .deb that `make package` built on a bare Debian 12 root (debootstrap's minbase, nothing of
# the build), with `apt-get install ./quarnel_*.deb` alone, and shows that it works there: quarnel-cli reads a
# page whose text a script writes, `man quarnel-cli` and the desktop files are in place, and the window opens
# under Xvfb (which alone is put in beside the package, to have a display). Run it whenever packaging or
# dependencies change. Needs root and Debian's package registry.
#   scripts/package-root-test.sh [DEB] [ROOT]   (DEB: build/quarnel_*_amd64.deb; ROOT: /var/tmp/quarnel-package-root)
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)
deb=${1:-$(ls "$repo"/build/quarnel_*_amd64.deb | tail -1)}
root=${2:-/var/tmp/quarnel-package-root}

[[ -f $deb ]] || { echo "package-root-test: no package: run make package first" >&2; exit 2; }
source "$repo/scripts/debian-root.sh"
new_root package-root-test "$root"
cp "$deb" "$root/root/"
cat >"$root/root/page.html" <<'HTML'
<!DOCTYPE html><html><body><p>written by the markup</p><p id="late"></p>
<script>document.getElementById('late').textContent = 'written by ' + 'a script';</script></body></html>
HTML

echo "package-root-test: apt-get install ./$(basename "$deb")"
chroot "$root" /usr/bin/env -i HOME=/root PATH=/usr/sbin:/usr/bin:/sbin:/bin /bin/bash -c '
    set -euo pipefail
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq ./root/quarnel_*_amd64.deb >/root/apt.log 2>&1 || { tail -20 /root/apt.log; exit 1; }
    echo "installed: $(dpkg-query -W -f="\${Package} \${Version}" quarnel)"
    for f in /usr/bin/quarnel /usr/bin/quarnel-cli /usr/share/man/man1/quarnel-cli.1.gz \
             /usr/share/applications/com.marrowick.Quarnel.desktop \
             /usr/share/metainfo/com.marrowick.Quarnel.metainfo.xml \
             /usr/share/icons/hicolor/scalable/apps/com.marrowick.Quarnel.svg \
             /usr/share/icons/hicolor/256x256/apps/com.marrowick.Quarnel.png; do
        [[ -e $f ]] || { echo "missing: $f"; exit 1; }
    done
    echo "quarnel-cli --rendered page.html:"
    quarnel-cli --rendered --format jsonl /root/page.html
    # The window, under a display of its own: it must still be running after 15 s, without having said
    # that pages cannot be loaded (which it says in a message box that would keep it running too).
    apt-get install -y -qq --no-install-recommends xvfb xauth >/dev/null
    xvfb-run -a -s "-screen 0 1400x900x24" bash -c "quarnel 2>/root/quarnel.err & pid=\$!; sleep 15; kill -0 \$pid && echo \"the window is open (pid \$pid)\"; kill \$pid"
    if [[ -s /root/quarnel.err ]]; then echo "the window said:"; cat /root/quarnel.err; fi
    ! grep -q "cannot be loaded" /root/quarnel.err
'
echo "package-root-test: passed"
