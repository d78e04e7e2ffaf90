#!/usr/bin/env bash
# Checks that the source folders only include downwards: platform, assets, audio and render,
# scenes, shell, record, entry. A folder may include itself and any folder of a lower layer;
# every include that runs sideways or upwards is listed and fails the check.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A layer=([platform]=0 [assets]=1 [audio]=2 [render]=2 [scenes]=3 [shell]=4 [record]=5 [entry]=6)
failures=0
for dir in src/*/; do
  from=$(basename "$dir")
  if [[ -z "${layer[$from]+set}" ]]; then
    echo "src/$from: a folder with no layer; give it one in $0"
    failures=$((failures + 1))
    continue
  fi
  while IFS=: read -r file line text; do
    to=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^/"]+)\/.*/\1/' <<<"$text")
    [[ "$to" == "$from" || -z "${layer[$to]+set}" ]] && continue
    if (( layer[$to] >= layer[$from] )); then
      echo "$file:$line: $from includes $to: ${text#"${text%%[![:space:]]*}"}"
      failures=$((failures + 1))
    fi
  done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^/"]+/' "$dir" || true)
done
if (( failures )); then
  echo "$failures include(s) against the layers"
  exit 1
fi
echo "layers: every include runs downwards"
