// The .mp4 form's colour conversion, done by the writer thread: RGB frames to planar 4:2:0
// YCbCr, BT.601 matrix, studio range, chroma the mean of each 2 x 2 block (centre-sited).
#pragma once

#include <cstddef>
#include <cstdint>

// Bytes of one converted frame: the full-size Y plane, then Cb and Cr at half size each way.
size_t yuv420Bytes(int width, int height);
// `rgb` is width x height pixels, top row first; both sides even. Each value is the exact
// BT.601 result rounded to the nearest integer (halves up):
//   Y  = 16 + 219 (0.299 R + 0.587 G + 0.114 B) / 255
//   Cb = 128 + 224 (B - Y') / (1.772 * 255),  Cr = 128 + 224 (R - Y') / (1.402 * 255)
// where Y' is 0.299 R + 0.587 G + 0.114 B and Cb, Cr take the block's mean R, G and B.
void rgbToYuv420(const uint8_t* rgb, int width, int height, uint8_t* yuv);
