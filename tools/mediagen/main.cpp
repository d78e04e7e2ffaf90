// quorvex-mediagen OUTDIR [pictures|soundtrack]: writes every picture and the soundtrack the demo reads.
// Same bytes on every run: all randomness is seeded, all synthesis deterministic.
#include <cstdio>
#include <filesystem>
#include <future>
#include <string>

#include "media.h"

int main(int argc, char** argv) {
    // An optional second word limits the run to one half, for quick work on either.
    const std::string only = argc == 3 ? argv[2] : "";
    if (argc < 2 || argc > 3 || (argc == 3 && only != "pictures" && only != "soundtrack")) {
        std::fprintf(stderr, "usage: quorvex-mediagen OUTDIR [pictures|soundtrack]\n");
        return 2;
    }
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
