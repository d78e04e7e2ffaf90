// runStartup: everything a new rendering context needs before the first frame, in one fixed
// order; runShutdown: all of it released again in the opposite order, before the context goes.
#include "shell/startup.h"

#include "assets/texture_archive.h"
#include "assets/texture_bank.h"
#include "audio/soundtrack.h"
#include "platform/gl.h"
#include "platform/platform.h"
#include "render/cube_lists.h"
#include "render/font.h"
#include "render/particles.h"
#include "scenes/director.h"
#include "scenes/scene_state.h"
#include "scenes/scenes.h"

namespace {
int madeObjects;  // start-up has made GL objects that shutdown has not released yet

const GLfloat lightAmbient[4] = {0.5f, 0.5f, 0.5f, 1.0f};
const GLfloat lightDiffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
const GLfloat lightPosition[4] = {0.0f, 0.0f, 2.0f, 1.0f};

void setInitialGlState() {
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
    glClearDepth(1.0);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_DEPTH_TEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDisable(GL_BLEND);
    glLightfv(GL_LIGHT1, GL_AMBIENT, lightAmbient);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, lightDiffuse);
    glLightfv(GL_LIGHT1, GL_POSITION, lightPosition);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_LIGHT1);
}

// The quadric is a plain heap object, not part of the context, so it is released by hand.
void releaseQuadric() {
    if (quadric) gluDeleteQuadric(quadric);
    quadric = nullptr;
}

void createQuadric() {
    releaseQuadric();  // a start-up without the matching shutdown would orphan the previous one
    quadric = gluNewQuadric();
    gluQuadricNormals(quadric, GLU_SMOOTH);
    gluQuadricTexture(quadric, GL_TRUE);
}
}  // namespace

int runStartup() {
    madeObjects = 1;
    loadBmpTextures();
    createGlyphLists();
    buildCubeLists();
    setInitialGlState();
    createQuadric();
    demoClock.demoStart = platformCalendarSeconds();
    forgetFinishedScenes();
    initParticles(sceneState.rocketX, sceneState.rocketY);
    initSineCubes();
    initAtomSprites();
    TextureArchive archive{};
    openTextureArchive(&archive, textureArchiveName);
    loadArchiveTextures(&archive);
    closeTextureArchive(&archive);
    startMusic();
    // The chrome look must not depend on having a sound device, so the mode is always set.
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    return 1;
}

void runShutdown() {
    stopMusic();
    if (!madeObjects) return;  // a window that failed before start-up, or a second shutdown
    releaseQuadric();
    deleteCubeLists();
    deleteGlyphLists();
    releaseTextures();
    madeObjects = 0;
}
