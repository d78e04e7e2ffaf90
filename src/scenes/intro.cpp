// Intro scene: the climbing rocket over the sliding backdrop, the particle fountain,
// the caption timetable, and the fade that ends it from second 47.
#include "assets/demo_timeline.h"
#include "assets/texture_bank.h"
#include "platform/gl.h"
#include "platform/platform.h"
#include "render/cube_lists.h"
#include "render/facing_quad.h"
#include "render/font.h"
#include "render/particles.h"
#include "scenes/scene_state.h"
#include "scenes/scenes.h"

namespace {
struct CaptionLine {
    const char* text;
    int x, y;
};

// One row per four-second window; the window is open strictly between `after` and `before`.
struct CaptionRow {
    int after, before;
    CaptionLine lines[2];
};

constexpr int firstRowOpenBelow = 4;  // the first row also covers every negative second

const CaptionRow captionRows[] = {
    {4, 8, {{"SPACE WAS", 350, 400}, {"   THE", 350, 360}}},
    {8, 12, {{" SPINAL", 355, 400}, {"FRONTIER", 355, 360}}},
    {12, 16, {{"THEY WERE", 355, 400}, {nullptr, 0, 0}}},
    {16, 20, {{"WRONG", 355, 400}, {nullptr, 0, 0}}},
    {20, 24, {{"PEOPLE SAID", 320, 400}, {nullptr, 0, 0}}},
    {24, 28, {{" WE WERE ", 355, 400}, {"HARMLESS", 355, 360}}},
    {28, 32, {{"THEY WERE", 355, 400}, {nullptr, 0, 0}}},
    {32, 36, {{"RIGHT", 355, 400}, {nullptr, 0, 0}}},
    {36, 40, {{"NOW WE ARE", 355, 400}, {nullptr, 0, 0}}},
    {40, 44, {{"BRINGING IT ON", 260, 400}, {nullptr, 0, 0}}},
    {44, 48, {{"DALMERA", 355, 400}, {nullptr, 0, 0}}},
};

void drawRocket(GLenum sourceFactor, GLenum destinationFactor, TextureSlot slot) {
    glLoadIdentity();
    glEnable(GL_BLEND);
    glBlendFunc(sourceFactor, destinationFactor);
    bindSlot(slot);
    glTranslatef(sceneState.rocketX, sceneState.rocketY, sceneState.rocketZ);
    drawFacingQuad(rocketQuad);
}
}  // namespace

void drawIntroCaptions() {
    const int32_t elapsed = demoElapsed();
    if (elapsed < firstRowOpenBelow) drawCaption(350, 400, "PEOPLE SAID");
    for (const CaptionRow& row : captionRows) {
        if (!(row.after < elapsed && elapsed < row.before)) continue;
        for (const CaptionLine& line : row.lines)
            if (line.text) drawCaption(line.x, line.y, line.text);
    }
}

int introScene(int speed) {
    // Draw.
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();

    // No state of its own for the backdrop: during the fade it inherits the previous
    // frame's fade state and comes out darkened by fadeAlpha.
    bindSlot(moonBaseSlot);
    glTranslatef(sceneState.backdropX, sceneState.backdropY, sceneState.backdropZ);
    drawFacingQuad(slidingBackdropQuad);

    drawRocket(GL_DST_COLOR, GL_ZERO, rocketMaskSlot);  // the mask cuts the rocket's shape out
    drawRocket(GL_SRC_ALPHA, GL_ONE, rocketSlot);       // the rocket is added into the cut-out

    // Advance.
    frameStep *= static_cast<float>(speed);
    sceneState.rocketY += 0.01f * frameStep;
    sceneState.backdropY -= 0.3f * frameStep;

    // The fountain draws and steps itself from the rocket's new height. The rocket is still
    // bound: every particle shows the rocket picture.
    drawParticles(sceneState.rocketX, sceneState.rocketY);

    // End test, on the second the previous call took, so each mark lands one frame late.
    int running = 1;
    if (demoElapsed() < introFadeSecond) {
        glColor3f(1.0f, 1.0f, 1.0f);
    } else {
        running = fadeOut(&sceneState.fadeAlpha) != 0;
    }
    drawIntroCaptions();
    demoClock.demoNow = platformCalendarSeconds();
    return running;
}
