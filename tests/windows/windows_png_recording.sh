#!/usr/bin/env bash
# The Windows program's PNG recording under Wine against the Linux build's, at the same frame
# rate: the same frame files, the same soundtrack.wav byte for byte, and every frame the same
# picture. Both draw with Mesa's llvmpipe (Wine's OpenGL goes to the X server's Mesa), so
# the pixels must match exactly: the frame files themselves are compared, and where the PNG
# bytes differ, the decoded pixels (ffmpeg's per-frame mean squared error must be 0).
set -euo pipefail
: "${QUORVEX:?}" "${QUORVEX_HOST:?}" "${WINE_RUN:?}"
fps=${WINDOWS_RECORD_FPS:-2}
work=$(mktemp -d /tmp/quorvex-windows-XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

record() {  # record NAME COMMAND...: records into $work/NAME from $work
  local name=$1 started; shift
  started=$(date +%s%N)
  (cd "$work" && "$@" --record "$name" --fps "$fps") >"$work/$name.log" 2>&1 ||
    { tail -n 20 "$work/$name.log"; fail "the $name recording failed"; }
  echo "$name recording: $(( ($(date +%s%N) - started) / 1000000 )) ms"
}
record linux "$QUORVEX_HOST"
record windows "$WINE_RUN" "$QUORVEX"

(cd "$work/linux" && ls) >"$work/linux.files"
(cd "$work/windows" && ls) >"$work/windows.files"
diff "$work/linux.files" "$work/windows.files" >/dev/null ||
  fail "the recordings hold different files: $(diff "$work/linux.files" "$work/windows.files" | head -n 5 | tr '\n' ' ')"
frames=$(grep -c '^frame_.*\.png$' "$work/linux.files")
[ "$frames" -gt 2 ] || fail "only $frames frames recorded"
cmp -s "$work/linux/soundtrack.wav" "$work/windows/soundtrack.wav" || fail "soundtrack.wav differs"

same=0
differing=()
while read -r f; do
  if cmp -s "$work/linux/$f" "$work/windows/$f"; then same=$((same + 1)); else differing+=("$f"); fi
done < <(grep '^frame_.*\.png$' "$work/linux.files")
echo "$frames frames at $fps fps: $same with identical PNG files"

# Frames whose files differ are decoded and compared pixel by pixel.
for f in "${differing[@]}"; do
  stats=$(ffmpeg -nostdin -hide_banner -loglevel error -i "$work/linux/$f" -i "$work/windows/$f" \
    -lavfi "[0:v][1:v]psnr=stats_file=-" -f null - 2>/dev/null | head -n 1)
  mse=$(sed -n 's/.*mse_avg:\([0-9.]*\).*/\1/p' <<<"$stats")
  psnr=$(sed -n 's/.*psnr_avg:\([0-9.a-z]*\).*/\1/p' <<<"$stats")
  [ -n "$mse" ] || fail "could not compare $f"
  awk -v m="$mse" 'BEGIN { exit !(m == 0) }' || fail "$f differs: mean squared error $mse, PSNR $psnr dB"
done
echo "PASS: ${#differing[@]} further frames with other PNG bytes but the same pixels"
