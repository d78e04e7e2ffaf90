// The scene director's chain as a table, so tests can put recording scenes in its links.
// runSceneChain (scenes.h) walks it in order.
#pragma once

struct SceneLink {
    int (*scene)(int speed);
    int speed;
};

constexpr int sceneChainLength = 6;
extern const SceneLink defaultSceneChain[sceneChainLength];
extern SceneLink sceneChain[sceneChainLength];

// Index in the chain of the scene that reported running in the last call, -1 when none did.
extern int shownScene;
