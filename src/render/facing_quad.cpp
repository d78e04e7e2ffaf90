// Viewer-facing textured quads: one GL_QUADS quad with its normal, corner by corner.
// The outlines that several scenes share are in the header.
#include "render/facing_quad.h"

#include "platform/gl.h"

void drawFacingQuad(const QuadCorner (&corners)[4]) {
    glBegin(GL_QUADS);
    glNormal3f(0.0f, 0.0f, 1.0f);
    for (const QuadCorner& c : corners) {
        glTexCoord2f(c.s, c.t);
        glVertex3f(c.x, c.y, c.z);
    }
    glEnd();
}
