#!/usr/bin/env bash
# Quick start, first command: installs what is missing, builds, runs the main job: hides the
# files of samples/secret in the three sample WAV carriers, prints the Process Report, gets the
# files back out of the target carriers and checks they equal the originals; then marks the
# carriers with a copyright mark and checks one of them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" -DMURL_BUILD_TESTS=OFF
cli="${MURL_BUILD_DIR:-$root/build}/murl-cli"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/targets" "$work/restored"
printf 'the password of the demo\n' >"$work/password.txt"
carriers=("$root/samples/carriers/a_minor.wav" "$root/samples/carriers/c_major.wav"
  "$root/samples/carriers/e_minor.wav")

echo "== Capacity of the sample carriers"
"$cli" capacity --lang en "${carriers[@]}"
echo
echo "== Hiding samples/secret"
"$cli" hide --lang en --quiet -o "$work/targets" --password-file "$work/password.txt" \
  -c "${carriers[0]}" -c "${carriers[1]}" -c "${carriers[2]}" "$root/samples/secret"
echo
echo
echo "== Hidden files, read back from the target carriers (in the order written)"
targets=("$work/targets/a_minor.wav" "$work/targets/c_major.wav" "$work/targets/e_minor.wav")
"$cli" list --lang en --password-file "$work/password.txt" "${targets[@]}"
echo
echo "== Unhiding"
"$cli" unhide --lang en -o "$work/restored" --password-file "$work/password.txt" "${targets[@]}"
diff -r "$root/samples/secret" "$work/restored/secret"
for f in $(cd "$root/samples/secret" && find . -type f | sort); do
  cmp "$root/samples/secret/$f" "$work/restored/secret/$f"
done
echo "All extracted files equal the originals."
echo
echo "== Writing a copyright mark into the sample carriers"
mkdir "$work/marked"
MURL_MARK='(c) the demo of Murl' "$cli" mark --lang en --quiet -o "$work/marked" "${carriers[@]}"
echo
echo
echo "== The mark read back from one marked carrier (the first of its 100 byte lines)"
"$cli" check --lang en "$work/marked/c_major.wav" | sed -n 1,8p
