// The command line: --windowed, --fps N, --record OUT, --help, --version.
// runProgram parses it and runs the live demo or the recorder.
#pragma once

#include <string>

struct ProgramOptions {
    int windowed = 0;
    int fps = 0;               // 0: not given
    std::string recordPath;    // empty: live demo
    int help = 0;
    int version = 0;
};

// Returns 1 and fills `options`, or 0 with a one-line reason in `error`.
int parseOptions(int argc, char** argv, ProgramOptions* options, std::string* error);
int runProgram(int argc, char** argv);
