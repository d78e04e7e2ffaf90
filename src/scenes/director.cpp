// The scene chain: six scenes called in a fixed order every frame, stopping at the first
// one that is still running. Finished scenes before it keep drawing and updating.
#include "scenes/director.h"

#include "platform/gl.h"
#include "scenes/scenes.h"

namespace {
int runClosingScene(int) { return closingScene(); }

int undrawHidden = 0;
int undrawAll = 0;
int finishedLastFrame[sceneChainLength];

// The scissor test also bounds glClear, so the hidden scene's clear costs nothing either;
// it is off again before the next scene, whose own clear then covers the whole frame.
int callScene(int i) {
    const int predicted = undrawHidden && finishedLastFrame[i];
    const int hidden = undrawAll || predicted;
    if (hidden) {
        glScissor(0, 0, 0, 0);
        glEnable(GL_SCISSOR_TEST);
    }
    const int running = sceneChain[i].scene(sceneChain[i].speed);
    if (hidden) {
        glDisable(GL_SCISSOR_TEST);
        if (running && predicted && !undrawAll && !hiddenSceneMispredicted) hiddenSceneMispredicted = i + 1;
    }
    finishedLastFrame[i] = !running;
    return running;
}
}  // namespace

const SceneLink defaultSceneChain[sceneChainLength] = {
    {introScene, 5, "intro"},          {journeyScene, 5, "journey"}, {sineCubeScene, 0, "sine cube"},
    {itchyAtomScene, 5, "itchy atom"}, {vaderScene, 8, "Vader"},     {runClosingScene, 0, "closing"},
};

SceneLink sceneChain[sceneChainLength] = {
    defaultSceneChain[0], defaultSceneChain[1], defaultSceneChain[2],
    defaultSceneChain[3], defaultSceneChain[4], defaultSceneChain[5],
};

namespace {
int shownScene = -1;
}  // namespace

int lastShownScene() { return shownScene; }

int hiddenSceneMispredicted = 0;

void setHiddenScenesUndrawn(int on) {
    undrawHidden = on;
    forgetFinishedScenes();
    hiddenSceneMispredicted = 0;
}

void setChainUndrawn(int on) { undrawAll = on; }

void forgetFinishedScenes() {
    for (int& finished : finishedLastFrame) finished = 0;
}

int runSceneChain() {
    for (int i = 0; i < sceneChainLength; ++i) {
        if (callScene(i)) {
            // Scenes after the running one were not called: nothing is known of them.
            for (int j = i + 1; j < sceneChainLength; ++j) finishedLastFrame[j] = 0;
            shownScene = i;
            return 1;
        }
    }
    shownScene = -1;
    return 0;
}
