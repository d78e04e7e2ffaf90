// FreeType rendering of single glyphs and strings into coverage layers.
// The face is opened once per generation run and closed at its end.
#include "text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <cmath>

namespace {

struct {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    float capPerEm = 0.73f;
} state;

// Pixels per em for capitals `capHeight` view units tall on this layer, per axis.
void ppemFor(const Layer& l, float capHeight, float& ppemX, float& ppemY) {
    ppemY = capHeight * l.height / state.capPerEm;
    ppemX = ppemY * (l.width / l.aspect) / l.height;
}

}  // namespace

int openTextFace(const std::string& fontPath) {
    if (state.face) return 1;
    if (FT_Init_FreeType(&state.library)) return 0;
    if (FT_New_Face(state.library, fontPath.c_str(), 0, &state.face)) {
        FT_Done_FreeType(state.library);
        state.library = nullptr;
        return 0;
    }
    // Measure the capital height from 'H' at a large size instead of trusting table fields.
    FT_Set_Pixel_Sizes(state.face, 0, 1000);
    if (!FT_Load_Char(state.face, 'H', FT_LOAD_DEFAULT))
        state.capPerEm = static_cast<float>(state.face->glyph->metrics.height) / 64.0f / 1000.0f;
    return 1;
}

void closeTextFace() {
    if (state.face) FT_Done_Face(state.face);
    if (state.library) FT_Done_FreeType(state.library);
    state.face = nullptr;
    state.library = nullptr;
}

float capHeightPerEm() { return state.capPerEm; }

GlyphBitmap renderGlyph(unsigned code, float ppemX, float ppemY) {
    GlyphBitmap g;
    if (!state.face) return g;
    FT_Set_Char_Size(state.face, FT_F26Dot6(std::lround(ppemX * 64)), FT_F26Dot6(std::lround(ppemY * 64)), 72, 72);
    if (FT_Load_Char(state.face, code, FT_LOAD_RENDER | FT_LOAD_NO_HINTING)) return g;
    const FT_GlyphSlot slot = state.face->glyph;
    const FT_Bitmap& b = slot->bitmap;
    g.width = static_cast<int>(b.width);
    g.rows = static_cast<int>(b.rows);
    g.left = slot->bitmap_left;
    g.top = slot->bitmap_top;
    g.advance = static_cast<float>(slot->advance.x) / 64.0f;
    g.coverage.resize(size_t(g.width) * g.rows);
    for (int r = 0; r < g.rows; ++r)
        for (int c = 0; c < g.width; ++c) g.coverage[size_t(r) * g.width + c] = b.buffer[r * b.pitch + c];
    return g;
}

float measureText(const Layer& l, const std::string& text, float capHeight, float tracking) {
    float ppemX, ppemY;
    ppemFor(l, capHeight, ppemX, ppemY);
    float pen = 0;
    for (unsigned char ch : text) pen += renderGlyph(ch, ppemX, ppemY).advance;
    const float units = pen * l.aspect / l.width;
    return text.empty() ? 0 : units + tracking * static_cast<float>(text.size() - 1);
}

float drawText(Layer& l, const std::string& text, float x, float baseline, float capHeight, float tracking) {
    float ppemX, ppemY;
    ppemFor(l, capHeight, ppemX, ppemY);
    const float unitsPerPixelX = l.aspect / l.width;
    float pen = x / unitsPerPixelX;  // in pixels
    const int base = static_cast<int>(std::lround(baseline * l.height));
    for (unsigned char ch : text) {
        const GlyphBitmap g = renderGlyph(ch, ppemX, ppemY);
        const int ox = static_cast<int>(std::lround(pen)) + g.left, oy = base - g.top;
        for (int r = 0; r < g.rows; ++r)
            for (int c = 0; c < g.width; ++c) {
                const int i = ox + c, j = oy + r;
                if (i < 0 || j < 0 || i >= l.width || j >= l.height) continue;
                const float v = g.coverage[size_t(r) * g.width + c] / 255.0f;
                if (v > l.at(i, j)) l.at(i, j) = v;
            }
        pen += g.advance + tracking / unitsPerPixelX;
    }
    return pen * unitsPerPixelX - x;
}

void drawTextCentred(Layer& l, const std::string& text, float cx, float baseline, float capHeight, float tracking) {
    drawText(l, text, cx - measureText(l, text, capHeight, tracking) / 2, baseline, capHeight, tracking);
}
