// The two cube display lists (big, with its own texture binds; small, half-size 0.2)
// and the per-call fade step that the intro ends on.
#pragma once

#include "platform/gl.h"

extern GLuint bigCubeList;
extern GLuint smallCubeList;

// One face of the unit cube: its normal and four (s, t, x, y, z) corners.
struct CubeFace {
    float normal[3];
    float corners[4][5];
};
extern const CubeFace cubeFaces[6];

void buildCubeLists();
void deleteCubeLists();
// One step of a fade: sets the state that darkens what is drawn next by `fadeAlpha`, then
// lowers it by 0.005. 1 while the alpha it leaves is still >= 0.
int fadeOut(float* fadeAlpha);
