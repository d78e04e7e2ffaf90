// The scene chain: stops at the first running scene, keeps calling finished ones,
// and lets the speed factors compound through the shared frame step.
#include <gtest/gtest.h>

#include <vector>

#include "scenes/director.h"
#include "scenes/scene_state.h"
#include "scenes/scenes.h"

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
        resetSceneStateForTests();
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
    EXPECT_EQ(shownScene, 2);
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
    EXPECT_EQ(shownScene, -1);
}

TEST(ChainOrder, DefaultChainHasTheSixScenesWithTheirSpeeds) {
    const int speeds[] = {5, 5, 0, 5, 8};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(defaultSceneChain[i].speed, speeds[i]) << "scene " << i;
    EXPECT_EQ(defaultSceneChain[0].scene, introScene);
    EXPECT_EQ(defaultSceneChain[4].scene, vaderScene);
}
