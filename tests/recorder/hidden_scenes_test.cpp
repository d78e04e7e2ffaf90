// Recordings leave the pictures of finished scenes undrawn; the frames must not show it.
// At 15 fps every scene of the chain gets its turn on screen, the sine cube included.
// Live play, in-process on the virtual clock, shows 6 pictures a second of the same demo.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <map>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "recording_files.h"
#include "scenes/scene_state.h"
#include "shell/main_loop.h"
#include "shell/window.h"
#include "support/gl_test_context.h"
#include "support/headless_demo.h"
#include "support/portable.h"
#include "support/temp_dir.h"

namespace {
constexpr int livePicturesPerSecond = 6;
}  // namespace

TEST(HiddenScenes, UndrawingThemChangesNoFrameOfTheWholeDemo) {
    TempDir dir;
    const std::string undrawn = dir.file("undrawn.mkv"), drawn = dir.file("drawn.mkv");
    RunResult undrawnRun, drawnRun;
    RunOptions drawAll;
    drawAll.env = {"QUORVEX_DRAW_HIDDEN_SCENES=1"};
    std::thread other([&] { drawnRun = runQuorvex({"--record", drawn, "--fps", "15"}, drawAll); });
    undrawnRun = runQuorvex({"--record", undrawn, "--fps", "15"});
    other.join();
    ASSERT_EQ(undrawnRun.status, 0) << undrawnRun.stderrText;
    ASSERT_EQ(drawnRun.status, 0) << drawnRun.stderrText;

    const std::vector<std::string> a = frameChecksums(undrawn), b = frameChecksums(drawn);
    ASSERT_EQ(a.size(), 98u * 15);
    ASSERT_EQ(b.size(), a.size());
    const auto first = std::mismatch(a.begin(), a.end(), b.begin()).first;
    EXPECT_TRUE(first == a.end()) << "first differing frame: " << first - a.begin();
}

// Live play culls as well, and a picture whose scene ran again against the prediction is
// not presented: every picture it does present equals the one drawn with nothing culled.
namespace {
struct LivePictures {
    long call = 0;
    std::map<long, uint64_t> presented;  // call -> hash of its picture, when it was swapped in
    long drawnCall = -1;                 // the last call's picture, until the next call shows
    uint64_t drawnHash = 0;              // whether the loop presented it
    uint32_t swaps = 0;
};

// Called after each call, before the loop presents its picture or not.
void notePresented(int pictures, void* user) {
    auto* run = static_cast<LivePictures*>(user);
    if (run->drawnCall >= 0 && platformSwapCount() != run->swaps) run->presented[run->drawnCall] = run->drawnHash;
    run->drawnCall = pictures ? run->call : -1;
    if (pictures) {
        const std::vector<uint8_t> frame = readTestFrame(demoWidth, demoHeight);
        run->drawnHash = std::hash<std::string_view>()({reinterpret_cast<const char*>(frame.data()), frame.size()});
    }
    run->swaps = platformSwapCount();
    setHeadlessClock(++run->call);
}

LivePictures playLive(const char* drawHidden) {
    setTestEnvironment("QUORVEX_DRAW_HIDDEN_SCENES", drawHidden);
    resetSceneState();
    frameClock = FrameClock{};
    std::srand(1);
    LivePictures run;
    setHeadlessClock(0);
    EXPECT_EQ(runSampledHeadlessDemo(livePicturesPerSecond, notePresented, &run), 0);
    unsetTestEnvironment("QUORVEX_DRAW_HIDDEN_SCENES");
    return run;
}
}  // namespace

TEST(HiddenScenes, LivePlayPresentsOnlyPicturesEqualToDrawingEverything) {
    ScopedChdir inBuild(buildDir());
    const LivePictures culled = playLive("0"), drawn = playLive("1");
    ASSERT_EQ(drawn.presented.size(), 98u * livePicturesPerSecond) << "one every tenth call";
    EXPECT_GE(culled.presented.size(), drawn.presented.size() - 3) << "a misprediction is rare";
    std::printf("live culling: %zu of %zu pictures presented\n", culled.presented.size(), drawn.presented.size());
    std::vector<std::pair<long, uint64_t>> differing;  // presented culled, not so with everything drawn
    std::set_difference(culled.presented.begin(), culled.presented.end(), drawn.presented.begin(),
                        drawn.presented.end(), std::back_inserter(differing));
    EXPECT_EQ(differing.size(), 0u) << "first differing call: " << differing[0].first;
}
