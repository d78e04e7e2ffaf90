// Bitmap font captions. (Stub until the font lands.)
#include "render/font.h"

GLuint glyphBase;
void createGlyphLists() {}
void deleteGlyphLists() {}
void drawTextPass(int, int, const char*, GLuint, GLenum, GLenum) {}
void drawCaption(int, int, const char*) {}
