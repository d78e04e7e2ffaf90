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

// Index in the chain of the scene that reported running in the last call of runSceneChain,
// -1 when none did: the scene whose picture the frame shows.
int lastShownScene();

// Recordings only: a scene that reported finished in the previous frame is still called in
// full (its updates are the chain's state), but it draws inside an empty scissor box, since
// the next scene's clear would erase its picture anyway. The live loop never turns this on.
void setHiddenScenesUndrawn(int on);
// A new start-up restarts the timeline, so what finished before says nothing any more.
void forgetFinishedScenes();
// 1 + the chain index of the first scene drawn hidden that still reported running, 0 while
// no such scene was seen: its frame lacks its picture, so a recording must stop on it.
extern int hiddenSceneMispredicted;
