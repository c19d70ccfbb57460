#!/usr/bin/env bash
# The Debian package as a user gets it: CPack makes it from the build in $1 (sources in $2), it is
# unpacked with dpkg -x into a scratch root, and what it installed is checked and run from there:
# murl-cli --version and a hide/unhide round trip of the samples, the desktop entry, the icons,
# the manual pages, the completions and the help pages. Prints how long each step took.
set -euo pipefail
build=$1
source=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }
step() { echo "[$SECONDS s] $*"; }

step "cpack"
cpack -G DEB -B "$scratch/package" --config "$build/CPackConfig.cmake" >"$scratch/cpack.log" 2>&1 ||
  { cat "$scratch/cpack.log" >&2; fail "cpack"; }
debs=("$scratch"/package/murl_*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || fail "one murl_*.deb expected in $scratch/package"
deb=${debs[0]}
step "made $(basename "$deb"), $(du -k "$deb" | cut -f1) KiB"

[[ $(dpkg-deb -f "$deb" Package) == murl ]] || fail "package name"
depends=$(dpkg-deb -f "$deb" Depends)
[[ $depends == *zlib1g* ]] || fail "zlib missing from Depends: $depends"
if dpkg-deb -c "$deb" | awk '{print $6}' | grep -v '^\./usr/' | grep -v '^\./$'; then
  fail "files outside /usr"
fi

root=$scratch/root
dpkg -x "$deb" "$root"
cli=$root/usr/bin/murl-cli
[[ -x $cli ]] || fail "usr/bin/murl-cli"

step "murl-cli --version"
version=$("$cli" --version)
[[ $version =~ ^murl-cli\ [0-9]+\.[0-9]+\.[0-9]+\ \(zlib\ [0-9.]+\)$ ]] || fail "version line: $version"

step "hide and unhide with the installed murl-cli"
work=$scratch/work
mkdir -p "$work/out" "$work/back"
printf 'a password for the package test\n' >"$work/pw.txt"
carriers=()
for wav in "$source"/samples/carriers/*.wav; do carriers+=(-c "$wav"); done
(cd "$work" && "$cli" hide -q -o out "${carriers[@]}" --password-file pw.txt "$source/samples/secret" \
  >report.txt) || fail "hide"
targets=()
for wav in "$source"/samples/carriers/*.wav; do targets+=("out/$(basename "$wav")"); done
(cd "$work" && "$cli" unhide -q -o back --password-file pw.txt "${targets[@]}") || fail "unhide"
diff -r "$source/samples/secret" "$work/back/secret" || fail "the unhidden tree differs"

step "desktop entry, icons, manual pages, completions, help"
desktop=$root/usr/share/applications/murl.desktop
if [[ -x $root/usr/bin/murl ]]; then
  [[ -f $desktop ]] || fail "no desktop entry"
  desktop-file-validate "$desktop" || fail "desktop-file-validate"
  grep -qx 'Exec=murl' "$desktop" || fail "Exec"
  grep -qx 'Icon=murl' "$desktop" || fail "Icon"
  [[ -f $root/usr/share/icons/hicolor/scalable/apps/murl.svg ]] || fail "scalable icon"
  for size in 16 24 32 48 64 128 256; do
    python3 - "$root/usr/share/icons/hicolor/${size}x${size}/apps/murl.png" "$size" <<'PY' ||
import struct, sys
data = open(sys.argv[1], "rb").read(24)
assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
assert struct.unpack(">II", data[16:24]) == (int(sys.argv[2]),) * 2, "wrong size"
PY
      fail "icon of $size pixels"
  done
  [[ $("$root/usr/bin/murl" --version) == "murl ${version#murl-cli }" ]] || fail "murl --version"
  for page in en it; do [[ -s $root/usr/share/doc/murl/help/$page.html ]] || fail "help $page"; done
  pages=(murl murl-cli)
else
  pages=(murl-cli)
fi
for page in "${pages[@]}"; do
  man_file=$root/usr/share/man/man1/$page.1
  [[ -f $man_file ]] || fail "manual page $page"
  warnings=$(MANWIDTH=80 man --warnings -E UTF-8 -l "$man_file" 2>&1 >/dev/null)
  [[ -z $warnings ]] || fail "manual page $page: $warnings"
  [[ $(MANPATH=$root/usr/share/man man -w "$page") == "$man_file" ]] || fail "man -w $page"
done
[[ -f $root/usr/share/bash-completion/completions/murl-cli ]] || fail "bash completion"
[[ -f $root/usr/share/zsh/vendor-completions/_murl-cli ]] || fail "zsh completion"
step "passed"
