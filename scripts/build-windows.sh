#!/usr/bin/env bash
# Builds murl-cli.exe for 64-bit Windows with the mingw-w64 cross compilers into build-windows/
# (or $MURL_WINDOWS_BUILD_DIR), two jobs. Installs what is missing first (MURL_WITH_WINE=1
# scripts/setup.sh brings the compilers, zlib for them and Wine to run the result). Extra
# arguments go to cmake's configure step.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MURL_WINDOWS_BUILD_DIR:-$root/build-windows}
MURL_WITH_WINE=1 "$root/scripts/setup.sh"
# CLI11 is header-only: its headers alone, in a folder of the build's, so the host's /usr/include
# never mixes with the Windows headers.
mkdir -p "$build/cli11"
ln -sfn /usr/include/CLI "$build/cli11/CLI"
MURL_BUILD_DIR=$build "$root/scripts/build.sh" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DMURL_BUILD_UI=OFF -DMURL_BUILD_TESTS=OFF \
  -DMURL_CLI11_INCLUDE_DIR="$build/cli11" "$@"
echo "$build/murl-cli.exe"
