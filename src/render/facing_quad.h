// Textured quads that face the viewer (normal 0, 0, 1), and the backdrop and rocket
// outlines that the scenes share; the media generator paints their pictures to fit them.
#pragma once

struct QuadCorner {
    float s, t;     // texture coordinate
    float x, y, z;  // position
};

// One GL_QUADS quad: the normal, then glTexCoord2f / glVertex3f per corner in order.
void drawFacingQuad(const QuadCorner (&corners)[4]);

// Corners run lower-left, lower-right, upper-right, upper-left with t = 1 at the bottom.
// 110 wide, taller than the view: it slides down.
inline constexpr QuadCorner slidingBackdropQuad[4] = {
    {0, 1, -55, -38.5f, 10}, {1, 1, 55, -38.5f, 10}, {1, 0, 55, 170, 10}, {0, 0, -55, 170, 10}};
// 4 x 8 around the rocket's position.
inline constexpr QuadCorner rocketQuad[4] = {{0, 1, -2, -4, 1}, {1, 1, 2, -4, 1}, {1, 0, 2, 4, 1}, {0, 0, -2, 4, 1}};
// 92 x 70 (4:3 but for a thin border) at z 20: fills the view from 90 units back.
inline constexpr QuadCorner screenBackdropQuad[4] = {
    {0, 1, -46, -35, 20}, {1, 1, 46, -35, 20}, {1, 0, 46, 35, 20}, {0, 0, -46, 35, 20}};

// Width over height of an outline: the proportions its picture is painted in.
constexpr float quadAspect(const QuadCorner (&corners)[4]) {
    return (corners[1].x - corners[0].x) / (corners[2].y - corners[1].y);
}
