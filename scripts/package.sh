#!/usr/bin/env bash
# Builds the Debian package of Murl (murl and murl-cli, the desktop entry and icons, the manual
# pages, the shell completions and the help pages) into build-package/ (or $MURL_PACKAGE_DIR)
# and prints its path. Installs what is missing first; release build, two jobs, no tests.
# Install it with: sudo apt install ./build-package/murl_*.deb
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MURL_PACKAGE_DIR:-$root/build-package}
"$root/scripts/setup.sh"
MURL_BUILD_DIR=$build "$root/scripts/build.sh" -DCMAKE_BUILD_TYPE=Release -DMURL_BUILD_TESTS=OFF "$@"
(cd "$build" && cpack -G DEB >/dev/null)
ls "$build"/murl_*.deb
