// Helpers shared by the install and package tests: shell commands, file trees, and short
// recordings that must show the real pictures and sound.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "recording_files.h"

struct Output {
    int status = -1;
    std::string text;  // standard output and error together
};
Output run(const std::string& command);

std::set<std::string> filesBelow(const std::string& root);  // every non-directory, relative
extern const std::vector<std::string> mediaFiles;            // the names in data/
extern const std::vector<int> iconSizes;
// What an install puts below its prefix, each path led by `prefix`.
std::set<std::string> installedFiles(const std::string& prefix, const std::string& program, const std::string& manPage);

// The first seconds of the demo at `fps` from `workingDir`: Ctrl-C once six seconds of sound are out.
RunResult recordStart(const std::string& binary, const std::string& workingDir, const std::string& out,
                      int fps = 1, const std::vector<std::string>& more = {});
// Interrupted, its third frame a picture of hundreds of colours (an empty slot draws one), its
// first two seconds of sound loud.
void expectRealDemo(const RunResult& run, const std::string& out);
int distinctColours(const std::string& png);
double loudness(const WavData& wav, int from, int to);  // RMS over whole seconds [from, to)
