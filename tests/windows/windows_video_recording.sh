#!/usr/bin/env bash
# The Windows program's video forms under Wine, with an ffmpeg.exe cross-built for the tests
# (FFMPEG_DIR) found on Wine's PATH as Windows finds programs, fed through two named pipes.
# Against the same program's PNG recording at the same rate: the .mkv holds exactly those
# frames and soundtrack.wav's samples; the .mp4 holds H.264 and AAC, as many frames, close to
# them. Without ffmpeg on PATH both forms are refused before any work with Linux's message,
# where only the way to get ffmpeg differs.
set -euo pipefail
: "${QUORVEX:?}" "${QUORVEX_HOST:?}" "${WINE_RUN:?}" "${FFMPEG_DIR:?}"
fps=${WINDOWS_RECORD_FPS:-2}
source "$(dirname "$0")/windows_common.sh"
[ -f "$FFMPEG_DIR/ffmpeg.exe" ] || fail "no ffmpeg.exe in $FFMPEG_DIR"
# The Windows program with ffmpeg.exe's directory on its PATH (Wine's Z: is the root).
windows_with_ffmpeg=(env WINEPATH="Z:${FFMPEG_DIR//\//\\}" "$WINE_RUN" "$QUORVEX")

# The md5 of every decoded RGB picture of a video or image series, one per line.
frame_md5s() { ffmpeg -nostdin -v error "$@" -map 0:v -pix_fmt rgb24 -f framemd5 - | awk '!/^#/ { print $NF }'; }
sound_md5() { ffmpeg -nostdin -v error -i "$1" -map 0:a -f s16le - | md5sum | cut -d' ' -f1; }
stream_codecs() {
  ffprobe -v error -show_entries stream=codec_name -of csv=p=0 "$1" | sort | tr '\n' ' '
}

# --- refused without ffmpeg, as on Linux -------------------------------------------------------
for form in mkv mp4; do
  linux=$(cd "$work" && PATH=/nonexistent "$QUORVEX_HOST" --record "refused.$form" 2>&1 >/dev/null) &&
    fail "Linux recorded without ffmpeg"
  windows=$(cd "$work" && "$WINE_RUN" "$QUORVEX" --record "refused.$form" 2>&1 >/dev/null | tr -d '\r') &&
    fail "Windows recorded without ffmpeg"
  [ "$(wc -l <<<"$windows")" -eq 1 ] || fail "the refusal is not one line: $windows"
  [ "${windows/(ffmpeg.exe in a PATH directory)/(HOW)}" = "${linux/(Debian package \"ffmpeg\")/(HOW)}" ] ||
    fail "the refusals differ: '$windows' and '$linux'"
  [ ! -e "$work/refused.$form" ] || fail "a refused recording left refused.$form"
done
echo "refused without ffmpeg: $windows"

# --- the recordings ----------------------------------------------------------------------------
for name in frames video.mkv video.mp4; do record "$name" "${windows_with_ffmpeg[@]}"; done
ls -A "$work" | grep -q '\.part-' && fail "a partial file was left: $(ls -A "$work")"

frame_md5s -framerate "$fps" -i "$work/frames/frame_%06d.png" >"$work/png.md5"
frames=$(wc -l <"$work/png.md5")
[ "$frames" -gt 100 ] || fail "only $frames PNG frames"

[ "$(stream_codecs "$work/video.mkv")" = "flac h264 " ] || fail ".mkv streams: $(stream_codecs "$work/video.mkv")"
frame_md5s -i "$work/video.mkv" >"$work/mkv.md5"
cmp -s "$work/png.md5" "$work/mkv.md5" ||
  fail ".mkv frames differ from the PNG frames: $(diff "$work/png.md5" "$work/mkv.md5" | grep -c '^[<>]') lines of the checksums"
[ "$(sound_md5 "$work/video.mkv")" = "$(sound_md5 "$work/frames/soundtrack.wav")" ] ||
  fail ".mkv sound differs from soundtrack.wav"
echo ".mkv: $frames frames and the whole soundtrack, exactly as the PNG recording"

[ "$(stream_codecs "$work/video.mp4")" = "aac h264 " ] || fail ".mp4 streams: $(stream_codecs "$work/video.mp4")"
mp4_frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames \
  -of csv=p=0 "$work/video.mp4")
[ "$mp4_frames" -eq "$frames" ] || fail ".mp4 has $mp4_frames frames, the PNG recording $frames"
psnr=$(ffmpeg -nostdin -hide_banner -i "$work/video.mp4" -framerate "$fps" -i "$work/frames/frame_%06d.png" \
  -lavfi "[0:v]format=gbrp[a];[1:v]format=gbrp[b];[a][b]psnr" -f null - 2>&1 |
  sed -n 's/.*PSNR.* average:\([0-9.inf]*\).*/\1/p')
echo ".mp4: $mp4_frames frames, $psnr dB PSNR against the PNG frames"
awk -v p="$psnr" 'BEGIN { exit !(p == "inf" || p + 0 >= 35) }' || fail ".mp4 is too far from the frames: '$psnr' dB"
echo PASS
