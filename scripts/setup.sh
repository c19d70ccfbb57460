#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing when all are present.
set -euo pipefail

packages=(build-essential cmake pkg-config zlib1g-dev libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev
  libpng-dev)
# The desktop application: Qt 6 Widgets, SVG and Test, Qt's Italian texts for its own dialogs, and
# a font for the offscreen platform the tests and the screenshots run on.
packages+=(qt6-base-dev qt6-svg-dev libgl-dev qt6-translations-l10n fonts-dejavu-core)
# Installing: the package test checks the desktop entry and reads the manual pages with man, and
# the completion test sources the zsh script as zsh reads it.
packages+=(desktop-file-utils man-db zsh)
if [[ "${MURL_WITH_FUZZ:-0}" == 1 ]]; then
  packages+=(clang libclang-rt-dev)
fi
if [[ "${MURL_WITH_BENCH:-0}" == 1 ]]; then
  packages+=(libjpeg-turbo-progs)  # the JPEG benchmark makes its photograph and compares jpegtran
fi
if [[ "${MURL_WITH_WINE:-0}" == 1 ]]; then
  # The Windows build of murl-cli (scripts/build-windows.sh) and the Wine test that runs it.
  packages+=(mingw-w64 libz-mingw-w64-dev wine wine64)
fi
if [[ "${MURL_WITH_ARTWORK:-0}" == 1 ]]; then
  packages+=(librsvg2-bin)  # scripts/make_artwork.py renders the application icon's PNG sizes
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=""
[[ $(id -u) -ne 0 ]] && sudo="sudo"
echo "Installing: ${missing[*]}" >&2
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
