// The command line (--windowed, --fps, --uncapped, --stats, --record, --overwrite, --size,
// --allow-missing-media, --help, --version): the entry reads it here, then plays or records.
#pragma once

#include <string>

struct ProgramOptions {
    int windowed = 0;
    int fps = 0;               // 0: not given
    int uncapped = 0;          // live: one call per picture, no pace (the loop as first written)
    int stats = 0;             // live: frame statistics per scene when the demo ends
    std::string recordPath;    // empty: live demo
    int allowMissingMedia = 0; // recording: go on without media
    int overwrite = 0;         // a recording may replace what is at OUT
    int width = 0;             // --size; 0 x 0: not given
    int height = 0;
    int help = 0;
    int version = 0;
};

// Returns 1 and fills `options`, or 0 with a one-line reason in `error`.
int parseOptions(int argc, char** argv, ProgramOptions* options, std::string* error);
// Prints what the options ask for (an error line, --help, --version) and returns the exit
// status when the program should end now; -1 when there is a demo to play or record.
int readCommandLine(int argc, char** argv, ProgramOptions* options);
// The live demo in a window, as the options ask; says so first when media are missing. Ends
// at once with one line: 1 without a display to show it on, 2 when the GL implementation
// cannot draw the --size frame (the frame size must already be set).
int playDemo(const ProgramOptions& options);
