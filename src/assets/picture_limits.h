// How large a picture the loaders take: what one texture of this GL implementation can hold,
// within fixed caps that keep a hostile header from exhausting memory.
#pragma once

#include <cstdint>

#include "assets/media_file.h"

constexpr int64_t pictureSideCap = 16384;
// 2^25 pixels are 128 MiB as a texture; with the decoded copy and the mipmaps beside it the
// demo's whole start-up stays under 500 MB (about 380 MB measured on llvmpipe).
constexpr uint64_t picturePixelCap = uint64_t(1) << 25;
// What a decoder may hold at once: the picture, and a progressive JPEG's coefficients.
constexpr uint64_t pictureDecodeByteCap = uint64_t(1) << 27;
// A file or archive entry larger than this is no picture the demo could show: the cap of any
// media file.
constexpr uint64_t pictureFileByteCap = mediaFileByteCap;

// The texture bank passes GL_MAX_TEXTURE_SIZE; the side limit becomes the smaller of it and
// the cap (a value of 0 or less, as without a context, leaves just the cap).
void setTextureSideLimit(int64_t maxTextureSize);
int64_t pictureSideLimit();

// Whether a width x height picture whose decoding holds `decodeBytes` at once may be loaded.
bool pictureFits(int64_t width, int64_t height, uint64_t decodeBytes);

// The one line on standard error for a picture refused by pictureFits.
void warnPictureTooLarge(const char* name, int64_t width, int64_t height);
// How many pictures have been refused that way in this run, so that a summary of failed
// pictures need not name them twice.
unsigned pictureTooLargeCount();
