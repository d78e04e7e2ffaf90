#!/usr/bin/env bash
# Fails when a source file of src/ differs from what clang-format makes of it under
# .clang-format, naming each such file and how many lines would change. `--fix` rewrites them.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files 'src/*.cpp' 'src/*.h')
if [[ "${1:-}" == "--fix" ]]; then
  clang-format -i "${files[@]}"
  exit 0
fi
drifted=0
for file in "${files[@]}"; do
  changed=$(clang-format "$file" | diff "$file" - | grep -c '^[<>]' || true)
  if (( changed )); then
    echo "$file: $changed lines differ from .clang-format"
    drifted=$((drifted + 1))
  fi
done
if (( drifted )); then
  echo "$drifted file(s) drift from .clang-format: scripts/check-format.sh --fix formats them"
  exit 1
fi
echo "format: every file of src/ is as .clang-format writes it"
