// The BMP reader: one file into 24-bit RGB rows, bottom row first, with the loader's own
// messages under the caption "Error" for files it cannot read.
#pragma once

#include <cstdint>

struct BmpImage {
    int32_t width;
    int32_t height;
    unsigned char* pixels;
};

// Null, silently, when the file does not exist; otherwise loadDibFile. The caller frees
// `pixels`, then the record.
BmpImage* loadBmp(const char* name);
// Reads 1-, 4-, 8-, 16-, 24- and 32-bit pictures (bit-field masks, RLE4/RLE8) with the 12- or
// 40-byte picture header, with or without the "BM" file header. Top-down pictures, files
// shorter than they claim, pictures larger than pictureFits allows, and anything but a regular
// file of at most 64 MiB are refused. Every refusal shows its message under "Error".
BmpImage* loadDibFile(const char* name);
// The number of colour-table entries that the picture header at `header` announces: a
// non-zero colours-used field (long header, low 16 bits), else 2, 16 or 256 by bit depth.
// The caller makes sure the whole header is readable.
unsigned countDibColours(const unsigned char* header);
