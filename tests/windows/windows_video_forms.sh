#!/usr/bin/env bash
# The video forms of the Windows program under Wine. With no ffmpeg.exe on the Windows PATH a
# video recording is refused with one line and status 2, and nothing is created. With the
# cross-built ffmpeg.exe on it (WINEPATH): the .mkv holds lossless H.264 on the RGB planes
# whose frames are exactly the PNG recording's, and FLAC; the .mp4 holds H.264 4:2:0 and AAC
# with as many frames. The files are read with the build machine's ffprobe and ffmpeg.
set -euo pipefail
: "${QUORVEX:?}" "${WINE_RUN:?}" "${FFMPEG_EXE_DIR:?}"
fps=${WINDOWS_RECORD_FPS:-2}
work=$(mktemp -d /tmp/quorvex-windows-video-XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }
quorvex() { (cd "$work" && "$WINE_RUN" "$QUORVEX" "$@"); }
probe() { ffprobe -v error -select_streams "$2" -show_entries "$3" -of csv=p=0 "$1"; }

# No ffmpeg.exe: Wine's PATH holds only Windows' own directories.
status=0
WINEPATH= quorvex --record refused.mkv >"$work/refused.log" 2>&1 || status=$?
[ "$status" -eq 2 ] || fail "without ffmpeg.exe: exit status $status, expected 2"
[ "$(wc -l <"$work/refused.log")" -eq 1 ] || fail "without ffmpeg.exe: not one line: $(cat "$work/refused.log")"
grep -q ffmpeg "$work/refused.log" || fail "the refusal does not name ffmpeg: $(cat "$work/refused.log")"
[ ! -e "$work/refused.mkv" ] || fail "the refused recording created refused.mkv"
echo "without ffmpeg.exe: $(cat "$work/refused.log")"

export WINEPATH=$FFMPEG_EXE_DIR
for out in demo.mkv demo.mp4 frames; do
  started=$(date +%s%N)
  quorvex --record "$out" --fps "$fps" >"$work/$out.log" 2>&1 || { tail "$work/$out.log"; fail "recording $out failed"; }
  echo "$out: $(( ($(date +%s%N) - started) / 1000000 )) ms"
done
frames=$(ls "$work/frames" | grep -c '^frame_')

[ "$(probe "$work/demo.mkv" v:0 stream=codec_name,pix_fmt)" = "h264,gbrp" ] || fail ".mkv video is not lossless RGB H.264"
[ "$(probe "$work/demo.mkv" a:0 stream=codec_name)" = flac ] || fail ".mkv sound is not FLAC"
[ "$(probe "$work/demo.mp4" v:0 stream=codec_name,pix_fmt)" = "h264,yuv420p" ] || fail ".mp4 video is not H.264 4:2:0"
[ "$(probe "$work/demo.mp4" a:0 stream=codec_name)" = aac ] || fail ".mp4 sound is not AAC"
for f in demo.mkv demo.mp4; do
  n=$(probe "$work/$f" v:0 "stream=nb_read_frames -count_frames")
  [ "$n" = "$frames" ] || fail "$f holds $n frames, the PNG recording $frames"
done

# Every decoded .mkv frame against its PNG frame: the largest mean squared error must be 0.
worst=$(ffmpeg -nostdin -hide_banner -loglevel error -i "$work/demo.mkv" \
    -framerate "$fps" -i "$work/frames/frame_%06d.png" \
    -lavfi "[0:v]format=gbrp[a];[1:v]format=gbrp[b];[a][b]psnr=stats_file=-" -f null - |
  sed -n 's/.*mse_avg:\([0-9.]*\).*/\1/p' | sort -g | tail -n 1)
[ "$worst" = "0.00" ] || fail ".mkv frames differ from the PNG frames (largest mean squared error $worst)"
# The FLAC sound decodes to soundtrack.wav's samples.
ffmpeg -nostdin -loglevel error -i "$work/demo.mkv" -map 0:a -f s16le - | cmp -s - <(tail -c +45 "$work/frames/soundtrack.wav") ||
  fail ".mkv sound differs from soundtrack.wav"
echo "PASS: $frames frames, .mkv frames and sound exact, .mp4 H.264 + AAC"
