#!/usr/bin/env bash
# Runs fuzz targets (all of them, or those named: bmp pcx ...) for $RUNS executions each (default
# 1000000; fewer if $MAX_TIME seconds run out first), one after another, each over a corpus of its
# own in $MURL_BUILD_DIR/corpus seeded from tests/data: the files of its format, every file for
# the targets of raw bytes, and for identify every file behind its own name. Build the targets
# first (see README.md).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${MURL_BUILD_DIR:-$root/build-fuzz}
runs=${RUNS:-1000000}
limit=()
if [ -n "${MAX_TIME:-}" ]; then limit=(-max_total_time="$MAX_TIME"); fi
data=$root/tests/data

seeds() {
  case $1 in
    aiff_au) ls "$data"/aiff_* "$data"/au_* ;;
    png_codec) ls "$data"/png_*.png ;;
    bmp | jpeg | module | mp3 | pcx | png | tga | wav) ls "$data/$1"_* ;;
    *) ls "$data"/* ;;
  esac
}

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  mapfile -t targets < <(cd "$build/fuzz" && ls fuzz_* | sed 's/^fuzz_//')
fi
for target in "${targets[@]}"; do
  corpus=$build/corpus/$target
  mkdir -p "$corpus"
  for file in $(seeds "$target"); do
    name=$(basename "$file")
    if [ "$target" = identify ]; then  # a name, a zero byte, the content
      { printf '%s\0' "$name"; cat "$file"; } >"$corpus/$name"
    else
      cp "$file" "$corpus/$name"
    fi
  done
  echo "== $target"
  log=$build/corpus/$target.log
  if ! "$build/fuzz/fuzz_$target" -runs="$runs" "${limit[@]}" -print_final_stats=1 \
    -artifact_prefix="$build/corpus/$target-" "$corpus" >"$log" 2>&1; then
    tail -40 "$log"
    echo "fuzz_$target failed; its log: $log" >&2
    exit 1
  fi
  grep -E '^(Done|stat::number_of_executed_units)' "$log"
done
