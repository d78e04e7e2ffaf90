#!/usr/bin/env bash
# The zip's README.txt as a Windows user meets it: every line ends in CR LF, as Notepad wants,
# and its example commands work as typed in the program's folder: named with ".\", without
# which PowerShell runs no program from the current folder, and the --help one run by Wine's
# Command Prompt prints the usage.
set -euo pipefail
: "${QUORVEX:?}" "${WINE_RUN:?}" "${README:?}"
fail() { echo "FAIL: $*"; exit 1; }

lines=$(wc -l <"$README")
[ "$(grep -c $'\r$' "$README")" -eq "$lines" ] && [ "$(tail -c 2 "$README" | od -An -tx1 | tr -d ' ')" = 0d0a ] ||
  fail "not every line of $README ends in CR LF"

commands=$(tr -d '\r' <"$README" | sed -n 's/^  \([^ ]*quorvex\.exe .*\)$/\1/p')
[ -n "$commands" ] || fail "no example commands in $README"
while read -r command; do
  [[ $command == '.\quorvex.exe '* ]] || fail "'$command' does not run in PowerShell, which needs '.\\quorvex.exe'"
done <<<"$commands"

help=$(grep -e '--help' <<<"$commands") || fail "no --help example in $README"
cd "$(dirname "$QUORVEX")"
shown=$("$WINE_RUN" cmd /c "$help" 2>&1) || fail "'$help' failed in a Command Prompt: $shown"
grep -q '^Usage: ' <<<"$shown" || fail "'$help' showed no usage: $shown"
echo "$lines lines, all CR LF; $(wc -l <<<"$commands") example commands, '$help' shows the usage"
echo PASS
