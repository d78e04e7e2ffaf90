// RGB to 4:2:0 YCbCr for the .mp4 form, in integers with exact rounding, so that the
// encoder reads half the bytes and spends no time converting.
#include "record/yuv420.h"

namespace {
// The coefficients in thousandths; each formula is one integer quotient with its divisor
// fixed, so the compiler turns it into a multiplication and every result is exactly rounded.
// Every numerator stays positive and below 2^31.
constexpr uint32_t lumaDivisor = 255 * 1000;
constexpr uint32_t cbDivisor = 4 * 255 * 1772;  // the 4 of the block's sums folded in
constexpr uint32_t crDivisor = 4 * 255 * 1402;

inline uint8_t luma(uint32_t r, uint32_t g, uint32_t b) {
    return static_cast<uint8_t>((16 * lumaDivisor + 219 * (299 * r + 587 * g + 114 * b) + lumaDivisor / 2) /
                                lumaDivisor);
}

// From the sums of R, G and B over a 2 x 2 block.
inline uint8_t cb(int32_t r, int32_t g, int32_t b) {
    const int32_t scaled = 224 * (886 * b - 299 * r - 587 * g);
    return static_cast<uint8_t>(static_cast<uint32_t>(128 * cbDivisor + cbDivisor / 2 + scaled) / cbDivisor);
}

inline uint8_t cr(int32_t r, int32_t g, int32_t b) {
    const int32_t scaled = 224 * (701 * r - 587 * g - 114 * b);
    return static_cast<uint8_t>(static_cast<uint32_t>(128 * crDivisor + crDivisor / 2 + scaled) / crDivisor);
}
}  // namespace

size_t yuv420Bytes(int width, int height) {
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    return pixels + pixels / 2;
}

void rgbToYuv420(const uint8_t* rgb, int width, int height, uint8_t* yuv) {
    const size_t w = static_cast<size_t>(width), pixels = w * static_cast<size_t>(height);
    uint8_t* y = yuv;
    uint8_t* u = yuv + pixels;
    uint8_t* v = u + pixels / 4;
    for (size_t i = 0; i < pixels; ++i) y[i] = luma(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]);
    const size_t halfWidth = w / 2, row = 3 * w;
    for (int by = 0; by < height / 2; ++by) {
        const uint8_t* top = rgb + static_cast<size_t>(2 * by) * row;
        const uint8_t* bottom = top + row;
        for (size_t bx = 0; bx < halfWidth; ++bx) {
            const size_t at = 6 * bx;
            const int32_t r = top[at] + top[at + 3] + bottom[at] + bottom[at + 3];
            const int32_t g = top[at + 1] + top[at + 4] + bottom[at + 1] + bottom[at + 4];
            const int32_t b = top[at + 2] + top[at + 5] + bottom[at + 2] + bottom[at + 5];
            u[static_cast<size_t>(by) * halfWidth + bx] = cb(r, g, b);
            v[static_cast<size_t>(by) * halfWidth + bx] = cr(r, g, b);
        }
    }
}
