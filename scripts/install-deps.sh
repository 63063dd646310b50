#!/usr/bin/env bash
# Installs the Debian packages needed to build, run and test Quarnel, and only those that are missing.
# Silent when everything is already there.
#   scripts/install-deps.sh           what `make run` and `make test` need
#   scripts/install-deps.sh --bench   that, and what the benchmarks' peers need (Chromium, npm, GNU parallel, Slurm and munge)
#   scripts/install-deps.sh --package that, and what `make package` needs to build and validate the .deb
#   scripts/install-deps.sh --list    prints the packages of the first set, one a line, and installs nothing
#
# Every package that the programs, the tests or the checks load at run time is named here, or reached from
# a package named here through Depends or Pre-Depends alone: what a package merely recommends is not
# installed here (--no-install-recommends), and `make check-deps` proves the list against what the
# programs really open.
set -euo pipefail

packages=(
    # building
    cmake make g++ pkg-config
    qt6-base-dev qt6-declarative-dev qt6-webengine-dev libgl-dev zlib1g-dev qtkeychain-qt6-dev
    # the engine and the QML modules its pages are made of: QtWebEngine's module does not declare the
    # QtQml.WorkerScript module that the QML engine loads with it
    libqt6webenginecore6-bin qml6-module-qtwebengine qml6-module-qtqml-workerscript qt6-image-formats-plugins
    # the ad and tracker block lists (EasyList, EasyPrivacy) that pages are loaded with; the extension itself
    # is never loaded
    webext-ublock-origin-chromium
    # tests and checks
    libgtest-dev libgmock-dev googletest libbenchmark-dev
    iputils-ping xvfb xauth fonts-dejavu-core python3 clang-format clang-tidy nodejs strace
)
bench_packages=(chromium npm parallel slurm-wlm munge)
package_packages=(dpkg-dev file desktop-file-utils appstream lintian)

case "${1:-}" in
--list)
    printf '%s\n' "${packages[@]}"
    exit 0
    ;;
--bench) packages+=("${bench_packages[@]}") ;;
--package) packages+=("${package_packages[@]}") ;;
"") ;;
*)
    echo "usage: $0 [--bench | --package | --list]" >&2
    exit 2
    ;;
esac

missing=()
for p in "${packages[@]}"; do
    # npm may come with a Node.js of another origin than Debian's; it serves the benchmarks all the same.
    [[ $p == npm ]] && command -v npm >/dev/null && continue
    status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

if [[ $(id -u) -eq 0 ]]; then
    as_root=()
elif command -v sudo >/dev/null 2>&1; then
    as_root=(sudo)
else
    echo "install-deps: missing packages (${missing[*]}) and neither root nor sudo is available" >&2
    exit 1
fi

echo "install-deps: installing ${missing[*]}"
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
