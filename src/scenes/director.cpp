// The scene chain: six scenes called in a fixed order every frame, stopping at the first
// one that is still running. Finished scenes before it keep drawing and updating.
#include "scenes/director.h"

#include "scenes/scenes.h"

namespace {
int runClosingScene(int) { return closingScene(); }
}  // namespace

const SceneLink defaultSceneChain[sceneChainLength] = {
    {introScene, 5},
    {journeyScene, 5},
    {sineCubeScene, 0},
    {itchyAtomScene, 5},
    {vaderScene, 8},
    {runClosingScene, 0},
};

SceneLink sceneChain[sceneChainLength] = {
    defaultSceneChain[0], defaultSceneChain[1], defaultSceneChain[2],
    defaultSceneChain[3], defaultSceneChain[4], defaultSceneChain[5],
};

int shownScene = -1;

int runSceneChain() {
    for (int i = 0; i < sceneChainLength; ++i) {
        if (sceneChain[i].scene(sceneChain[i].speed)) {
            shownScene = i;
            return 1;
        }
    }
    shownScene = -1;
    return 0;
}
