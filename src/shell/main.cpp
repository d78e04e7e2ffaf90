// The program's entry: reads the command line, then plays the demo live or records it.
// The shell and the recorder are libraries, so tests drive the same code as this file.
#include "record/recorder.h"
#include "shell/options.h"

int main(int argc, char** argv) {
    ProgramOptions options;
    const int status = readCommandLine(argc, argv, &options);
    if (status >= 0) return status;
    if (!options.recordPath.empty()) return recordDemo(options.recordPath, options.fps > 0 ? options.fps : 60);
    return playDemo(options);
}
