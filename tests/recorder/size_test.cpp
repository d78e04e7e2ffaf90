// Recordings at other frame sizes: the same moments as at 640 x 480, drawn in the centred
// 4:3 box with black bars around it, and video files at that size.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "recording_files.h"
#include "support/temp_dir.h"

namespace {
constexpr int fps = 10;
// Second 1 of the intro: the moon-base backdrop with the rocket, the fountain and a caption.
constexpr long backdropFrame = 10;
// Second 2.5: later in the same shot, the caption's strokes examined on their own.
constexpr long captionFrame = 25;

struct Frame {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;  // top row first
};

// The opening seconds recorded as PNG frames at `size` ("" for the default), stopped with
// Ctrl-C once the frame after `lastFrame` exists, so every frame up to it is complete.
std::string recordOpening(const TempDir& dir, const std::string& size, long lastFrame) {
    const std::string out = dir.file(size.empty() ? "default" : size);
    std::vector<std::string> args = {"--record", out, "--fps", std::to_string(fps)};
    if (!size.empty()) args.insert(args.end(), {"--size", size});
    RunOptions options;
    const std::string next = frameName(out, lastFrame + 1);
    options.interruptWhen = [next](const std::string&) { return pathExists(next); };
    const RunResult run = runQuorvex(args, options);
    EXPECT_EQ(run.status, 130) << run.stderrText;
    return out;
}

Frame readFrame(const std::string& dir, long n) {
    Frame frame;
    frame.rgb = readPngRgb(frameName(dir, n), &frame.width, &frame.height);
    return frame;
}

// The box (x, y from the top-left) averaged down to width x height: each output pixel is the
// mean of the source area it covers, partly covered source pixels weighted by their share.
Frame areaScale(const Frame& in, int boxX, int boxY, int boxW, int boxH, int width, int height) {
    Frame out;
    out.width = width;
    out.height = height;
    out.rgb.resize(static_cast<size_t>(width) * height * 3);
    const double sx = double(boxW) / width, sy = double(boxH) / height;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            double sum[3] = {0, 0, 0};
            for (int v = int(y * sy); v < int(std::ceil((y + 1) * sy)); ++v) {
                const double wy = std::min(v + 1.0, (y + 1) * sy) - std::max(double(v), y * sy);
                for (int u = int(x * sx); u < int(std::ceil((x + 1) * sx)); ++u) {
                    const double wx = std::min(u + 1.0, (x + 1) * sx) - std::max(double(u), x * sx);
                    const uint8_t* p = &in.rgb[(static_cast<size_t>(boxY + v) * in.width + boxX + u) * 3];
                    for (int c = 0; c < 3; ++c) sum[c] += wx * wy * p[c];
                }
            }
            for (int c = 0; c < 3; ++c)
                out.rgb[(static_cast<size_t>(y) * width + x) * 3 + c] =
                    static_cast<uint8_t>(std::lround(sum[c] / (sx * sy)));
        }
    return out;
}

// Peak signal-to-noise ratio in dB over a rectangle of two frames of the same size.
double psnr(const Frame& a, const Frame& b, int x0, int y0, int w, int h) {
    double squares = 0;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x)
            for (int c = 0; c < 3; ++c) {
                const size_t i = (static_cast<size_t>(y) * a.width + x) * 3 + c;
                const double d = double(a.rgb[i]) - double(b.rgb[i]);
                squares += d * d;
            }
    const double mse = squares / (double(w) * h * 3);
    return mse == 0 ? 99.0 : 10.0 * std::log10(255.0 * 255.0 / mse);
}

long nonBlackIn(const Frame& f, int x0, int y0, int w, int h) {
    long lit = 0;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x) {
            const uint8_t* p = &f.rgb[(static_cast<size_t>(y) * f.width + x) * 3];
            lit += p[0] || p[1] || p[2];
        }
    return lit;
}

// The caption of these seconds, "PEOPLE SAID" at overlay (350, 400): its cells, top row first.
constexpr int captionX = 350, captionTop = 480 - 432, captionW = 290, captionH = 32;
}  // namespace

// The same moments at 640 x 480, at 1920 x 1080 (pillarboxed) and at 1280 x 960 (no bars):
// the larger pictures, averaged down, are the small one, only sharper.
TEST(RecordingSize, LargerFramesKeepTheCompositionInsideBlackBars) {
    TempDir dir;
    const std::string small = recordOpening(dir, "", captionFrame);
    const std::string wide = recordOpening(dir, "1920x1080", captionFrame);
    const std::string large = recordOpening(dir, "1280x960", captionFrame);

    for (const long n : {backdropFrame, captionFrame}) {
        SCOPED_TRACE("frame " + std::to_string(n));
        const Frame reference = readFrame(small, n), hd = readFrame(wide, n), big = readFrame(large, n);
        ASSERT_EQ(reference.width, 640);
        ASSERT_EQ(reference.height, 480);
        ASSERT_EQ(hd.width, 1920);
        ASSERT_EQ(hd.height, 1080);
        ASSERT_EQ(big.width, 1280);
        ASSERT_EQ(big.height, 960);

        EXPECT_EQ(nonBlackIn(hd, 0, 0, 240, 1080), 0) << "left bar";
        EXPECT_EQ(nonBlackIn(hd, 1680, 0, 240, 1080), 0) << "right bar";
        // The backdrop fills the box to its edges, so its outermost columns are lit.
        EXPECT_GT(nonBlackIn(hd, 240, 0, 1, 1080), 540);
        EXPECT_GT(nonBlackIn(hd, 1679, 0, 1, 1080), 540);
        for (const auto& edge : {std::vector<int>{0, 0, 1, 960}, {1279, 0, 1, 960}, {0, 0, 1280, 1}, {0, 959, 1280, 1}})
            EXPECT_GT(nonBlackIn(big, edge[0], edge[1], edge[2], edge[3]), std::max(edge[2], edge[3]) / 2)
                << "1280 x 960 is 4:3: no bars";

        const Frame hdDown = areaScale(hd, 240, 0, 1440, 1080, 640, 480);
        const Frame bigDown = areaScale(big, 0, 0, 1280, 960, 640, 480);
        const double hdWhole = psnr(reference, hdDown, 0, 0, 640, 480);
        const double bigWhole = psnr(reference, bigDown, 0, 0, 640, 480);
        const double hdCaption = psnr(reference, hdDown, captionX, captionTop, captionW, captionH);
        const double bigCaption = psnr(reference, bigDown, captionX, captionTop, captionW, captionH);
        std::printf("frame %ld PSNR whole / caption: 1920x1080 %.1f / %.1f dB, 1280x960 %.1f / %.1f dB\n", n,
                    hdWhole, hdCaption, bigWhole, bigCaption);
        EXPECT_GE(hdWhole, 25.0);
        EXPECT_GE(bigWhole, 25.0);
        EXPECT_GE(hdCaption, 25.0);
        EXPECT_GE(bigCaption, 25.0);
    }
}

TEST(RecordingSize, Mp4AtTheRequestedSizePlaysAnywhere) {
    TempDir dir;
    const std::string mp4 = dir.file("hd.mp4");
    RunOptions options;
    const std::string folder = dir.path;
    options.interruptWhen = [folder](const std::string&) { return holdsPartFile(folder, 256 << 10); };
    const RunResult run = runQuorvex({"--record", mp4, "--fps", "10", "--size", "1920x1080"}, options);
    EXPECT_EQ(run.status, 130) << run.stderrText;
    EXPECT_EQ(ffprobe(mp4, "v:0", "stream=codec_name,width,height,pix_fmt"), "h264\n1920\n1080\nyuv420p");
    FrameReader* reader = openFrameReader(mp4, 1920, 1080);
    ASSERT_NE(reader, nullptr);
    std::vector<uint8_t> rgb;
    ASSERT_TRUE(nextFrame(reader, &rgb));
    closeFrameReader(reader);
    ASSERT_EQ(rgb.size(), 1920u * 1080 * 3);
    Frame first;
    first.width = 1920;
    first.height = 1080;
    first.rgb = rgb;
    // Lossy coding blurs the bars' inner edge a little; well inside they are black.
    long brightInBars = 0;
    for (int y = 0; y < 1080; ++y)
        for (const int x : {0, 100, 200, 1720, 1819, 1919}) {
            const uint8_t* p = &rgb[(static_cast<size_t>(y) * 1920 + x) * 3];
            brightInBars += p[0] > 24 || p[1] > 24 || p[2] > 24;
        }
    EXPECT_EQ(brightInBars, 0);
    EXPECT_GT(nonBlackIn(first, 960, 0, 1, 1080), 540);
}
