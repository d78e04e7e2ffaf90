// The pace: which calls the pictures at each rate show, and the live loop on simulated
// displays and machines (virtual clock): 60 calls a second, pictures presented at their rate,
// missed calls made up undrawn within the bound, mispredicted pictures never presented.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/gl.h"
#include "platform/platform.h"
#include "scenes/director.h"
#include "scenes/scene_state.h"
#include "shell/frame_stats.h"
#include "shell/main_loop.h"
#include "support/scripted_loop.h"

namespace {
// --- Which calls the pictures show -----------------------------------------------------------

TEST(PicturesOfCalls, EachPictureShowsTheCallNearestItsTime) {
    const struct {
        int fps;
        std::vector<int> picturesOfFirstCalls;  // calls 0, 1, 2, ...
    } rates[] = {
        {60, {1, 1, 1, 1, 1, 1}},
        {30, {1, 0, 1, 0, 1, 0}},
        {20, {1, 0, 0, 1, 0, 0}},
        {25, {1, 0, 1, 0, 0, 1, 0, 1, 0, 0, 1, 0}},  // 0.04 s apart: calls 0, 2, 5, 7, 10, ...
        {120, {1, 2, 2, 2}},                          // a tie goes to the later call
        {240, {2, 4, 4, 4}},
    };
    for (const auto& rate : rates)
        for (size_t call = 0; call < rate.picturesOfFirstCalls.size(); ++call)
            EXPECT_EQ(picturesOfCall(static_cast<long>(call), rate.fps), rate.picturesOfFirstCalls[call])
                << rate.fps << " fps, call " << call;
}

TEST(PicturesOfCalls, EveryRateEndsWithTheDemoAtItsLastCall) {
    const long endCall = 98L * 60;  // the call at second 98 ends the demo undrawn
    for (int fps : {1, 2, 3, 7, 10, 24, 30, 50, 60}) EXPECT_EQ(firstPictureOfCall(endCall, fps), 98L * fps) << fps;
    EXPECT_EQ(firstPictureOfCall(endCall, 240), 98L * 240 - 2) << "the last two are nearer the end than call 5879";
    EXPECT_EQ(firstPictureOfCall(30 * 60, 2), 60) << "second 30 at 2 fps is picture 60";
}

TEST(SwapInterval, WholeMultiplesOfTheRateWaitForSeveralRefreshes) {
    const struct {
        int refreshHz, fps, interval;
    } cases[] = {{60, 60, 1}, {59, 60, 1}, {120, 60, 2}, {119, 60, 2}, {240, 60, 4},
                 {144, 60, 1}, {165, 60, 1}, {0, 60, 1},  {60, 30, 2},  {144, 48, 3}};
    for (const auto& c : cases) EXPECT_EQ(paceSwapInterval(c.refreshHz, c.fps), c.interval) << c.refreshHz << " Hz";
}

// --- The live loop on a simulated display ------------------------------------------------------

struct Call {
    int drawn;
    float step;
};
struct Machine {
    int drawnMs = 4;    // what a drawn call costs
    int undrawnMs = 1;  // what a call inside the empty scissor box costs
};

std::vector<Call> calls;
std::vector<double> presented;  // virtual seconds of each swap
Machine machine;
double endSeconds;

int timedScene(int) {
    const int drawn = !glIsEnabled(GL_SCISSOR_TEST);
    calls.push_back({drawn, frameStep});
    platformSleepMs(drawn ? machine.drawnMs : machine.undrawnMs);
    return platformPreciseSeconds() < endSeconds;
}

void notePicture(int pictures, void*) {
    if (pictures) presented.push_back(platformPreciseSeconds());
}

struct Figures {
    double callsPerSecond, picturesPerSecond;
    long undrawn;
    double longestGapMs;
};

class LivePace : public ScriptedLoopTest {
protected:
    void SetUp() override {
        startScriptedLoop({timedScene, 1, "timed"});
        platformSetVirtualClock(5000, 1000);
        calls.clear();
        presented.clear();
        machine = Machine();
    }

    // Runs the live loop for `seconds` of virtual time on the given display.
    Figures play(int refreshHz, int vsync, double seconds = 4.0, int fps = 60) {
        platformSimulateDisplay(refreshHz, vsync);
        endSeconds = platformPreciseSeconds() + seconds;
        LoopOptions options;
        options.startFullscreen = 0;
        options.picturesPerSecond = fps;
        options.callMade = notePicture;
        EXPECT_EQ(demoMain(options), 0);
        Figures f{};
        f.callsPerSecond = static_cast<double>(calls.size() - 1) / seconds;
        f.picturesPerSecond = (presented.size() - 1) / (presented.back() - presented.front());
        for (size_t i = 1; i < presented.size(); ++i)
            f.longestGapMs = std::max(f.longestGapMs, (presented[i] - presented[i - 1]) * 1000.0);
        f.undrawn = static_cast<long>(std::count_if(calls.begin(), calls.end(), [](const Call& c) { return !c.drawn; }));
        return f;
    }
};

TEST_F(LivePace, SixtyCallsAndPicturesASecondOnEveryDisplay) {
    const struct {
        int refreshHz, vsync;
        double longestGapMs;  // presentation snaps to the refreshes
    } displays[] = {{60, 1, 17.0}, {120, 1, 17.0}, {144, 1, 20.9}, {60, 0, 17.7}, {240, 1, 17.0}};
    for (const auto& display : displays) {
        SetUp();
        const Figures f = play(display.refreshHz, display.vsync);
        const std::string where = std::to_string(display.refreshHz) + " Hz" + (display.vsync ? "" : " without vsync");
        EXPECT_NEAR(f.callsPerSecond, 60.0, 0.5) << where;
        EXPECT_NEAR(f.picturesPerSecond, 60.0, 0.3) << where;
        EXPECT_EQ(f.undrawn, 0) << where;
        EXPECT_LE(f.longestGapMs, display.longestGapMs) << where;
        for (size_t i = 3; i < calls.size(); ++i) ASSERT_NEAR(calls[i].step, 1.0 / 60, 0.0011) << where << " call " << i;
        TearDown();
    }
}

TEST_F(LivePace, FewerPicturesStillSixtyCalls) {
    const Figures f = play(60, 1, 4.0, 20);
    EXPECT_NEAR(f.callsPerSecond, 60.0, 0.5);
    EXPECT_NEAR(f.picturesPerSecond, 20.0, 0.2);
    EXPECT_NEAR(f.undrawn, 2 * presented.size(), 3) << "two calls between pictures run undrawn";
    EXPECT_NE(statsReport().find(",     0 calls made up"), std::string::npos) << "sampled, not made up";
}

TEST_F(LivePace, SlowMachineMakesUpCallsUndrawnAndKeepsThePace) {
    machine.drawnMs = 30;  // two refreshes' worth of drawing
    machine.undrawnMs = 3;
    const Figures f = play(60, 0);
    EXPECT_NEAR(f.callsPerSecond, 60.0, 0.5);
    EXPECT_GT(f.undrawn, static_cast<long>(calls.size() / 3));
    EXPECT_LT(f.picturesPerSecond, 40.0);
    const std::string report = statsReport();
    EXPECT_NE(report.find("timed"), std::string::npos) << report;
    EXPECT_EQ(report.find(" 0 late"), std::string::npos) << "slow pictures count as late: " << report;
}

TEST_F(LivePace, HopelessMachineSlowsDownWithinTheBound) {
    machine.drawnMs = 100;
    machine.undrawnMs = 40;
    const Figures f = play(60, 0, 6.0);
    EXPECT_LT(f.callsPerSecond, 30.0) << "it cannot keep the pace";
    long run = 0, longestRun = 0;
    for (const Call& c : calls) longestRun = std::max(longestRun, run = c.drawn ? 0 : run + 1);
    EXPECT_EQ(longestRun, maxMadeUpCalls) << "never more made-up calls in a row than the bound";
    EXPECT_LE(f.longestGapMs, 100.0 + maxMadeUpCalls * 40.0 + 1.0) << "a picture after every bound";
}

// A scene predicted finished that runs again: the picture drawn without it is not presented,
// and the next call draws it in full.
int relapses;
int relapsingScene(int) {
    const int call = relapses++;
    calls.push_back({!glIsEnabled(GL_SCISSOR_TEST), frameStep});
    if (call == 11) KeyState[PLATFORM_VK_ESCAPE] = 1;
    return call < 2 || call > 3;  // finished in calls 2 and 3 only
}
int runningScene(int) { return 1; }

TEST_F(LivePace, MispredictedPictureIsNotPresented) {
    relapses = 0;
    sceneChain[0] = {relapsingScene, 1};
    sceneChain[1] = {runningScene, 1};
    const uint32_t swapsBefore = platformSwapCount();
    play(60, 1, 10.0);
    ASSERT_EQ(calls.size(), 12u);
    EXPECT_TRUE(calls[2].drawn) << "the call after a running one is drawn in full";
    EXPECT_FALSE(calls[3].drawn) << "predicted finished";
    EXPECT_FALSE(calls[4].drawn) << "predicted finished, but running again";
    EXPECT_TRUE(calls[5].drawn) << "drawn in full from the next call on";
    EXPECT_EQ(platformSwapCount() - swapsBefore, 10u) << "calls 0-10 but the mispredicted one; Escape's never";
}
}  // namespace
