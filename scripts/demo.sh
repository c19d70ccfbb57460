#!/usr/bin/env bash
# Quick start, first command: installs what is missing, builds, runs the main job.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" -DMURL_BUILD_TESTS=OFF
"${MURL_BUILD_DIR:-$root/build}/murl-cli" --help
