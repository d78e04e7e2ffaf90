// The BMP reader: one file into 24-bit RGB rows, bottom row first, with the loader's own
// messages under the caption "Error" for files it cannot read.
#pragma once

#include <cstdint>

struct BmpImage {
    int32_t width;
    int32_t height;
    unsigned char* pixels;
};

BmpImage* loadBmp(const char* name);
BmpImage* loadDibFile(const char* name);
// The number of colour-table entries that the picture header at `header` announces.
unsigned countDibColours(const unsigned char* header);
