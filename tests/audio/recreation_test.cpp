// F1 through the real main loop, offscreen on a virtual clock with the recorder's capture:
// the soundtrack heard after the window's re-creation starts again at its first sample.
#include <gtest/gtest.h>

#include <vector>

#include "mp3_fixture.h"
#include "platform/gl.h"
#include "platform/platform.h"
#include "shell/main_loop.h"
#include "support/headless_demo.h"
#include "support/interpose.h"
#include "support/temp_dir.h"

namespace {
const int fps = headlessFps;
const int samplesPerFrame = 2 * 44100 / fps;
const long f1Frame = 30;
const long escapeFrame = 80;

struct {
    long frame;
    std::vector<int16_t> heard;
} run;

void postKey(uintptr_t key) {
    const PlatformMessage down = {PLATFORM_WM_KEYDOWN, key, 0};
    platformPostMessage(&down);
}

void onFrameDrawn(void*) {
    if (run.frame == 0) pinLoadedLibraries();
    const size_t at = run.heard.size();
    run.heard.resize(at + samplesPerFrame);
    platformPullAudio(run.heard.data() + at, samplesPerFrame / 2);
    if (run.frame == f1Frame) postKey(PLATFORM_VK_F1);
    if (run.frame == escapeFrame) postKey(PLATFORM_VK_ESCAPE);
    ++run.frame;
    setHeadlessClock(run.frame);
    glViewport(0, 0, 64, 48);  // the pictures are not the point: keep the frames cheap
}

int answerYes(const char*, const char*, PlatformButtons buttons, PlatformIcon) {
    return buttons == PLATFORM_BUTTONS_YESNO ? PLATFORM_ANSWER_YES : PLATFORM_ANSWER_OK;
}

bool sameAs(const std::vector<int16_t>& heard, size_t from, size_t count, const std::vector<int16_t>& reference) {
    return std::equal(heard.begin() + static_cast<long>(from), heard.begin() + static_cast<long>(from + count),
                      reference.begin());
}
}  // namespace

TEST(Recreation, F1RestartsTheSoundtrackAtItsFirstSample) {
    TempDir dir;
    const std::vector<unsigned char> mp3 = encodeTestMp3(3.0);
    const ReferenceDecode reference = referenceDecode(mp3);
    writeMusicFile(dir.path, mp3);
    ScopedChdir inside(dir.path);
    run.frame = 0;
    setHeadlessClock(0);
    EXPECT_EQ(runHeadlessDemo(onFrameDrawn, nullptr, answerYes), 0);

    ASSERT_GT(run.frame, escapeFrame);
    // The first window plays from the start until its close; the next one from the start again.
    size_t restart = 0;
    for (long frame = 1; frame < run.frame && !restart; ++frame) {
        const size_t at = static_cast<size_t>(frame) * samplesPerFrame;
        if (sameAs(run.heard, at, samplesPerFrame, reference.samples)) restart = at;
    }
    ASSERT_NE(restart, 0u) << "the soundtrack never started again";
    EXPECT_GE(restart, static_cast<size_t>(f1Frame + 1) * samplesPerFrame);
    EXPECT_LE(restart, static_cast<size_t>(f1Frame + 3) * samplesPerFrame);
    EXPECT_TRUE(sameAs(run.heard, 0, restart, reference.samples));
    EXPECT_TRUE(sameAs(run.heard, restart, run.heard.size() - restart, reference.samples));
}
