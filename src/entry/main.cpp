// The program's entry: reads the command line, chooses the data directory once, then plays
// the demo live or records it. It sits above the shell and the recorder, which tests drive too.
#include "assets/data_path.h"
#include "platform/platform.h"
#include "record/recorder.h"
#include "shell/frame_rates.h"
#include "shell/options.h"
#include "shell/window.h"

int main(int argc, char** argv) {
    platformPrepareStandardStreams();
    ProgramOptions options;
    const int status = readCommandLine(argc, argv, &options);
    if (status >= 0) return status;
    chooseDataDirectory();
    setFrameSize(options.width, options.height);
    if (options.recordPath.empty()) return playDemo(options);
    const int refused = checkRecordMedia(options.allowMissingMedia);
    if (refused >= 0) return refused;
    return recordDemo(options.recordPath, options.fps > 0 ? options.fps : defaultRecordFrameRate, options.overwrite);
}
