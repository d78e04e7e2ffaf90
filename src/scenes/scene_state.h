// The demo clock, the per-frame step and the positions and angles that the scenes share.
// Process-wide plain records; none is reset when the window is re-created.
#pragma once

#include "platform/gl.h"

#include <cstdint>

// Whole seconds of calendar time; elapsed = demoNow - demoStart.
struct DemoClock {
    int32_t demoStart;
    int32_t demoNow;
};

struct SceneState {
    float fadeAlpha = 1.0f;
    float rocketX = -2.5f;
    float rocketY = -3.8f;
    float rocketZ = -18.0f;
    float rocket2X = -2.5f;
    float rocket2Y = -3.8f;
    float backdropX = 0.0f;
    float backdropY = 0.0f;
    float backdropZ = -104.0f;
    float cubeZ = -50.0f;
    float angleX = 0.0f;
    float angleY = 0.0f;
    float angleZ = 0.0f;
    float cubeSpin = 0.0f;
    float orbitPhase = 0.0f;
};

extern DemoClock demoClock;
extern float frameStep;  // seconds, rescaled in place by each scene's speed
extern SceneState sceneState;
extern GLUquadric* quadric;  // made by start-up, shared by the atom and Vader scenes

// Signed whole seconds since demoStart, from the last refreshed demoNow.
inline int32_t demoElapsed() { return demoClock.demoNow - demoClock.demoStart; }

// Puts every shared value back to its value at load. The live demo never does; tests and
// each recording after the first in a process start from there.
void resetSceneState();
