// Fuzzes the JPEG decoder and its memory source; in this build fatal errors return 0.
#include <cstdlib>

#include "assets/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Image image{};
    if (decodeJpeg(&image, data, size, "fuzz.jpg")) {
        if (!image.pixels || image.width <= 0 || image.height <= 0) std::abort();
        computeAverageColour(&image);
    }
    std::free(image.pixels);
    return 0;
}
