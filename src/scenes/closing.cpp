// Closing picture scene: the members picture filling the window until the demo's last second,
// when the chain runs out of scenes and the demo ends.
#include "assets/demo_timeline.h"
#include "assets/texture_bank.h"
#include "platform/gl.h"
#include "render/facing_quad.h"
#include "scenes/scene_state.h"
#include "scenes/scenes.h"

int closingScene() {
    glLoadIdentity();
    gluLookAt(0, 0, 15, 0, 0, 0, 0, 0.5, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3f(1.0f, 1.0f, 1.0f);
    bindSlot(membersSlot);
    // The picture ends up 85 units in front of the eye: the full height of a 45-degree view.
    glTranslatef(0.0f, 0.0f, -90.0f);
    drawFacingQuad(screenBackdropQuad);
    // End test, on the second the intro refreshed earlier in this frame.
    return demoElapsed() < demoSeconds;
}
