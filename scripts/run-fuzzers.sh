#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzz build for the given number of seconds each,
# with a corpus directory per target; fails on the first crash or sanitizer report.
set -euo pipefail
build=$1
seconds=$2
shopt -s nullglob
targets=("$build"/tests/fuzz/fuzz_*)
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets built"; exit 0; }
for target in "${targets[@]}"; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  corpus="$build/corpus/$name"
  mkdir -p "$corpus"
  echo "== $name for ${seconds}s"
  "$target" "$corpus" -max_total_time="$seconds" -print_final_stats=1 -rss_limit_mb=4096 2>&1 | tail -12
  [ "${PIPESTATUS[0]}" -eq 0 ] || { echo "$name failed"; exit 1; }
done
