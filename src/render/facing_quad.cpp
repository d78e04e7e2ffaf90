// Viewer-facing textured quads and the two outlines shared by the intro and the journey.
// Corners run lower-left, lower-right, upper-right, upper-left with t = 1 at the bottom.
#include "render/facing_quad.h"

#include <GL/gl.h>

const QuadCorner slidingBackdropQuad[4] = {
    {0, 1, -55, -38.5f, 10}, {1, 1, 55, -38.5f, 10}, {1, 0, 55, 170, 10}, {0, 0, -55, 170, 10}};

const QuadCorner rocketQuad[4] = {{0, 1, -2, -4, 1}, {1, 1, 2, -4, 1}, {1, 0, 2, 4, 1}, {0, 0, -2, 4, 1}};

void drawFacingQuad(const QuadCorner (&corners)[4]) {
    glBegin(GL_QUADS);
    glNormal3f(0.0f, 0.0f, 1.0f);
    for (const QuadCorner& c : corners) {
        glTexCoord2f(c.s, c.t);
        glVertex3f(c.x, c.y, c.z);
    }
    glEnd();
}
