// The loaders' size limits: the texture side the GL implementation reports, capped, a pixel
// and a decoding budget, and the warning line for a picture that exceeds them.
#include "assets/picture_limits.h"

#include <string>

#include "assets/media_file.h"

namespace {
int64_t sideLimit = pictureSideCap;
unsigned tooLargeCount = 0;
}  // namespace

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
    ++tooLargeCount;
    warnMedia(name ? name : "a picture",
              "is " + std::to_string(width) + " x " + std::to_string(height) +
                  " pixels, too large for a texture here (at most " + std::to_string(sideLimit) + " a side and " +
                  std::to_string(picturePixelCap) + " pixels in all)",
              "its texture stays empty");
}

unsigned pictureTooLargeCount() { return tooLargeCount; }
