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

// Every non-directory below `root`, relative to it.
std::set<std::string> filesBelow(const std::string& root);

extern const std::vector<std::string> mediaFiles;  // the names in data/
extern const std::vector<int> iconSizes;
// What an install puts below its prefix, each path led by `prefix`, with the program and the
// manual page where the install places them.
std::set<std::string> installedFiles(const std::string& prefix, const std::string& program, const std::string& manPage);

// The first seconds of the demo at `fps` frames a second, from `workingDir`: Ctrl-C once six
// seconds of sound are out.
RunResult recordStart(const std::string& binary, const std::string& workingDir, const std::string& out,
                      int fps = 1, const std::vector<std::string>& more = {});
// The run was interrupted and its third frame holds hundreds of colours (an empty texture slot
// draws one), its first two seconds of sound are loud.
void expectRealDemo(const RunResult& run, const std::string& out);

int distinctColours(const std::string& png);
// Root mean square of the soundtrack over whole seconds [from, to).
double loudness(const WavData& wav, int from, int to);
