// Command-line parsing: the options, their refusals, --help and --version.
// Argument errors print one line on standard error and exit with status 2.
#include "shell/options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "assets/data_path.h"
#include "shell/help_text.h"
#include "shell/main_loop.h"

namespace {
int parsePositive(const char* text, int* value) {
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || parsed <= 0 || parsed > 1000) return 0;
    *value = static_cast<int>(parsed);
    return 1;
}
}  // namespace

int parseOptions(int argc, char** argv, ProgramOptions* options, std::string* error) {
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (!std::strcmp(arg, "--windowed")) options->windowed = 1;
        else if (!std::strcmp(arg, "--help") || !std::strcmp(arg, "-h")) options->help = 1;
        else if (!std::strcmp(arg, "--version")) options->version = 1;
        else if (!std::strcmp(arg, "--allow-missing-media")) options->allowMissingMedia = 1;
        else if (!std::strcmp(arg, "--overwrite")) options->overwrite = 1;
        else if (!std::strcmp(arg, "--fps")) {
            if (!hasValue || !parsePositive(argv[++i], &options->fps)) {
                *error = "--fps needs a positive whole number of frames per second";
                return 0;
            }
        } else if (!std::strcmp(arg, "--record")) {
            if (!hasValue || argv[i + 1][0] == '\0') {
                *error = "--record needs an output name";
                return 0;
            }
            options->recordPath = argv[++i];
        } else {
            *error = std::string("unknown option '") + arg + "' (try --help)";
            return 0;
        }
    }
    return 1;
}

int readCommandLine(int argc, char** argv, ProgramOptions* options) {
    std::string error;
    if (!parseOptions(argc, argv, options, &error)) {
        std::fprintf(stderr, "quorvex: %s\n", error.c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(helpText, stdout);
        return 0;
    }
    if (options->version) {
        const DataDirectorySearch media = searchDataDirectory();
        std::printf("quorvex %s\n", QUORVEX_VERSION);
        if (!media.directory.empty()) std::printf("data directory: %s\n", media.directory.c_str());
        else std::printf("data directory: none found (looked in %s)\n", placesLookedAt(media).c_str());
        return 0;
    }
    return -1;
}

int playDemo(const ProgramOptions& options) {
    const std::string missing = missingMediaText(chosenDataDirectory());
    if (!missing.empty()) std::fprintf(stderr, "quorvex: %s; the demo plays without them\n", missing.c_str());
    LoopOptions loop;
    loop.startFullscreen = !options.windowed;
    loop.fpsCap = options.fps;
    return demoMain(loop);
}
