#!/usr/bin/env bash
# The intro's fade, 200 calls of the scene chain, lasts 3.3 s live on a display without vsync
# (Xvfb): timed from screen captures of a patch of the sliding backdrop, whose brightness the
# fade scales down linearly from its level before the fade to black.
set -u
source "$(dirname "$0")/e2e_common.sh"
on_screen 640x480

command -v ffmpeg >/dev/null || fail "ffmpeg is needed to capture the screen"
start_demo --windowed --stats
win=$(wait_window "Quorvex Dalmera") || fail "no demo window"
shown=$(now_ms)

# The fade starts at second 47 of the demo clock, which starts with the window's first
# frames; capture from 43 s to 54 s, past the journey's first picture.
sleep $(( 43 - ($(now_ms) - shown) / 1000 ))
samples=$(mktemp /tmp/quorvex-fade-XXXXXX)
ffmpeg -v error -f x11grab -framerate 30 -video_size ${FADE_PATCH_SIZE:-200x120} -i "$DISPLAY+${FADE_PATCH_AT:-20,10}" -t 11 \
  -vf "format=gray,signalstats,metadata=print:key=lavfi.signalstats.YAVG:file=$samples" -f null - 2>/dev/null ||
  fail "could not capture the screen"

# Pairs of capture time and mean brightness; the fade is the stretch that falls from the
# level before it to its darkest, which the journey's picture then ends.
read -r duration detail < <(awk '
  /pts_time:/ { sub(/.*pts_time:/, ""); t = $1 }
  /YAVG=/ { sub(/.*YAVG=/, ""); n++; time[n] = t; y[n] = $1 }
  END {
    for (i = 1; i <= n; i++) if (i == 1 || y[i] < y[low]) low = i
    black = y[low]
    # The journey: the first capture after the darkest that is bright again.
    level = 0; for (i = 1; i <= 30 && i <= n; i++) level += y[i]; level = level / (i - 1) - black
    # A straight line through the fade between 85 % and 15 % of the level before it.
    sx = sy = sxx = sxy = m = 0
    for (i = 1; i < low; i++) {
      v = y[i] - black
      if (v > 0.85 * level || v < 0.15 * level) continue
      sx += time[i]; sy += v; sxx += time[i] * time[i]; sxy += time[i] * v; m++
    }
    if (m < 10 || level < 10) { print "0 too few samples (" m ") or too dark a patch (level " level ")"; exit }
    slope = (m * sxy - sx * sy) / (m * sxx - sx * sx)
    printf "%.3f fitted on %d captures, level %.1f above black\n", -level / slope, m, level
  }' "$samples")
rm -f "$samples"
echo "fade: $duration s ($detail)"
awk -v d="$duration" 'BEGIN { exit !(d >= 3.13 && d <= 3.53) }' ||
  fail "the fade lasted $duration s live, not 3.3 s +- 0.2 ($detail)"
escape_ends_demo
grep -A7 "frame statistics" "$demo_log"
finish
