#!/usr/bin/env bash
# Quick start, second command: installs what is missing, builds, runs the whole test suite.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" -DMURL_BUILD_TESTS=ON
cd "${MURL_BUILD_DIR:-$root/build}"
ctest --output-on-failure -j2 --timeout 600 -LE stress
