// GL tests of the drawing kit and the scenes: known solid textures in every bank slot, a font
// whose glyph cells carry their own index in green so a caption can be read back from the frame.
#pragma once

#include <cmath>
#include <string>
#include <vector>

#include "assets/texture_bank.h"
#include "platform/gl.h"
#include "platform/platform.h"
#include "render/cube_lists.h"
#include "render/font.h"
#include "scenes/scene_state.h"
#include "support/gl_test_context.h"

namespace testkit {

struct Rgb {
    unsigned char r, g, b;
};

// Solid colours of the slots the scenes bind. Red 255 is kept for caption glyphs.
constexpr Rgb introBackdrop = {0, 0, 255};    // slot 1
constexpr Rgb bubble = {0, 0, 120};           // slot 2
constexpr Rgb rocket = {0, 0, 0};             // slot 6, additive: adds nothing
constexpr Rgb rocketMask = {255, 255, 255};   // slot 7, multiplied: keeps everything
constexpr Rgb journeyBackdrop = {0, 128, 0};  // slot 8
constexpr Rgb cube = {0, 255, 255};           // slot 9
constexpr Rgb members = {0, 200, 0};          // slot 22
constexpr Rgb otherSlots = {60, 60, 60};

inline unsigned char glyphGreen(int g) { return static_cast<unsigned char>(4 * g + 2); }

inline void uploadTexture(GLuint name, int width, int height, const std::vector<unsigned char>& rgb) {
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, width, height, 0, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
}

inline void uploadSolid(GLuint name, Rgb c) { uploadTexture(name, 2, 2, {c.r, c.g, c.b, c.r, c.g, c.b, c.r, c.g, c.b, c.r, c.g, c.b}); }

// 64 x 64 texels, 8 x 8 per glyph cell, row 0 of the grid at the top (t = 1).
// cell(g) gives the colour of glyph g's cell.
template <typename CellColour>
inline void uploadGlyphGrid(GLuint name, CellColour cell) {
    std::vector<unsigned char> rgb(64 * 64 * 3);
    for (int ty = 0; ty < 64; ++ty) {
        for (int tx = 0; tx < 64; ++tx) {
            const int g = (7 - ty / 8) * 8 + tx / 8;  // texel rows go bottom-up
            const Rgb c = cell(g);
            unsigned char* p = &rgb[static_cast<size_t>((ty * 64 + tx) * 3)];
            p[0] = c.r;
            p[1] = c.g;
            p[2] = c.b;
        }
    }
    uploadTexture(name, 64, 64, rgb);
}

// The font adds (255, 4g + 2, 0) for glyph g and nothing for the blank; the mask blacks out
// every cell but the blank's, so a caption shows exactly its glyph codes and blanks stay clear.
inline void makeTestTextures() {
    static bool generated = false;
    if (!generated) {
        glGenTextures(textureSlotCount, textureBank.names);
        generated = true;
    }
    for (int slot = 0; slot < textureSlotCount; ++slot) uploadSolid(textureBank.names[slot], otherSlots);
    uploadSolid(textureBank.names[1], introBackdrop);
    uploadSolid(textureBank.names[2], bubble);
    uploadSolid(textureBank.names[6], rocket);
    uploadSolid(textureBank.names[7], rocketMask);
    uploadSolid(textureBank.names[8], journeyBackdrop);
    uploadSolid(textureBank.names[9], cube);
    uploadSolid(textureBank.names[22], members);
    uploadGlyphGrid(textureBank.names[24], [](int g) { return g == 0 ? Rgb{0, 0, 0} : Rgb{255, glyphGreen(g), 0}; });
    uploadGlyphGrid(textureBank.names[25], [](int g) { return g == 0 ? Rgb{255, 255, 255} : Rgb{0, 0, 0}; });
}

// The state start-up leaves for the first frame, as far as these drawings depend on it.
inline void setStartupGlState() {
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 0.5f);
    glClearDepth(1.0);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_DEPTH_TEST);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDisable(GL_BLEND);
    glColor4f(1, 1, 1, 1);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

// Lists, textures, shared state and a virtual clock, all fresh.
inline void prepareScenes() {
    makeTestTextures();  // names first: the big cube list records the names it finds
    static bool listsMade = false;
    if (!listsMade) {
        createGlyphLists();
        buildCubeLists();
        listsMade = true;
    }
    setStartupGlState();
    resetSceneState();
    platformUseVirtualClock(1);
}

// Demo clock at `elapsed` seconds, with the calendar standing still on that second.
inline void setElapsed(int32_t elapsed) {
    demoClock.demoStart = 1000000;
    demoClock.demoNow = 1000000 + elapsed;
    platformSetVirtualClock(0, demoClock.demoNow);
}

inline Rgb pixel(int x, int y) {
    unsigned char c[3];
    readTestPixel(x, y, c);
    return {c[0], c[1], c[2]};
}

inline bool isCaption(Rgb c) { return c.r > 200; }

// The caption of n characters at overlay (x, y), read from the middle of each glyph cell
// where no neighbour overlaps; a blank or an uncovered cell reads as ' '.
inline std::string readCaption(int x, int y, int n) {
    std::string text;
    for (int i = 0; i < n; ++i) {
        const Rgb c = pixel(x + 26 * i + 16, y + 16);
        if (!isCaption(c)) {
            text += ' ';
            continue;
        }
        const int g = static_cast<int>(std::lround(c.g * 63.0 / 255.0));
        text += static_cast<char>(32 + g);
    }
    return text;
}

// Number of caption-coloured pixels in one row of the frame.
inline int captionPixelsInRow(int y) {
    const std::vector<uint8_t> frame = readTestFrame();
    int count = 0;
    for (int x = 0; x < 640; ++x)
        if (frame[static_cast<size_t>((y * 640 + x) * 3)] > 200) ++count;
    return count;
}

// Window pixel of an eye-space point under the current projection and viewport.
inline void project(double x, double y, double z, int* px, int* py) {
    GLdouble model[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    GLdouble proj[16];
    GLint view[4];
    glGetDoublev(GL_PROJECTION_MATRIX, proj);
    glGetIntegerv(GL_VIEWPORT, view);
    GLdouble wx, wy, wz;
    gluProject(x, y, z, model, proj, view, &wx, &wy, &wz);
    *px = static_cast<int>(wx);
    *py = static_cast<int>(wy);
}

inline GLint boundTexture() {
    GLint name = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return name;
}

inline void blendFunc(GLint* source, GLint* destination) {
    glGetIntegerv(GL_BLEND_SRC, source);
    glGetIntegerv(GL_BLEND_DST, destination);
}

inline void currentColour(float c[4]) { glGetFloatv(GL_CURRENT_COLOR, c); }

}  // namespace testkit
