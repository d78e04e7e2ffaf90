// The decoded archive picture and its decoders: JPEG from memory and TGA, top row first,
// with the average colour of its pixels.
#pragma once

#include <cstddef>
#include <cstdint>

struct TextureArchive;

struct Image {
    unsigned char averageColour[3];
    unsigned char bitsPerPixel;
    int32_t id;
    int32_t width;
    int32_t height;
    unsigned char* pixels;
};

// Reads entry `name` from the archive and decodes it by the extension from the first dot
// (".jpg" or ".tga", exact case). 1 on success; `pixels` is null after a failure.
int loadImage(Image* image, const char* name, TextureArchive* archive);
// Uncompressed or run-length true-colour TGA, 24 or 32 bits, either origin. Data shorter than
// the header promises is refused; nothing past `length` is read. A picture larger than
// pictureFits allows is refused with one warning line that names it.
int decodeTga(Image* image, const unsigned char* data, size_t length, const char* name);
// JPEG from memory; grey pictures come out as RGB, four-component ones are refused (0), and
// so is, with one warning line, a picture larger than pictureFits allows. A fatal decoding
// error prints the library's message and ends the process with status 1.
int decodeJpeg(Image* image, const unsigned char* data, size_t length, const char* name);
// Mean of the first three bytes of every pixel (64-bit sums); skipped for empty pictures.
void computeAverageColour(Image* image);
// 24/32-bit to one byte per pixel, (b0 + b1 + b2) / 3.
void convertToGrey(Image* image);
// Nearest-neighbour resampling; sizes of 0 or less leave the picture alone.
void resampleImage(Image* image, int newWidth, int newHeight);
