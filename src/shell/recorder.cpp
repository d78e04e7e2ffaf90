// The recorder: renders the demo offline on a virtual clock into video or PNG frames.
// (Recording arrives with its own work; until then it refuses politely.)
#include "shell/recorder.h"

#include <cstdio>

int recordDemo(const std::string&, int) {
    std::fprintf(stderr, "quorvex: recording is not available in this build\n");
    return 2;
}
