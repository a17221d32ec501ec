#!/usr/bin/env bash
# Runs every fuzz_* program in DIR for SECONDS each, starting from its seed corpus in fuzz/corpus/NAME.
set -euo pipefail
dir=$1; seconds=$2
root=$(cd "$(dirname "$0")/.." && pwd)
found=0
for f in "$dir"/fuzz_*; do
  [ -x "$f" ] || continue
  found=1
  name=$(basename "$f"); name=${name#fuzz_}
  work=$(mktemp -d)
  [ -d "$root/fuzz/corpus/$name" ] && cp -r "$root/fuzz/corpus/$name/." "$work/"
  echo "fuzzing $name for ${seconds}s"
  "$f" -max_total_time="$seconds" -rss_limit_mb=2048 -print_final_stats=1 "$work"
  rm -rf "$work"
done
[ $found -eq 1 ] || echo "no fuzz targets built"
