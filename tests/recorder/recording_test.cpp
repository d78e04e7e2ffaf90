// Whole-demo recordings at 10 frames per second, in all three forms, checked against the
// timing rules: frame n at n / 10 s, 4410 sample frames each, the end at second 98.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

#include "assets/texture_bank.h"
#include "platform/gl.h"
#include "recording_files.h"
#include "render/font.h"
#include "support/gl_test_context.h"
#include "support/temp_dir.h"

namespace {
constexpr int fps = 10;
constexpr long frames = 98 * fps;
constexpr long sampleValues = 98L * 44100 * 2;  // stereo, 4410 sample frames per frame

struct Caption {
    int x, y;
    const char* text;
};

// Which pixels a caption lights, drawn alone on black with the demo's own font, top row first.
std::vector<bool> captionInk(const Caption& caption) {
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_TEXTURE_2D);  // as start-up leaves it for the scenes
    glDisable(GL_LIGHTING);
    drawCaption(caption.x, caption.y, caption.text);
    const std::vector<uint8_t> bottomUp = readTestFrame();
    std::vector<bool> ink(640 * 480);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x) {
            const uint8_t* p = &bottomUp[(static_cast<size_t>(y) * 640 + x) * 3];
            ink[static_cast<size_t>(479 - y) * 640 + x] = p[0] > 230 && p[1] > 230 && p[2] > 230;
        }
    return ink;
}

// Share of a caption's lit pixels that are (near) white in a recorded frame.
double captionMatch(const std::vector<bool>& ink, const std::vector<uint8_t>& frame) {
    long lit = 0, white = 0;
    for (size_t i = 0; i < ink.size(); ++i) {
        if (!ink[i]) continue;
        ++lit;
        const uint8_t* p = &frame[i * 3];
        white += p[0] > 200 && p[1] > 200 && p[2] > 200;
    }
    return lit ? double(white) / double(lit) : 0.0;
}

// Each scene at a second of its own, its caption where the timeline puts it. At 10 fps
// every frame shows the demo at its own second, as the 60 fps recording does: the fade ends
// at about 50.4 s and the journey runs to about 56 s.
void expectScenesAtTheirSeconds(const std::string& pngDir) {
    ScopedChdir inBuild(buildDir());
    loadBmpTextures();
    createGlyphLists();
    const Caption intro = {355, 400, "THEY WERE"}, journey = {5, 435, "THE JOURNEY"},
                  atom = {5, 435, "THE ITCHY ATOM"}, vader = {5, 435, "CAN YOU SE THE VADER"};
    const Caption* all[] = {&intro, &journey, &atom, &vader};
    const struct {
        long frame;
        const Caption* shown;  // null: the closing picture, which has none
    } marks[] = {{305, &intro}, {530, &journey}, {750, &atom}, {900, &vader}, {950, nullptr}};
    for (const auto& mark : marks) {
        int w = 0, h = 0;
        const std::vector<uint8_t> frame = readPngRgb(frameName(pngDir, mark.frame), &w, &h);
        ASSERT_EQ(frame.size(), 640u * 480 * 3);
        for (const Caption* caption : all) {
            const double match = captionMatch(captionInk(*caption), frame);
            if (caption == mark.shown) {
                EXPECT_GT(match, 0.98) << "frame " << mark.frame << " lacks '" << caption->text << "'";
            } else {
                EXPECT_LT(match, 0.75) << "frame " << mark.frame << " shows '" << caption->text << "'";
            }
        }
    }
    deleteGlyphLists();
}

class Recording : public GlTest {};
}  // namespace

// The PNG directory and the lossless .mkv are two independent recordings: identical frames
// and samples between them show that recording is deterministic and lossless at once.
TEST_F(Recording, LosslessFormsAgreeFrameForFrameAndFollowTheRules) {
    TempDir dir;
    const std::string pngDir = dir.file("frames"), mkv = dir.file("demo.mkv");
    RunResult pngRun, mkvRun;
    std::thread other([&] { mkvRun = runQuorvex({"--record", mkv, "--fps", "10"}); });
    pngRun = runQuorvex({"--record", pngDir, "--fps", "10"});
    other.join();
    ASSERT_EQ(pngRun.status, 0) << pngRun.stderrText;
    ASSERT_EQ(mkvRun.status, 0) << mkvRun.stderrText;

    // Frame count and the soundtrack's length, exactly.
    EXPECT_TRUE(pathExists(frameName(pngDir, frames - 1)));
    EXPECT_FALSE(pathExists(frameName(pngDir, frames)));
    WavData wav;
    ASSERT_TRUE(readWav(pngDir + "/soundtrack.wav", &wav));
    EXPECT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.rate, 44100);
    EXPECT_EQ(wav.bits, 16);
    EXPECT_EQ(static_cast<long>(wav.samples.size()), sampleValues);

    EXPECT_EQ(ffprobe(mkv, "v:0", "stream=codec_name,pix_fmt"), "h264\ngbrp");
    EXPECT_EQ(ffprobe(mkv, "a:0", "stream=codec_name"), "flac");
    EXPECT_EQ(std::atof(ffprobe(mkv, "", "format=duration").c_str()), 98.0);
    EXPECT_EQ(ffmpegAudio(mkv), wav.samples);

    // The sound is the soundtrack itself from its first sample, then silence once it ends.
    std::vector<int16_t> decoded;
    long rate = 0;
    int channels = 0;
    ASSERT_TRUE(decodeSoundtrack(&decoded, &rate, &channels));
    ASSERT_EQ(rate, 44100);
    ASSERT_EQ(channels, 2);
    const size_t common = std::min(decoded.size(), wav.samples.size());
    EXPECT_TRUE(std::equal(decoded.begin(), decoded.begin() + static_cast<long>(common), wav.samples.begin()));
    EXPECT_TRUE(std::all_of(wav.samples.begin() + static_cast<long>(common), wav.samples.end(),
                            [](int16_t s) { return s == 0; }));

    FrameReader* reader = openFrameReader(mkv);
    ASSERT_NE(reader, nullptr);
    std::vector<uint8_t> fromVideo;
    long compared = 0, differing = 0;
    for (; nextFrame(reader, &fromVideo); ++compared) {
        int w = 0, h = 0;
        const std::vector<uint8_t> fromPng = readPngRgb(frameName(pngDir, compared), &w, &h);
        ASSERT_EQ(w, 640);
        ASSERT_EQ(h, 480);
        differing += fromPng != fromVideo;
    }
    closeFrameReader(reader);
    EXPECT_EQ(compared, frames);
    EXPECT_EQ(differing, 0);

    expectScenesAtTheirSeconds(pngDir);
}

TEST(RecordingMp4, WidelyPlayableVideoOfTheWholeDemo) {
    TempDir dir;
    const std::string mp4 = dir.file("demo.mp4");
    const RunResult run = runQuorvex({"--record", mp4, "--fps", "10"});
    ASSERT_EQ(run.status, 0) << run.stderrText;
    EXPECT_EQ(ffprobe(mp4, "v:0", "stream=codec_name,pix_fmt"), "h264\nyuv420p");
    EXPECT_EQ(ffprobe(mp4, "a:0", "stream=codec_name,sample_rate,channels"), "aac\n44100\n2");
    EXPECT_EQ(std::atof(ffprobe(mp4, "", "format=duration").c_str()), 98.0);
    EXPECT_EQ(std::atof(ffprobe(mp4, "a:0", "stream=duration").c_str()), 98.0);
    EXPECT_EQ(ffprobe(mp4, "v:0", "stream=nb_read_frames -count_frames"), std::to_string(frames));
    // AAC codes whole blocks of 1024: the decode may run on by less than one block.
    const long decoded = static_cast<long>(ffmpegAudio(mp4).size());
    EXPECT_GE(decoded, sampleValues);
    EXPECT_LT(decoded, sampleValues + 1024 * 2);
}

// The lossless form at the lowest rates; their H.264 counterparts are in the fast suite.
TEST(RecordingLowRates, LosslessVideoGoesOnAtOneTwoAndThreeFramesPerSecond) {
    for (int fps : {1, 2, 3}) expectRecordingPastStartAt("rate.mkv", fps);
}
