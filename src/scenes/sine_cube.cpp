// Sine-cube scene. (Stub until the scene lands.)
#include <GL/gl.h>

#include "platform/platform.h"
#include "scenes/scene_state.h"
#include "scenes/scenes.h"

Position3 sineCubes[1000];
void initSineCubes() {}
int sineCubeScene(int speed) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    frameStep = static_cast<float>(speed) * frameStep;
    const int running = demoElapsed() <= 67;
    demoClock.demoNow = platformCalendarSeconds();
    return running;
}
