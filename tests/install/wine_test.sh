#!/usr/bin/env bash
# The Windows build of murl-cli, run under Wine, and this build's murl-cli share their targets:
# a hide given Windows paths (a drive letter of its own, backslashes, names with spaces and
# accents, a tree deeper than the old 260-character limit) is unhidden by the Linux program, and
# what the Linux program hid is unhidden on Windows. Read-only files stay read-only both ways.
# Arguments: the Linux murl-cli, the sources, the folder for the Windows build and Wine's prefix.
set -euo pipefail
linux_cli=$1
source=$2
windows_build=$3
fail() { echo "FAILED: $*" >&2; exit 1; }
# By the mode bits, not by access(): root may write anything.
read_only() { [[ $(stat -c %A "$1") != *w* ]]; }
step() { echo "[$SECONDS s] $*"; }

step "building murl-cli.exe"
MURL_WINDOWS_BUILD_DIR=$windows_build "$source/scripts/build-windows.sh" >"$windows_build.log" 2>&1 ||
  { tail -30 "$windows_build.log" >&2; fail "scripts/build-windows.sh"; }
exe=$windows_build/murl-cli.exe

export WINEPREFIX=$windows_build/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
scratch=$(mktemp -d)
cleanup() {
  wineserver -k 2>/dev/null || true
  chmod -R u+w "$scratch"
  rm -rf "$scratch"
}
trap cleanup EXIT
step "starting Wine"
wine cmd /c ver >/dev/null 2>&1 || fail "wine does not start"
# The scratch folder is drive M: of its own, beside Z: (the whole disk).
ln -sfn "$scratch" "$WINEPREFIX/dosdevices/m:"
win_temp=$(wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')
unix_temp=$(winepath -u "$win_temp" 2>/dev/null)
temp_before=$(ls -A "$unix_temp" | wc -l)

windows_cli() { (cd "$scratch" && wine "$exe" "$@"); }

step "the tree to hide"
long="A folder whose name is long enough 0123456789 abcdefghijklmnopqrstuvwxyz"
deep="src/$long 1/$long 2/$long 3/$long 4"
mkdir -p "$scratch/$deep" "$scratch/Carriers With Spaces" "$scratch/out-win" "$scratch/out-linux" \
  "$scratch/back-win" "$scratch/back-linux"
printf 'Relazione finale: è pronta.\n' >"$scratch/src/Relazione è pronta.txt"
head -c 20000 /dev/urandom >"$scratch/$deep/data at the bottom.bin"
printf 'read only\n' >"$scratch/src/read only.txt"
chmod a-w "$scratch/src/read only.txt"
(( ${#scratch} + ${#deep} > 300 )) || fail "the tree is not deep enough"
printf 'a password for the wine test\n' >"$scratch/pw.txt"
names=()
for wav in "$source"/samples/carriers/*.wav; do
  cp "$wav" "$scratch/Carriers With Spaces/"
  names+=("$(basename "$wav")")
done

step "hide on Windows, with Windows paths"
win_carriers=()
for name in "${names[@]}"; do win_carriers+=(-c "M:\\Carriers With Spaces\\$name"); done
windows_cli hide -q -o 'M:\out-win' "${win_carriers[@]}" --password-file 'M:\pw.txt' 'M:\src\' \
  >"$scratch/report-win.txt" || fail "Windows hide"
linux_targets=()
for name in "${names[@]}"; do linux_targets+=("out-win/$name"); done
step "unhide on Linux"
(cd "$scratch" && "$linux_cli" unhide -q -o back-linux --password-file pw.txt "${linux_targets[@]}") ||
  fail "Linux unhide of the Windows targets"
diff -r "$scratch/src" "$scratch/back-linux/src" || fail "the tree unhidden on Linux differs"
read_only "$scratch/back-linux/src/read only.txt" || fail "read-only lost from Windows to Linux"

step "hide on Linux, unhide on Windows"
linux_carriers=()
for name in "${names[@]}"; do linux_carriers+=(-c "Carriers With Spaces/$name"); done
(cd "$scratch" && "$linux_cli" hide -q -o out-linux "${linux_carriers[@]}" --password-file pw.txt src \
  >report-linux.txt) || fail "Linux hide"
win_targets=()
for name in "${names[@]}"; do win_targets+=("out-linux\\$name"); done
windows_cli list --password-file 'pw.txt' "${win_targets[@]}" >"$scratch/list-win.txt" ||
  fail "Windows list"
grep -q "Relazione è pronta.txt" "$scratch/list-win.txt" || fail "the list lacks the accented name"
windows_cli unhide -q -o "Z:${scratch//\//\\}\\back-win" --password-file 'M:\pw.txt' \
  "${win_targets[@]}" || fail "Windows unhide of the Linux targets"
diff -r "$scratch/src" "$scratch/back-win/src" || fail "the tree unhidden on Windows differs"
read_only "$scratch/back-win/src/read only.txt" || fail "read-only lost from Linux to Windows"

step "the user's language and temporary folder"
wrong_order=("out-linux\\${names[1]}" "out-linux\\${names[0]}" "out-linux\\${names[2]}")
for language in C it_IT.UTF-8; do
  if (cd "$scratch" && env LC_ALL=$language wine "$exe" list --strict-order --password-file pw.txt \
    "${wrong_order[@]}" >/dev/null 2>"$scratch/message-$language.txt"); then
    fail "a list in the wrong order succeeded"
  fi
done
grep -q "^Warning: " "$scratch/message-C.txt" || fail "English: $(cat "$scratch/message-C.txt")"
grep -q "^Attenzione: " "$scratch/message-it_IT.UTF-8.txt" ||
  fail "Italian: $(cat "$scratch/message-it_IT.UTF-8.txt")"
(( $(ls -A "$unix_temp" | wc -l) == temp_before )) || fail "temporary files left in $unix_temp"
leftovers=$(find "$scratch" -name '.murl-*' | head -5)
[[ -z $leftovers ]] || fail "parts of files left behind: $leftovers"
step "passed"
