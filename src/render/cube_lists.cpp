// Cube lists and fade. (Stub until they land.)
#include "render/cube_lists.h"

GLuint bigCubeList;
GLuint smallCubeList;
const CubeFace cubeFaces[6] = {};
void buildCubeLists() {}
int fadeOut() { return 0; }
