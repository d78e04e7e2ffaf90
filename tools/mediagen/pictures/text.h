// Lettering with FreeType from one TrueType face: glyph bitmaps for the font sheet and
// whole strings stamped into coverage layers for titles, bubbles and credits.
#pragma once

#include <string>
#include <vector>

#include "canvas.h"

// Opens the face; every other call needs it open. Returns 1 on success.
int openTextFace(const std::string& fontPath);
void closeTextFace();

struct GlyphBitmap {
    int width = 0, rows = 0;
    int left = 0, top = 0;  // bitmap offset from the pen: right, and up from the baseline
    float advance = 0;      // in pixels
    std::vector<unsigned char> coverage;
};

// One glyph at `ppemX` by `ppemY` pixels per em (different when texels are not square).
GlyphBitmap renderGlyph(unsigned code, float ppemX, float ppemY);

// Capital height of the face as a fraction of the em.
float capHeightPerEm();

// Width in view units that drawText would give the same string.
float measureText(const Layer& l, const std::string& text, float capHeight, float tracking = 0);
// Draws `text` with its pen starting at x on the baseline y (view units), capitals
// `capHeight` tall; `tracking` adds space between letters. Returns the width drawn.
float drawText(Layer& l, const std::string& text, float x, float baseline, float capHeight, float tracking = 0);
// Centred on x.
void drawTextCentred(Layer& l, const std::string& text, float cx, float baseline, float capHeight, float tracking = 0);
