// The scene director's chain as a table, so tests can put recording scenes in its links.
// runSceneChain (scenes.h) walks it in order.
#pragma once

struct SceneLink {
    int (*scene)(int speed);
    int speed;
    const char* name = nullptr;  // as frame statistics print it
};

constexpr int sceneChainLength = 6;
extern const SceneLink defaultSceneChain[sceneChainLength];
extern SceneLink sceneChain[sceneChainLength];

// Index in the chain of the scene that reported running in the last call of runSceneChain,
// -1 when none did: the scene whose picture the frame shows.
int lastShownScene();

// A scene that reported finished in the previous call is still called in full (its updates
// are the chain's state), but it draws inside an empty scissor box, since the next scene's
// clear would erase its picture anyway. QUORVEX_DRAW_HIDDEN_SCENES=1 keeps this off.
void setHiddenScenesUndrawn(int on);
// While on, every scene of a call draws inside the empty scissor box: a call that no picture
// shows still moves the demo on, at the cost of its updates alone.
void setChainUndrawn(int on);
// A new start-up restarts the timeline, so what finished before says nothing any more.
void forgetFinishedScenes();
// 1 + the chain index of the first scene drawn hidden that still reported running, 0 while
// no such scene was seen: its frame lacks its picture, so it must never be shown (live, the
// scene is drawn in full from the next call; a recording stops on it).
extern int hiddenSceneMispredicted;
