// The recorder: the whole demo rendered offline on a virtual clock, frame for frame,
// into a video file or a directory of PNG frames, with its soundtrack.
#pragma once

#include <string>

// Returns the process exit status: 0 on success, 2 for bad arguments or a missing encoder.
int recordDemo(const std::string& outPath, int fps);
