// quorvex-mediagen OUTDIR: writes every picture and the soundtrack the demo reads.
// Same bytes on every run: all randomness is seeded, all synthesis deterministic.
#include <cstdio>
#include <filesystem>

#include "media.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: quorvex-mediagen OUTDIR\n");
        return 2;
    }
    const std::filesystem::path outDir = argv[1];
    std::error_code error;
    std::filesystem::create_directories(outDir, error);
    if (error) {
        std::fprintf(stderr, "quorvex-mediagen: cannot create %s: %s\n", argv[1], error.message().c_str());
        return 1;
    }
    if (!generatePictures(outDir.string())) return 1;
    if (!generateSoundtrack(outDir.string())) return 1;
    return 0;
}
