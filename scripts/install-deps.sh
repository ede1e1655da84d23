#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, run and test QuorvelDPC.
set -euo pipefail
packages=(
    build-essential cmake git openssl
    qt6-base-dev qt6-httpserver-dev qt6-websockets-dev libqt6sql6-sqlite
    libgl-dev clang libclang-rt-14-dev
    dpkg-dev desktop-file-utils appstream
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
