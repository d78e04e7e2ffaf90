// The soundtrack's arrangement: which voices play what, section by section, on the demo's timeline.
// 120 beats a minute in A minor; each section lands on the second its scene begins.
#pragma once

#include "assets/demo_timeline.h"
#include "music/voices.h"

// Renders every note of the piece, section by section at the demo's SectionMarks, into a
// fresh mixer of soundtrackSeconds.
Mixer performScore();
