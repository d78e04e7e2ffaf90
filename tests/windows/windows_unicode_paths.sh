#!/usr/bin/env bash
# The Windows program under names outside every ANSI code page: started from a directory named
# in Greek and Cyrillic with its data/ beside it, recording PNG frames into another such
# directory. The data directory it reports must be that one, and the frames and soundtrack.wav
# must be byte for byte those of the same program under plain names: a picture or the
# soundtrack that failed to open would show as a difference, not as an error.
set -euo pipefail
: "${QUORVEX:?}" "${WINE_RUN:?}"
data=$(dirname "$QUORVEX")/data
fps=1
source "$(dirname "$0")/windows_common.sh"

install_in() {  # install_in DIR: the program and its data/ side by side, as from the zip
  mkdir -p "$work/$1"
  cp "$QUORVEX" "$work/$1/quorvex.exe"
  cp -r "$data" "$work/$1/data"
}
record_from() {  # record_from PROGRAM_DIR OUT: from $work, which has no data/ of its own
  record "$2" "$WINE_RUN" "$work/$1/quorvex.exe" --size 320x240
}

plain=plain program=$'Pr\u00f6gr\u00e2m \u03a9\u043c\u0435\u0433\u0430' out=$'\u00dcn\u00efc\u00f8d\u00e9 \u043a\u0430\u0434\u0440\u044b'
install_in "$plain"
install_in "$program"
reported=$(cd "$work" && "$WINE_RUN" "$work/$program/quorvex.exe" --version 2>&1) || fail "--version failed: $reported"
grep -qF "$program/data" <<<"$reported" || fail "the data directory is not the one beside the program: $reported"

# The same lines on a console, which Wine makes of a terminal: its code page (437) would garble
# UTF-8 bytes, so they must reach it as text. The terminal's escapes are undone (a space is
# drawn as a move to the right); the refusal to record over $out comes on standard error.
on_console() {  # on_console ARGS...: what the program shows on a console started from $work
  { printf 'cd %q && exec' "$work"; printf ' %q' "$WINE_RUN" "$work/$program/quorvex.exe" "$@"; } >"$work/console.sh"
  { LANG=C.UTF-8 script -qec "bash $work/console.sh" /dev/null </dev/null || true; } |
    perl -pe 's/\e\[(\d*)C/" " x ($1 || 1)/ge; s/\e\[[0-9;?]*[A-Za-z]//g; tr/\r//d'
}

record_from "$plain" plain-frames
record_from "$program" "$out"
[ -f "$work/$out/soundtrack.wav" ] || fail "no soundtrack.wav in $out"
frames=$(cd "$work/$out" && ls | grep -c '^frame_.*\.png$' || true)
[ "$frames" -gt 2 ] || fail "only $frames frames recorded into $out"
shown=$(on_console --version)
grep -qF "data directory: " <<<"$shown" || fail "--version showed nothing on a console: $shown"
grep -qF "$program/data" <<<"$shown" || fail "--version garbled the data directory on a console: $shown"
shown=$(on_console --record "$out" --fps "$fps")
grep -qF "'$out'" <<<"$shown" || fail "the refusal to overwrite garbled the directory on a console: $shown"
(cd "$work/plain-frames" && md5sum -- *) >"$work/plain.md5"
(cd "$work/$out" && md5sum -- *) >"$work/unicode.md5"
diff "$work/plain.md5" "$work/unicode.md5" >/dev/null ||
  fail "the recordings differ: $(diff "$work/plain.md5" "$work/unicode.md5" | grep -c '^>') files, e.g. $(diff "$work/plain.md5" "$work/unicode.md5" | grep '^>' | head -n 3 | awk '{print $3}' | tr '\n' ' ')"
echo "$frames frames and soundtrack.wav recorded from '$program' into '$out', identical to the plain names' run"
echo PASS
