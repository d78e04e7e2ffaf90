// The soundtrack's arrangement: which voices play what, section by section, on the demo's timeline.
// 120 beats a minute in A minor; each section lands on the second its scene begins.
#pragma once

#include "music/voices.h"

constexpr double kSoundtrackSeconds = 100.0;

// Second marks where the music changes, matching the scenes they accompany.
struct SectionMarks {
    double intro = 0, build = 16, lead = 32, breakdown = 47, drop = 50, atom = 68, vader = 83, outro = 93;
};

// Renders every note of the piece into a fresh mixer of kSoundtrackSeconds.
Mixer performScore();
