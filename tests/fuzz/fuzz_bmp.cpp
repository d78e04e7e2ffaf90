// Fuzzes the BMP reader on real files, with and without the file header.
#include <cstdlib>

#include "assets/bmp_loader.h"
#include "scratch_dir.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ScratchDirectory scratch;
    writeFuzzFile("fuzz.bmp", data, size);
    if (BmpImage* image = loadBmp("Data/fuzz.bmp")) {
        if (image->width <= 0 || image->height <= 0 || !image->pixels) std::abort();
        std::free(image->pixels);
        std::free(image);
    }
    return 0;
}
