// quorvex-mediagen OUTDIR [pictures|soundtrack] writes the media the demo reads;
// quorvex-mediagen OUTDIR icon SIZE... the program's icon. Same bytes on every run.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <future>
#include <string>
#include <vector>

#include "media.h"

namespace {
int usage() {
    std::fprintf(stderr,
                 "usage: quorvex-mediagen OUTDIR [pictures|soundtrack]\n"
                 "       quorvex-mediagen OUTDIR icon SIZE...\n");
    return 2;
}

int writeIcons(const char* outDir, int count, char** words) {
    std::vector<int> sizes;
    for (int i = 0; i < count; ++i) {
        char* end = nullptr;
        const long size = std::strtol(words[i], &end, 10);
        if (end == words[i] || *end || size < 1 || size > 1024) return usage();
        sizes.push_back(static_cast<int>(size));
    }
    if (sizes.empty()) return usage();
    if (generateIcons(outDir, sizes)) return 0;
    std::fprintf(stderr, "quorvex-mediagen: cannot write the icon into %s\n", outDir);
    return 1;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::string(argv[2]) == "icon") return writeIcons(argv[1], argc - 3, argv + 3);
    // An optional second word limits the run to one half, for quick work on either.
    const std::string only = argc == 3 ? argv[2] : "";
    if (argc < 2 || argc > 3 || (argc == 3 && only != "pictures" && only != "soundtrack")) return usage();
    const std::filesystem::path outDir = argv[1];
    std::error_code error;
    std::filesystem::create_directories(outDir, error);
    if (error) {
        std::fprintf(stderr, "quorvex-mediagen: cannot create %s: %s\n", argv[1], error.message().c_str());
        return 1;
    }
    // The two halves share nothing, so the soundtrack is synthesised while the pictures are drawn.
    std::future<int> soundtrack;
    if (only != "pictures") soundtrack = std::async(std::launch::async, generateSoundtrack, outDir.string());
    int ok = 1;
    if (only != "soundtrack" && !generatePictures(outDir.string())) {
        std::fprintf(stderr, "quorvex-mediagen: cannot write the pictures into %s\n", argv[1]);
        ok = 0;
    }
    if (soundtrack.valid() && !soundtrack.get()) ok = 0;
    return ok ? 0 : 1;
}
