#!/usr/bin/env bash
# Installs the Debian packages needed to build, run and test Quarnel, and only those that are missing.
# Silent when everything is already there.
set -euo pipefail

packages=(
    cmake make g++ pkg-config
    qt6-base-dev qt6-declarative-dev qt6-webengine-dev libqt6webenginecore6-bin qml6-module-qtwebengine
    qt6-image-formats-plugins libgl-dev
    libgtest-dev libgmock-dev googletest libbenchmark-dev zlib1g-dev
    iputils-ping xvfb xauth fonts-dejavu-core python3 clang-format
)

missing=()
for p in "${packages[@]}"; do
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
