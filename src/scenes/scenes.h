// The scene chain and the six scenes it calls, in chain order.
// Each scene returns non-zero while it is still running.
//
// How a frame works:
// - Every frame the chain starts again at the intro and calls the scenes in order until one
//   reports that it is still running. Finished scenes are called too: they draw their whole
//   picture, which the next scene's clear erases, and go on advancing the shared state.
// - frameStep arrives as the last frame's length in seconds, and each scene multiplies it by
//   its speed in place, so the factors compound: the intro moves by 5 x the frame time, the
//   journey by 25 x, and from the sine cube's factor 0 on, time-based motion stands still;
//   per-call steps (the fade, the cubes' and sprites' drift) keep going.
// - Clock-based end tests read demoNow, which the intro refreshes at the end of every call:
//   later scenes compare a second taken earlier in the same frame, the intro last frame's.
// - GL state is never saved or restored: a scene inherits whatever ran before it.
// - F1 runs start-up again: a new demo clock, element records and music, while the shared
//   scene state, the angles and the frame clock carry on.
#pragma once

int runSceneChain();

// Where the journey, sine-cube, atom and Vader scenes write their titles on the caption overlay.
constexpr int sceneTitleX = 5;
constexpr int sceneTitleY = 435;

int introScene(int speed);
void drawIntroCaptions();
int journeyScene(int speed);
int sineCubeScene(int speed);
void initSineCubes();
int itchyAtomScene(int speed);
void drawAtomSprites();
void initAtomSprites();
int vaderScene(int speed);
void drawWingPanel();
void drawStrutBox();
int closingScene();

// Element records of the scenes that own them.
struct Position3 {
    float x, y, z;
};
extern Position3 sineCubes[1000];
extern Position3 atomSprites[40];
