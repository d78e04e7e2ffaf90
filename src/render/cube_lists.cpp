// The big and small cube display lists built from one face table, and the per-call
// fade step whose state the next drawing (often the next frame's) inherits.
#include "render/cube_lists.h"

#include "assets/texture_bank.h"

GLuint bigCubeList;
GLuint smallCubeList;

// Unit cube, half-size 1: per face its normal and four (s, t, x, y, z) corners.
const CubeFace cubeFaces[6] = {
    {{0, 0, 1}, {{0, 0, -1, -1, 1}, {1, 0, 1, -1, 1}, {1, 1, 1, 1, 1}, {0, 1, -1, 1, 1}}},
    {{0, 0, -1}, {{1, 0, -1, -1, -1}, {1, 1, -1, 1, -1}, {0, 1, 1, 1, -1}, {0, 0, 1, -1, -1}}},
    {{0, 1, 0}, {{0, 1, -1, 1, -1}, {0, 0, -1, 1, 1}, {1, 0, 1, 1, 1}, {1, 1, 1, 1, -1}}},
    {{0, -1, 0}, {{1, 1, -1, -1, -1}, {0, 1, 1, -1, -1}, {0, 0, 1, -1, 1}, {1, 0, -1, -1, 1}}},
    {{1, 0, 0}, {{1, 0, 1, -1, -1}, {1, 1, 1, 1, -1}, {0, 1, 1, 1, 1}, {0, 0, 1, -1, 1}}},
    {{-1, 0, 0}, {{0, 0, -1, -1, -1}, {1, 0, -1, -1, 1}, {1, 1, -1, 1, 1}, {0, 1, -1, 1, -1}}},
};

namespace {
// The big cube's faces carry their own texture binds: the rocket on the sides, its mask
// on top and bottom.
constexpr TextureSlot bigCubeSlots[6] = {rocketSlot,     rocketSlot, rocketMaskSlot,
                                         rocketMaskSlot, rocketSlot, rocketSlot};

// The scale applies to the normals too, so the small cube's normals have length 0.2.
void drawFace(const CubeFace& face, float k) {
    glBegin(GL_QUADS);
    glNormal3f(face.normal[0] * k, face.normal[1] * k, face.normal[2] * k);
    for (const auto& c : face.corners) {
        glTexCoord2f(c[0], c[1]);
        glVertex3f(c[2] * k, c[3] * k, c[4] * k);
    }
    glEnd();
}
}  // namespace

void buildCubeLists() {
    bigCubeList = glGenLists(2);
    glNewList(bigCubeList, GL_COMPILE);
    for (int f = 0; f < 6; ++f) {
        bindSlot(bigCubeSlots[f]);
        drawFace(cubeFaces[f], 1.0f);
    }
    glEndList();
    smallCubeList = bigCubeList + 1;
    glNewList(smallCubeList, GL_COMPILE);
    for (const CubeFace& face : cubeFaces) drawFace(face, 0.2f);
    glEndList();
}

void deleteCubeLists() {
    if (bigCubeList) glDeleteLists(bigCubeList, 2);
    bigCubeList = smallCubeList = 0;
}

int fadeOut(float* fadeAlpha) {
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ZERO);
    glColor4f(1.0f, 1.0f, 1.0f, *fadeAlpha);
    *fadeAlpha -= 0.005f;
    return *fadeAlpha >= 0.0f;
}
