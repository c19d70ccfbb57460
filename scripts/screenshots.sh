#!/usr/bin/env bash
# Writes a PNG of every page and message box of the desktop application (main menu, wizards,
# Checking and Options Panels), in English and Italian (PAGE-en.png, PAGE-it.png), into the
# folder given. Builds what is needed first; runs on Qt's offscreen platform, so no display is
# needed.
set -euo pipefail
if [[ $# -ne 1 ]]; then
  echo "usage: $0 OUTPUT_FOLDER" >&2
  exit 2
fi
root=$(cd "$(dirname "$0")/.." && pwd)
out=$(mkdir -p "$1" && cd "$1" && pwd)
build=${MURL_BUILD_DIR:-$root/build}
"$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DMURL_BUILD_TESTS=ON -DMURL_BUILD_UI=ON >/dev/null
cmake --build "$build" --target murl_screenshots -j2
QT_QPA_PLATFORM=offscreen "$build/tests/murl_screenshots" "$out"
