// The scripted-loop fixture: the loop's globals reset and the scene chain swapped for a test's
// own, all of it put back afterwards.
#include "support/scripted_loop.h"

#include <cstring>

#include "platform/platform.h"
#include "scenes/scene_state.h"
#include "shell/main_loop.h"

namespace {
int finishedScene(int) { return 0; }
}  // namespace

void ScriptedLoopTest::startScriptedLoop(SceneLink first) {
    ASSERT_EQ(platformSelectBackend(PLATFORM_OFFSCREEN), 1);
    platformUseVirtualClock(1);
    platformFlushMessages();
    resetSceneState();
    frameClock = {};
    std::memset(KeyState, 0, sizeof KeyState);
    active = 1;
    for (int i = 0; i < sceneChainLength; ++i) sceneChain[i] = {finishedScene, 0};
    sceneChain[0] = first;
}

void ScriptedLoopTest::TearDown() {
    for (int i = 0; i < sceneChainLength; ++i) sceneChain[i] = defaultSceneChain[i];
    platformSimulateDisplay(0, 0);
    platformUseVirtualClock(0);
    platformSetMessageBoxHook(nullptr);
}
