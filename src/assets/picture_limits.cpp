// The loaders' size limits: the texture side the GL implementation reports, capped, a pixel
// and a decoding budget, and the warning line for a picture that exceeds them.
#include "assets/picture_limits.h"

#include <cstdio>

namespace {
int64_t sideLimit = pictureSideCap;
}

void setTextureSideLimit(int64_t maxTextureSize) {
    sideLimit = maxTextureSize > 0 && maxTextureSize < pictureSideCap ? maxTextureSize : pictureSideCap;
}

int64_t pictureSideLimit() { return sideLimit; }

bool pictureFits(int64_t width, int64_t height, uint64_t decodeBytes) {
    if (width <= 0 || height <= 0 || width > sideLimit || height > sideLimit) return false;
    return static_cast<uint64_t>(width) * static_cast<uint64_t>(height) <= picturePixelCap &&
           decodeBytes <= pictureDecodeByteCap;
}

void warnPictureTooLarge(const char* name, int64_t width, int64_t height) {
    std::fprintf(stderr,
                 "quorvex: %s is %lld x %lld pixels, too large for a texture here (at most %lld a side and "
                 "%llu pixels in all); its texture stays empty\n",
                 name ? name : "a picture", static_cast<long long>(width), static_cast<long long>(height),
                 static_cast<long long>(sideLimit), static_cast<unsigned long long>(picturePixelCap));
}
