// Vader scene. (Stub until the scene lands.)
#include <GL/gl.h>

#include "platform/platform.h"
#include "scenes/scene_state.h"
#include "scenes/scenes.h"

void drawWingPanel() {}
void drawStrutBox() {}
int vaderScene(int speed) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    frameStep = static_cast<float>(speed) * frameStep;
    demoClock.demoNow = platformCalendarSeconds();
    return demoElapsed() <= 92;
}
