#!/usr/bin/env bash
# Installs the Debian 12 packages needed to build, run and test QuorvelDPC.
set -euo pipefail
packages=(
    build-essential cmake git openssl ccache
    qt6-base-dev qt6-charts-dev libqt6opengl6-dev libqt6sql6-sqlite
    libmicrohttpd-dev libgnutls28-dev libsqlite3-dev pkg-config
    libgl-dev clang libclang-rt-14-dev
    dpkg-dev desktop-file-utils appstream
    qt6-translations-l10n locales
    libqt6printsupport6 poppler-utils
    libxlsxwriter-dev libxlsxwriter4 python3-openpyxl
    strace  # tests/demo/check_start_failure.sh traces the demo service
)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# The operators' desktop locale: the window tests also run under it.
has_italian() { locale -a 2>/dev/null | grep -qix 'it_IT\.utf-\?8'; }
[ ${#missing[@]} -eq 0 ] && has_italian && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -gt 0 ]; then
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
if ! has_italian; then
    $SUDO sed -i 's/^# *\(it_IT\.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    grep -q '^it_IT\.UTF-8 UTF-8' /etc/locale.gen || echo 'it_IT.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen
fi
