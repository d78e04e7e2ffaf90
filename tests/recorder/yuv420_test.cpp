// The .mp4 form's colour conversion: every colour to the nearest value of the BT.601
// studio-range matrix, chroma from each block's mean, and in agreement with ffmpeg's own.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <vector>

#include "record/yuv420.h"
#include "recording_files.h"
#include "support/temp_dir.h"

namespace {
struct Frame {
    int width, height;
    std::vector<uint8_t> rgb;
    uint8_t at(int x, int y, int c) const { return rgb[(static_cast<size_t>(y) * width + x) * 3 + c]; }
};

// Y, Cb and Cr of the matrix in floating point.
void exactFor(double r, double g, double b, double out[3]) {
    const double luma = 0.299 * r + 0.587 * g + 0.114 * b;
    out[0] = 16 + 219 * luma / 255;
    out[1] = 128 + 224 * (b - luma) / (1.772 * 255);
    out[2] = 128 + 224 * (r - luma) / (1.402 * 255);
}

// Every value within half a step of the exact one (ties may go either way): Y per pixel,
// Cb and Cr on each 2 x 2 block's mean.
void expectExactlyRounded(const Frame& f) {
    std::vector<uint8_t> yuv(yuv420Bytes(f.width, f.height));
    rgbToYuv420(f.rgb.data(), f.width, f.height, yuv.data());
    const size_t pixels = f.rgb.size() / 3, half = static_cast<size_t>(f.width / 2);
    for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x) {
            double e[3];
            exactFor(f.at(x, y, 0), f.at(x, y, 1), f.at(x, y, 2), e);
            ASSERT_LE(std::fabs(e[0] - yuv[static_cast<size_t>(y) * f.width + x]), 0.5 + 1e-9) << x << "," << y;
            if (x % 2 || y % 2) continue;
            double mean[3];
            for (int c = 0; c < 3; ++c)
                mean[c] = (f.at(x, y, c) + f.at(x + 1, y, c) + f.at(x, y + 1, c) + f.at(x + 1, y + 1, c)) / 4.0;
            exactFor(mean[0], mean[1], mean[2], e);
            const size_t block = static_cast<size_t>(y / 2) * half + static_cast<size_t>(x / 2);
            ASSERT_LE(std::fabs(e[1] - yuv[pixels + block]), 0.5 + 1e-9) << "Cb at " << x << "," << y;
            ASSERT_LE(std::fabs(e[2] - yuv[pixels + pixels / 4 + block]), 0.5 + 1e-9) << "Cr at " << x << "," << y;
        }
}

Frame bands(int width, int height, unsigned seed) { return Frame{width, height, testPicture(width, height, seed)}; }
}  // namespace

// All 2^24 colours as uniform 2 x 2 blocks (one 512 x 512 frame per red value), then
// blocks of four different pixels.
TEST(Yuv420, EveryColourAndEveryBlockMeanIsExactlyRounded) {
    Frame f{512, 512, std::vector<uint8_t>(512 * 512 * 3)};
    for (int r = 0; r < 256; ++r) {
        for (int y = 0; y < f.height; ++y)
            for (int x = 0; x < f.width; ++x) {
                const uint8_t pixel[3] = {static_cast<uint8_t>(r), static_cast<uint8_t>(y / 2),
                                          static_cast<uint8_t>(x / 2)};
                std::copy(pixel, pixel + 3, &f.rgb[(static_cast<size_t>(y) * f.width + x) * 3]);
            }
        expectExactlyRounded(f);
    }
    for (unsigned seed = 0; seed < 50; ++seed) expectExactlyRounded(bands(64, 32, seed));
}

// ffmpeg's conversion of the same frame to 4:4:4, its chroma averaged over each block: the
// same matrix and range to within its own rounding.
TEST(Yuv420, AgreesWithFfmpegsConversion) {
    const Frame f = bands(96, 64, 11);
    TempDir dir;
    const std::string in = dir.file("in.rgb"), out = dir.file("out.yuv");
    writeFile(in, f.rgb);
    const std::string command = "ffmpeg -nostdin -v error -f rawvideo -pixel_format rgb24 -video_size 96x64 -i '" + in +
                                "' -sws_flags accurate_rnd+full_chroma_int -pix_fmt yuv444p -f rawvideo '" + out + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const std::vector<uint8_t> theirs = readFile(out);
    ASSERT_EQ(theirs.size(), f.rgb.size());
    std::vector<uint8_t> ours(yuv420Bytes(f.width, f.height));
    rgbToYuv420(f.rgb.data(), f.width, f.height, ours.data());

    const size_t pixels = f.rgb.size() / 3;
    for (size_t i = 0; i < pixels; ++i) ASSERT_LE(std::abs(ours[i] - theirs[i]), 1) << "Y at " << i;
    for (int plane = 1; plane <= 2; ++plane)
        for (int y = 0; y < f.height; y += 2)
            for (int x = 0; x < f.width; x += 2) {
                const uint8_t* p = &theirs[plane * pixels + static_cast<size_t>(y) * f.width + x];
                const double mean = (p[0] + p[1] + p[f.width] + p[f.width + 1]) / 4.0;
                const size_t block =
                    pixels + (plane - 1) * pixels / 4 + static_cast<size_t>(y / 2 * f.width / 2 + x / 2);
                ASSERT_LE(std::fabs(mean - ours[block]), 1.25) << "plane " << plane << " at " << x << "," << y;
            }
}
