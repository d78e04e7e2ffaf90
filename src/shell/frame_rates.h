// The frame rates the program takes, read by the option parser, the recorder and --help
// (CMake copies each `constexpr int name = value;` line below into the help text).
#pragma once

#include <string>

constexpr int minFrameRate = 1;
// Live, the display's own rate is the real limit; beyond this a cap means nothing.
constexpr int maxLiveFrameRate = 1000;
// Above this ffmpeg's FLAC path wants more sound ahead than a sensible backlog of frames holds.
constexpr int maxRecordFrameRate = 240;
constexpr int defaultRecordFrameRate = 60;

// The refusals, worded once for the parser and the recorder.
inline std::string frameRateRange() {
    return "--fps needs a whole number of frames per second from " + std::to_string(minFrameRate) + " to " +
           std::to_string(maxLiveFrameRate) + " (to " + std::to_string(maxRecordFrameRate) + " with --record)";
}
inline std::string recordFrameRateRange() {
    return "a recording's --fps is a whole number from " + std::to_string(minFrameRate) + " to " +
           std::to_string(maxRecordFrameRate);
}
