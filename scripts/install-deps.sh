#!/usr/bin/env bash
# Installs what Picvora needs to build, test and run on Debian 12. Safe to run again:
# it asks apt only for packages that are missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config git dpkg-dev file
    qt6-base-dev libboost-regex-dev libcurl4-openssl-dev libcpp-httplib-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-wqy-microhei xvfb xauth
    clang libclang-rt-14-dev aria2 curl
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi
