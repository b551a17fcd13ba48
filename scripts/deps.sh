#!/usr/bin/env bash
# Installs what the build, the tests, the fuzzers and the demo need on Debian 12, skipping what is
# there.
set -euo pipefail

packages=(
    cmake make g++ pkg-config
    qtbase5-dev qtbase5-private-dev libqt5sql5-sqlite
    qttools5-dev qttools5-dev-tools
    protobuf-compiler libprotobuf-dev
    libbenchmark-dev
    clang libclang-rt-14-dev clang-format
    qtmultimedia5-dev libqt5multimedia5-plugins
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-plugins-ugly
    redis-server libhiredis-dev nginx
    fonts-wqy-zenhei fonts-dejavu-core
    poppler-utils
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    as_root=(sudo)
fi
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
