// The .mp4 form's colour conversion: every colour to the nearest value of the BT.601
// studio-range matrix, chroma from each block's mean, and in agreement with ffmpeg's own.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "record/yuv420.h"
#include "recording_files.h"
#include "support/temp_dir.h"

namespace {
struct Exact {
    double y, cb, cr;
};

// The matrix in floating point, on a pixel's (or a block's mean) R, G and B.
Exact exactFor(double r, double g, double b) {
    const double luma = 0.299 * r + 0.587 * g + 0.114 * b;
    return {16 + 219 * luma / 255, 128 + 224 * (b - luma) / (1.772 * 255), 128 + 224 * (r - luma) / (1.402 * 255)};
}

// Exactly rounded: within half a step of the exact value (ties either way).
void expectNearest(double exact, uint8_t got, const char* what, long at) {
    ASSERT_LE(std::fabs(exact - got), 0.5 + 1e-9) << what << " at " << at << ": exact " << exact;
}

struct Planes {
    std::vector<uint8_t> yuv;
    const uint8_t *y, *cb, *cr;
};

Planes convert(const std::vector<uint8_t>& rgb, int width, int height) {
    Planes p;
    p.yuv.resize(yuv420Bytes(width, height));
    rgbToYuv420(rgb.data(), width, height, p.yuv.data());
    const size_t pixels = static_cast<size_t>(width) * height;
    p.y = p.yuv.data();
    p.cb = p.y + pixels;
    p.cr = p.cb + pixels / 4;
    return p;
}
}  // namespace

// All 2^24 colours, each as a uniform 2 x 2 block: one 512 x 512 frame per red value.
TEST(Yuv420, EveryColourConvertsToTheNearestValueOfTheMatrix) {
    constexpr int side = 512;
    std::vector<uint8_t> rgb(side * side * 3);
    for (int r = 0; r < 256; ++r) {
        for (int py = 0; py < side; ++py)
            for (int px = 0; px < side; ++px) {
                uint8_t* p = &rgb[(static_cast<size_t>(py) * side + px) * 3];
                p[0] = static_cast<uint8_t>(r);
                p[1] = static_cast<uint8_t>(py / 2);
                p[2] = static_cast<uint8_t>(px / 2);
            }
        const Planes out = convert(rgb, side, side);
        for (int g = 0; g < 256; ++g)
            for (int b = 0; b < 256; ++b) {
                const Exact e = exactFor(r, g, b);
                const long block = g * 256L + b;
                expectNearest(e.y, out.y[static_cast<size_t>(2 * g) * side + 2 * b], "Y", block);
                expectNearest(e.cb, out.cb[block], "Cb", block);
                expectNearest(e.cr, out.cr[block], "Cr", block);
            }
    }
}

// Blocks of four different pixels: chroma is the matrix on their mean.
TEST(Yuv420, ChromaTakesTheMeanOfEachBlock) {
    constexpr int width = 64, height = 32;
    std::mt19937 random(7);
    std::vector<uint8_t> rgb(width * height * 3);
    for (int round = 0; round < 200; ++round) {
        for (uint8_t& byte : rgb) byte = static_cast<uint8_t>(random());
        const Planes out = convert(rgb, width, height);
        for (int by = 0; by < height / 2; ++by)
            for (int bx = 0; bx < width / 2; ++bx) {
                double sum[3] = {0, 0, 0};
                for (int dy = 0; dy < 2; ++dy)
                    for (int dx = 0; dx < 2; ++dx)
                        for (int c = 0; c < 3; ++c)
                            sum[c] += rgb[((static_cast<size_t>(2 * by + dy)) * width + 2 * bx + dx) * 3 + c];
                const Exact e = exactFor(sum[0] / 4, sum[1] / 4, sum[2] / 4);
                const long block = by * (width / 2) + bx;
                expectNearest(e.cb, out.cb[block], "Cb", block);
                expectNearest(e.cr, out.cr[block], "Cr", block);
            }
    }
}

// ffmpeg's conversion of the same frame to full-resolution 4:4:4, averaged over each block
// for chroma: the same matrix and range to within its own rounding.
TEST(Yuv420, AgreesWithFfmpegsConversion) {
    constexpr int width = 96, height = 64;
    std::vector<uint8_t> rgb(width * height * 3);
    std::mt19937 random(11);
    for (int py = 0; py < height; ++py)
        for (int px = 0; px < width; ++px) {
            uint8_t* p = &rgb[(static_cast<size_t>(py) * width + px) * 3];
            // Smooth ramps on the left, noise on the right: both kinds of picture.
            const bool noise = px >= width / 2;
            p[0] = static_cast<uint8_t>(noise ? random() : px * 255 / (width / 2));
            p[1] = static_cast<uint8_t>(noise ? random() : py * 255 / height);
            p[2] = static_cast<uint8_t>(noise ? random() : 255 - px * 4);
        }
    TempDir dir;
    const std::string in = dir.file("in.rgb"), out = dir.file("out.yuv");
    std::FILE* file = std::fopen(in.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fwrite(rgb.data(), 1, rgb.size(), file), rgb.size());
    std::fclose(file);
    const std::string command = "ffmpeg -nostdin -v error -f rawvideo -pixel_format rgb24 -video_size " +
                                std::to_string(width) + "x" + std::to_string(height) + " -i '" + in +
                                "' -sws_flags accurate_rnd+full_chroma_int -pix_fmt yuv444p -f rawvideo '" + out + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::vector<uint8_t> theirs(static_cast<size_t>(width) * height * 3);
    file = std::fopen(out.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(std::fread(theirs.data(), 1, theirs.size(), file), theirs.size());
    std::fclose(file);

    const Planes ours = convert(rgb, width, height);
    const size_t pixels = static_cast<size_t>(width) * height;
    int worstY = 0, worstC = 0;
    for (size_t i = 0; i < pixels; ++i) worstY = std::max(worstY, std::abs(ours.y[i] - theirs[i]));
    for (int by = 0; by < height / 2; ++by)
        for (int bx = 0; bx < width / 2; ++bx)
            for (int plane = 1; plane <= 2; ++plane) {
                const uint8_t* p = theirs.data() + plane * pixels + static_cast<size_t>(2 * by) * width + 2 * bx;
                const double mean = (p[0] + p[1] + p[width] + p[width + 1]) / 4.0;
                const uint8_t mine = (plane == 1 ? ours.cb : ours.cr)[by * (width / 2) + bx];
                worstC = std::max(worstC, static_cast<int>(std::lround(std::fabs(mean - mine) + 0.25)));
            }
    EXPECT_LE(worstY, 1);
    EXPECT_LE(worstC, 1);
}
