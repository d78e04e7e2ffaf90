// The scene chain: stops at the first running scene, keeps calling finished ones,
// and lets the speed factors compound through the shared frame step.
#include <gtest/gtest.h>

#include <vector>

#include "platform/gl.h"
#include "scenes/director.h"
#include "scenes/scene_state.h"
#include "scenes/scenes.h"
#include "support/gl_test_context.h"

namespace {
struct Seen {
    int scene;
    float step;
};
std::vector<Seen> seen;
int runningFrom = 0;  // scenes with an index below this report finished

template <int index>
int recordingScene(int speed) {
    frameStep *= static_cast<float>(speed);
    seen.push_back({index, frameStep});
    return index >= runningFrom;
}

class ChainTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetSceneState();
        seen.clear();
        const SceneLink links[] = {{recordingScene<0>, 5}, {recordingScene<1>, 5}, {recordingScene<2>, 0},
                                   {recordingScene<3>, 5}, {recordingScene<4>, 8}, {recordingScene<5>, 1}};
        for (int i = 0; i < sceneChainLength; ++i) sceneChain[i] = links[i];
    }
    void TearDown() override {
        for (int i = 0; i < sceneChainLength; ++i) sceneChain[i] = defaultSceneChain[i];
    }
};
}  // namespace

TEST_F(ChainTest, StopsAtFirstRunningSceneAndCallsEveryFinishedOneBeforeIt) {
    runningFrom = 2;
    frameStep = 0.01f;
    EXPECT_EQ(runSceneChain(), 1);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].scene, 0);
    EXPECT_EQ(seen[2].scene, 2);
    EXPECT_EQ(lastShownScene(), 2);
}

TEST_F(ChainTest, SpeedFactorsCompoundAlongTheChain) {
    runningFrom = 6;
    frameStep = 0.01f;
    EXPECT_EQ(runSceneChain(), 0);
    ASSERT_EQ(seen.size(), 6u);
    EXPECT_FLOAT_EQ(seen[0].step, 0.05f);
    EXPECT_FLOAT_EQ(seen[1].step, 0.25f);
    EXPECT_EQ(seen[2].step, 0.0f);
    EXPECT_EQ(seen[3].step, 0.0f);
    EXPECT_EQ(seen[4].step, 0.0f);
    EXPECT_EQ(lastShownScene(), -1);
}

TEST(ChainOrder, DefaultChainHasTheSixScenesWithTheirSpeeds) {
    const int speeds[] = {5, 5, 0, 5, 8};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(defaultSceneChain[i].speed, speeds[i]) << "scene " << i;
    EXPECT_EQ(defaultSceneChain[0].scene, introScene);
    EXPECT_EQ(defaultSceneChain[4].scene, vaderScene);
}

namespace {
// A chain of two scenes: the first clears to red and may be finished, the second runs and
// looks at what the frame holds when it is called.
struct GlCall {
    int scene;
    bool scissored;
};
std::vector<GlCall> glCalls;
int firstRuns = 0;
uint8_t centreSeenBySecond[3];

int redClearingScene(int speed) {
    frameStep *= static_cast<float>(speed);
    glCalls.push_back({0, glIsEnabled(GL_SCISSOR_TEST) == GL_TRUE});
    glClearColor(1, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    return firstRuns;
}

int lookingScene(int) {
    glCalls.push_back({1, glIsEnabled(GL_SCISSOR_TEST) == GL_TRUE});
    readTestPixel(320, 240, centreSeenBySecond);
    return 1;
}

class HiddenSceneTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        resetSceneState();
        glCalls.clear();
        sceneChain[0] = {redClearingScene, 5};
        sceneChain[1] = {lookingScene, 1};
    }
    void TearDown() override {
        setHiddenScenesUndrawn(0);
        for (int i = 0; i < sceneChainLength; ++i) sceneChain[i] = defaultSceneChain[i];
        glClearColor(0, 0, 0, 0);
    }
    // One frame on a blue background; what the second scene saw at the centre.
    int frame() {
        glClearColor(0, 0, 1, 0);
        glClear(GL_COLOR_BUFFER_BIT);
        frameStep = 0.01f;
        return runSceneChain();
    }
};
}  // namespace

TEST_F(HiddenSceneTest, SceneFinishedLastFrameIsCalledWithItsUpdatesButDrawsNothing) {
    setHiddenScenesUndrawn(1);
    firstRuns = 0;
    frame();  // nothing is known yet: the finished scene draws
    EXPECT_EQ(centreSeenBySecond[0], 255);
    EXPECT_EQ(centreSeenBySecond[2], 0);
    frame();
    ASSERT_EQ(glCalls.size(), 4u);
    EXPECT_FALSE(glCalls[0].scissored);
    EXPECT_TRUE(glCalls[2].scissored);
    EXPECT_FALSE(glCalls[3].scissored) << "the next scene's clear must cover the whole frame";
    EXPECT_FLOAT_EQ(frameStep, 0.05f) << "the hidden scene's speed still applies";
    EXPECT_EQ(centreSeenBySecond[0], 0) << "the hidden scene's clear reached the frame";
    EXPECT_EQ(centreSeenBySecond[2], 255);
    EXPECT_EQ(hiddenSceneMispredicted, 0);

    forgetFinishedScenes();  // a new start-up: the timeline starts over
    frame();
    EXPECT_FALSE(glCalls[4].scissored);
}

TEST_F(HiddenSceneTest, HiddenSceneThatStillRunsIsReported) {
    setHiddenScenesUndrawn(1);
    firstRuns = 0;
    frame();
    frame();
    EXPECT_EQ(hiddenSceneMispredicted, 0);
    firstRuns = 1;
    EXPECT_EQ(frame(), 1);
    EXPECT_EQ(hiddenSceneMispredicted, 1);
    EXPECT_EQ(lastShownScene(), 0);
}

TEST_F(HiddenSceneTest, LiveChainDrawsEverySceneInFull) {
    firstRuns = 0;
    for (int i = 0; i < 3; ++i) frame();
    for (const GlCall& call : glCalls) EXPECT_FALSE(call.scissored) << "scene " << call.scene;
    EXPECT_EQ(centreSeenBySecond[0], 255);
}
