#!/usr/bin/env bash
# The Windows program's PNG recording under Wine against the Linux build's, at the same frame
# rate: the same frame files and the same soundtrack.wav byte for byte. The pictures go through
# the same Mesa llvmpipe (Wine's OpenGL reaches the X server's Mesa) and the particles draw the
# same numbers (the program brings glibc's rand()); edges still differ here and there, most
# likely where msvcrt's maths functions round a last bit otherwise than glibc's (at 1 fps: 66
# of 98 frames identical, the worst 49.0 dB PSNR; before the rand() stand-in, 28.1 dB). So the
# first frame must match exactly and every frame keep a PSNR of at least 40 dB, which a
# missing texture, caption or scene, or particles out of step, fall far below.
set -euo pipefail
: "${QUORVEX:?}" "${QUORVEX_HOST:?}" "${WINE_RUN:?}"
fps=${WINDOWS_RECORD_FPS:-1}
source "$(dirname "$0")/windows_common.sh"
record linux "$QUORVEX_HOST"
record windows "$WINE_RUN" "$QUORVEX"

(cd "$work/linux" && ls) >"$work/linux.files"
(cd "$work/windows" && ls) >"$work/windows.files"
diff "$work/linux.files" "$work/windows.files" >/dev/null ||
  fail "the recordings hold different files: $(diff "$work/linux.files" "$work/windows.files" | head -n 5 | tr '\n' ' ')"
frames=$(grep -c '^frame_.*\.png$' "$work/linux.files")
[ "$frames" -gt 2 ] || fail "only $frames frames recorded"
cmp -s "$work/linux/soundtrack.wav" "$work/windows/soundtrack.wav" || fail "soundtrack.wav differs"

# Per-frame mean squared error and PSNR of the decoded pictures, in one pass over both series.
ffmpeg -nostdin -hide_banner -loglevel error -framerate "$fps" -i "$work/linux/frame_%06d.png" \
  -framerate "$fps" -i "$work/windows/frame_%06d.png" \
  -lavfi "[0:v]format=gbrp[a];[1:v]format=gbrp[b];[a][b]psnr=stats_file=$work/psnr.txt" -f null - ||
  fail "could not compare the frames"
read -r compared exact worst worst_frame first_mse < <(awk '
  { for (i = 1; i <= NF; i++) { split($i, kv, ":"); v[kv[1]] = kv[2] }
    n++; if (v["mse_avg"] == 0) exact++
    p = (v["psnr_avg"] == "inf") ? 1000 : v["psnr_avg"] + 0
    if (n == 1 || p < worst) { worst = p; frame = v["n"] - 1 }
    if (n == 1) first = v["mse_avg"] }
  END { print n, exact + 0, worst, frame, first }' "$work/psnr.txt")
[ "$compared" -eq "$frames" ] || fail "compared $compared frames of $frames"
echo "$frames frames at $fps fps: $exact identical, the worst frame_$(printf %06d "$worst_frame").png at $worst dB PSNR"
[ "$first_mse" = "0.00" ] || fail "the first frame differs (mean squared error $first_mse)"
awk -v w="$worst" 'BEGIN { exit !(w >= 40) }' || fail "frame $worst_frame differs too much: $worst dB PSNR"
echo PASS
