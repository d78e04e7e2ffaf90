// Intro scene. (Stub: clears and keeps the clock until the scene lands.)
#include <GL/gl.h>

#include "platform/platform.h"
#include "scenes/scene_state.h"
#include "scenes/scenes.h"

int introScene(int speed) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    frameStep *= static_cast<float>(speed);
    const int running = demoElapsed() <= 46;
    demoClock.demoNow = platformCalendarSeconds();
    return running;
}
void drawIntroCaptions() {}
