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

int loadImage(Image* image, const char* name, TextureArchive* archive);
int decodeTga(Image* image, const unsigned char* data, size_t length, const char* name);
int decodeJpeg(Image* image, const unsigned char* data, size_t length, const char* name);
void computeAverageColour(Image* image);
void convertToGrey(Image* image);
void resampleImage(Image* image, int newWidth, int newHeight);
