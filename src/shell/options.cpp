// Command-line parsing: the options, their refusals, --help and --version.
// Argument errors print one line on standard error and exit with status 2.
#include "shell/options.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "assets/data_path.h"
#include "platform/platform.h"
#include "shell/frame_rates.h"
#include "shell/frame_stats.h"
#include "shell/help_text.h"
#include "shell/main_loop.h"
#include "shell/window.h"

namespace {
int parseFrameRate(const char* text, int* value) {
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || parsed < minFrameRate || parsed > maxLiveFrameRate) return 0;
    *value = static_cast<int>(parsed);
    return 1;
}
// Whole decimal digits only; a value past any side we draw stops growing, so it is reported
// as out of range rather than as malformed, and nothing can overflow.
const char* parseSide(const char* text, int* value) {
    int digits = 0;
    *value = 0;
    for (; *text >= '0' && *text <= '9'; ++text, ++digits)
        if (*value <= maxFrameSide) *value = *value * 10 + (*text - '0');
    return digits ? text : nullptr;
}

// WIDTHxHEIGHT within the sides we draw; the GL implementation's own limit is checked later.
int parseSize(const char* text, ProgramOptions* options, std::string* error) {
    int width = 0, height = 0;
    const char* rest = parseSide(text, &width);
    if (rest && (*rest == 'x' || *rest == 'X')) rest = parseSide(rest + 1, &height);
    else rest = nullptr;
    if (!rest || *rest != '\0') {
        *error = "--size needs WIDTHxHEIGHT in pixels, such as 1920x1080";
        return 0;
    }
    if (width < minFrameWidth || height < minFrameHeight || width > maxFrameSide || height > maxFrameSide) {
        *error = std::string("--size ") + text + " is out of range: at least " + std::to_string(minFrameWidth) + "x" +
                 std::to_string(minFrameHeight) + ", at most " + std::to_string(maxFrameSide) + " on either side";
        return 0;
    }
    options->width = width;
    options->height = height;
    return 1;
}
// The readers of option values; `value` is null when the command line ends before it.
int readFrameRate(const char* value, ProgramOptions* options, std::string* error) {
    if (value && parseFrameRate(value, &options->fps)) return 1;
    *error = frameRateRange();
    return 0;
}
const CommandLineOption* findOption(const char* word);

int readRecordPath(const char* value, ProgramOptions* options, std::string* error) {
    if (!value || value[0] == '\0') {
        *error = "--record needs an output name";
        return 0;
    }
    // "--record --windowed" left out the name: it would render the whole demo into a
    // directory called --windowed. A file of that name is still reachable as ./--windowed.
    if (findOption(value)) {
        *error = std::string("--record needs an output name before ") + value + " (to record into a file or " +
                 "directory of that name, write ./" + value + ")";
        return 0;
    }
    options->recordPath = value;
    return 1;
}
int readSize(const char* value, ProgramOptions* options, std::string* error) {
    if (value) return parseSize(value, options, error);
    *error = "--size needs WIDTHxHEIGHT in pixels, such as 1920x1080";
    return 0;
}

// Options that only mean something for live play, or that contradict each other.
int checkCombinations(const ProgramOptions& options, std::string* error) {
    if (options.uncapped && options.fps)
        *error = "--uncapped runs one call per picture as fast as it goes; it takes no --fps";
    else if (!options.recordPath.empty() && options.uncapped)
        *error = "--uncapped is for live play; a recording keeps the pace";
    else if (!options.recordPath.empty() && options.stats)
        *error = "--stats measures live play; a recording reports its speed when it ends";
    return error->empty();
}
}  // namespace

const CommandLineOption commandLineOptions[] = {
    {"--windowed", nullptr, nullptr, &ProgramOptions::windowed, nullptr},
    {"--fps", nullptr, "N", nullptr, readFrameRate},
    {"--uncapped", nullptr, nullptr, &ProgramOptions::uncapped, nullptr},
    {"--stats", nullptr, nullptr, &ProgramOptions::stats, nullptr},
    {"--record", nullptr, "OUT", nullptr, readRecordPath},
    {"--size", nullptr, "WxH", nullptr, readSize},
    {"--overwrite", nullptr, nullptr, &ProgramOptions::overwrite, nullptr},
    {"--allow-missing-media", nullptr, nullptr, &ProgramOptions::allowMissingMedia, nullptr},
    {"--help", "-h", nullptr, &ProgramOptions::help, nullptr},
    {"--version", nullptr, nullptr, &ProgramOptions::version, nullptr},
};
const int commandLineOptionCount = sizeof commandLineOptions / sizeof commandLineOptions[0];

namespace {
const CommandLineOption* findOption(const char* word) {
    for (int i = 0; i < commandLineOptionCount; ++i) {
        const CommandLineOption& option = commandLineOptions[i];
        if (!std::strcmp(word, option.name) || (option.alias && !std::strcmp(word, option.alias))) return &option;
    }
    return nullptr;
}

int statsWanted = 0;

void printStats() {
    if (!statsWanted) return;
    statsWanted = 0;
    const std::string report = statsReport();
    if (!report.empty()) platformPrint(stderr, "quorvex: frame statistics per scene shown:\n%s", report.c_str());
}

// What --help or --version could not write (`> /dev/full`) is a failure, said on standard
// error; a reader that left early (`| head -1`) took what it wanted.
int standardOutputWritten() {
    if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return 0;
    if (errno == EPIPE) return 0;
    platformPrint(stderr, "quorvex: cannot write to standard output: %s\n", std::strerror(errno));
    return 1;
}

// A fatal picture error ends the process from inside the loop; the figures so far still go out.
void printStatsAtExit() {
    statsWanted = 1;
    static const int registered = std::atexit(printStats);
    (void)registered;
}
}  // namespace

int parseOptions(int argc, char** argv, ProgramOptions* options, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        const CommandLineOption* option = findOption(argv[i]);
        if (!option) {
            *error = std::string("unknown option '") + argv[i] + "' (try --help)";
            return 0;
        }
        if (option->flag) {
            options->*option->flag = 1;
            continue;
        }
        if (!option->read(i + 1 < argc ? argv[++i] : nullptr, options, error)) return 0;
    }
    if (!options->recordPath.empty() && options->fps > maxRecordFrameRate) {
        *error = recordFrameRateRange();
        return 0;
    }
    return checkCombinations(*options, error);
}

int readCommandLine(int argc, char** argv, ProgramOptions* options) {
    std::string error;
    if (!parseOptions(argc, argv, options, &error)) {
        platformPrint(stderr, "quorvex: %s\n", error.c_str());
        return 2;
    }
    if (options->help) {
        platformPrint(stdout, "%s", helpText);
        return standardOutputWritten();
    }
    if (options->version) {
        const DataDirectorySearch media = searchDataDirectory();
        platformPrint(stdout, "quorvex %s\n", QUORVEX_VERSION);
        if (!media.directory.empty()) platformPrint(stdout, "data directory: %s\n", media.directory.c_str());
        else platformPrint(stdout, "data directory: none found (looked in %s)\n", placesLookedAt(media).c_str());
        for (const std::string& line : passedOverLines(media)) platformPrint(stdout, "%s\n", line.c_str());
        return standardOutputWritten();
    }
    return -1;
}

int playDemo(const ProgramOptions& options) {
    if (const char* noDisplay = platformDisplayProblem()) {
        platformPrint(stderr,
                      "quorvex: %s; the live demo needs one: run it in a desktop session (--windowed for a "
                      "window), or record it without a display: quorvex --record demo.mkv\n",
                      noDisplay);
        return 1;
    }
    const std::string problem = frameSizeProblem();
    if (!problem.empty()) {
        platformPrint(stderr, "quorvex: %s\n", problem.c_str());
        return 2;
    }
    for (const std::string& line : passedOverLines(chosenDataDirectory()))
        platformPrint(stderr, "quorvex: %s\n", line.c_str());
    const std::string missing = missingMediaText(chosenDataDirectory());
    if (!missing.empty()) platformPrint(stderr, "quorvex: %s; the demo plays without them\n", missing.c_str());
    LoopOptions loop;
    loop.startFullscreen = !options.windowed;
    if (options.fps) loop.picturesPerSecond = options.fps;
    if (options.uncapped) loop.pace = PACE_UNCAPPED;
    platformCatchInterrupts();
    if (options.stats) printStatsAtExit();
    const int status = demoMain(loop);
    printStats();
    const int signal = platformCaughtInterrupt();
    return signal ? 128 + signal : status;
}
