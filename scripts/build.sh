#!/usr/bin/env bash
# Configures and builds into build/ (or $MURL_BUILD_DIR) with two jobs; extra arguments go to cmake.
# A compiler cache is used when the machine has one (it only saves time).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MURL_BUILD_DIR:-$root/build}
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
cmake --build "$build" -j2
