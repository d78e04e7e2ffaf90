// The command line: the table of options, its parser, --help and --version. The entry reads
// it here, then plays or records.
#pragma once

#include <string>

struct ProgramOptions {
    int windowed = 0;
    int fps = 0;                // 0: not given
    int uncapped = 0;           // live: one call per picture, no pace (the loop as first written)
    int stats = 0;              // live: frame statistics per scene when the demo ends
    std::string recordPath;     // empty: live demo
    int allowMissingMedia = 0;  // recording: go on without media
    int overwrite = 0;          // a recording may replace what is at OUT
    int width = 0;              // --size; 0 x 0: not given
    int height = 0;
    int help = 0;
    int version = 0;
};

// One option as the parser takes it and as --help and the README list it: a flag sets its
// field; an option with a value hands the next word to `read` (null when the line ends first).
struct CommandLineOption {
    const char* name;
    const char* alias;  // a short spelling, or null
    const char* value;  // the value's name as --help shows it ("N", "OUT"), null for a flag
    int ProgramOptions::*flag;
    int (*read)(const char* value, ProgramOptions* options, std::string* error);
};
// Every option, in the order --help lists them.
extern const CommandLineOption commandLineOptions[];
extern const int commandLineOptionCount;

// Returns 1 and fills `options`, or 0 with a one-line reason in `error`.
int parseOptions(int argc, char** argv, ProgramOptions* options, std::string* error);
// Prints what the options ask for (an error line, --help, --version) and returns the exit
// status when the program should end now; -1 when there is a demo to play or record.
int readCommandLine(int argc, char** argv, ProgramOptions* options);
// The live demo in a window, as the options ask; says so first when media are missing. Ends
// at once with one line: 1 without a display to show it on, 2 when the GL implementation
// cannot draw the --size frame (the frame size must already be set).
int playDemo(const ProgramOptions& options);
