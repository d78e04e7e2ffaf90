// Textured quads that face the viewer (normal 0, 0, 1), and the backdrop and rocket
// outlines that the scenes share.
#pragma once

struct QuadCorner {
    float s, t;     // texture coordinate
    float x, y, z;  // position
};

// One GL_QUADS quad: the normal, then glTexCoord2f / glVertex3f per corner in order.
void drawFacingQuad(const QuadCorner (&corners)[4]);

extern const QuadCorner slidingBackdropQuad[4];  // 110 wide, taller than the view: it slides down
extern const QuadCorner rocketQuad[4];           // 4 x 8 around the rocket's position
extern const QuadCorner screenBackdropQuad[4];   // 92 x 70 at z 20: fills the view from 90 units back
