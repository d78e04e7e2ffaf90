#!/usr/bin/env bash
# Makes the README's picture from a recording: one frame of each of the six scenes, scaled to
# 320 x 240 and tiled three by two, in at most 256 colours so that the file stays small.
# Usage: scripts/contact-sheet.sh PROGRAM OUTPUT.png
set -euo pipefail
program=$1
out=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One frame a second is enough: frame n shows second n of the demo.
"$program" --record "$work/frames" --fps 1 2>"$work/record.log" || { cat "$work/record.log" >&2; exit 1; }
# A second well inside each scene: the intro's captions, the journey, the sine cubes, the
# itchy atom, the Vader scene, the closing picture.
inputs=()
for second in 30 53 62 75 90 95; do
  inputs+=(-i "$(printf '%s/frames/frame_%06d.png' "$work" "$second")")
done
layout='0_0|w0_0|w0+w1_0|0_h0|w0_h0|w0+w1_h0'
ffmpeg -v error -nostdin -y "${inputs[@]}" -filter_complex \
  "xstack=inputs=6:layout=$layout,scale=960:480:flags=area,split[a][b];[a]palettegen=max_colors=256:stats_mode=full[p];[b][p]paletteuse=dither=none" \
  -frames:v 1 -bitexact "$out"
echo "$out: $(stat -c %s "$out") bytes"
