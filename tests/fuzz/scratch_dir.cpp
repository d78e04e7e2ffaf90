// Fuzz-target support: a private data directory per process and silent message boxes.
// Not named fuzz_* so it never becomes a target of its own.
#include "scratch_dir.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/platform.h"

namespace {
int answerSilently(const char*, const char*, PlatformButtons, PlatformIcon) { return PLATFORM_ANSWER_OK; }

const std::string& scratchPath() {
    static std::string path;
    if (path.empty()) {
        const char* base = std::getenv("TMPDIR");
        std::string pattern = std::string(base && *base ? base : "/tmp") + "/quorvex-fuzz-XXXXXX";
        if (!mkdtemp(&pattern[0]) || mkdir((pattern + "/data").c_str(), 0700) != 0) std::abort();
        path = pattern;
        platformSetMessageBoxHook(answerSilently);
    }
    return path;
}
}  // namespace

ScratchDirectory::ScratchDirectory() : previous(open(".", O_RDONLY | O_DIRECTORY)) {
    if (previous < 0 || chdir(scratchPath().c_str()) != 0) std::abort();
}

ScratchDirectory::~ScratchDirectory() {
    if (fchdir(previous) != 0) std::abort();
    close(previous);
}

void writeFuzzFile(const std::string& name, const uint8_t* data, size_t size) {
    std::FILE* file = std::fopen(("data/" + name).c_str(), "wb");
    if (!file) std::abort();
    if (size && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
}
