// Caption text from a 64-glyph bitmap font, one display list per glyph,
// drawn in two passes (mask, then font) over a fixed 640 x 480 overlay.
#pragma once

#include "platform/gl.h"

extern GLuint glyphBase;

void createGlyphLists();
void deleteGlyphLists();
void drawTextPass(int x, int y, const char* text, GLuint texture, GLenum sourceFactor, GLenum destinationFactor);
void drawCaption(int x, int y, const char* text);
