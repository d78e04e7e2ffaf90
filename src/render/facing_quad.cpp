// Viewer-facing textured quads and the outlines that several scenes share.
// Corners run lower-left, lower-right, upper-right, upper-left with t = 1 at the bottom.
#include "render/facing_quad.h"

#include <GL/gl.h>

const QuadCorner slidingBackdropQuad[4] = {
    {0, 1, -55, -38.5f, 10}, {1, 1, 55, -38.5f, 10}, {1, 0, 55, 170, 10}, {0, 0, -55, 170, 10}};

const QuadCorner rocketQuad[4] = {{0, 1, -2, -4, 1}, {1, 1, 2, -4, 1}, {1, 0, 2, 4, 1}, {0, 0, -2, 4, 1}};

const QuadCorner screenBackdropQuad[4] = {
    {0, 1, -46, -35, 20}, {1, 1, 46, -35, 20}, {1, 0, 46, 35, 20}, {0, 0, -46, 35, 20}};

void drawFacingQuad(const QuadCorner (&corners)[4]) {
    glBegin(GL_QUADS);
    glNormal3f(0.0f, 0.0f, 1.0f);
    for (const QuadCorner& c : corners) {
        glTexCoord2f(c.s, c.t);
        glVertex3f(c.x, c.y, c.z);
    }
    glEnd();
}
