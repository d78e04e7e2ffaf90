// Fuzzes the TGA decoder and the operations on the picture it yields.
#include <cstdlib>

#include "assets/image.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Image image{};
    if (decodeTga(&image, data, size, "fuzz.tga")) {
        computeAverageColour(&image);
        resampleImage(&image, 7, 5);
        convertToGrey(&image);
        computeAverageColour(&image);
    }
    std::free(image.pixels);
    return 0;
}
