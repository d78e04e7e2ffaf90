// Caption text: the 64 glyph display lists and the two-pass (mask, then font) drawing
// over a fixed 640 x 480 overlay.
#include "render/font.h"

#include <cstring>

#include "assets/texture_bank.h"
#include "render/frame.h"

GLuint glyphBase;

namespace {
constexpr int glyphCount = 64;
constexpr int firstCode = 32;
constexpr int lastCode = firstCode + glyphCount - 1;
constexpr GLfloat cell = 0.125f;

void compileGlyph(int g) {
    const GLfloat cx = static_cast<GLfloat>(g % 8) / 8.0f;
    const GLfloat cy = static_cast<GLfloat>(g / 8) / 8.0f;
    glNewList(glyphBase + static_cast<GLuint>(g), GL_COMPILE);
    glBegin(GL_QUADS);
    glTexCoord2f(cx, 1.0f - cy - cell);
    glVertex2i(0, 0);
    glTexCoord2f(cx + cell, 1.0f - cy - cell);
    glVertex2i(32, 0);
    glTexCoord2f(cx + cell, 1.0f - cy);
    glVertex2i(32, 32);
    glTexCoord2f(cx, 1.0f - cy);
    glVertex2i(0, 32);
    glEnd();
    glTranslated(26.0, 0.0, 0.0);
    glEndList();
}

// Bytes without a glyph would call whatever list happens to sit next to the font's block
// (the cube lists, among others), so they are drawn as blanks instead. Text goes through a
// small stack buffer in chunks: captions fit in one, and nothing is allocated.
void callGlyphs(const char* text) {
    const size_t length = std::strlen(text);
    char chunk[128];
    size_t done = 0;
    do {
        size_t n = length - done;
        if (n > sizeof chunk) n = sizeof chunk;
        for (size_t i = 0; i < n; ++i) {
            const int code = static_cast<signed char>(text[done + i]);
            chunk[i] = (code >= firstCode && code <= lastCode) ? static_cast<char>(code) : ' ';
        }
        glCallLists(static_cast<GLsizei>(n), GL_BYTE, chunk);
        done += n;
    } while (done < length);
}
}  // namespace

void createGlyphLists() {
    glyphBase = glGenLists(glyphCount);
    for (int g = 0; g < glyphCount; ++g) compileGlyph(g);
}

void deleteGlyphLists() { glDeleteLists(glyphBase, glyphCount); }

void drawTextPass(int x, int y, const char* text, GLuint texture, GLenum sourceFactor, GLenum destinationFactor) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(sourceFactor, destinationFactor);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, demoWidth, 0, demoHeight, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslated(x, y, 0);
    glListBase(glyphBase - firstCode);
    callGlyphs(text);
    glDisable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glEnable(GL_DEPTH_TEST);
}

void drawCaption(int x, int y, const char* text) {
    glColor3f(1.0f, 1.0f, 1.0f);
    drawTextPass(x, y, text, textureBank.names[fontMaskSlot], GL_DST_COLOR, GL_ZERO);
    drawTextPass(x, y, text, textureBank.names[fontSlot], GL_SRC_ALPHA, GL_ONE);
}
