// Pictures made of letters: the font sheet, the speech bubbles, the title words and the
// closing picture with the production's title and credits.
#include <cmath>

#include "blur.h"
#include "pictures.h"
#include "shapes.h"
#include "space_kit.h"
#include "text.h"

namespace {

constexpr int kCell = 32;      // font sheet cell, pixels
constexpr int kInk = 26;       // glyphs stay in the left 26 columns: the text advance
constexpr int kBaseline = 25;  // baseline row inside a cell, from its top
constexpr float kCapPixels = 23.0f;

// Stamps glyph g into its cell, squeezed horizontally if it would not fit the ink width.
void placeGlyph(Layer& sheet, int g) {
    const float ppem = kCapPixels / capHeightPerEm();
    GlyphBitmap b = renderGlyph(static_cast<unsigned>(32 + g), ppem, ppem);
    const int room = kInk - 1;
    if (b.width > room) b = renderGlyph(static_cast<unsigned>(32 + g), ppem * room / (b.width + 1.0f), ppem);
    const int cellX = (g % 8) * kCell, cellY = (g / 8) * kCell;
    const int x = cellX + std::max(0, (kInk - b.width) / 2);
    int y = cellY + kBaseline - b.top;
    y = std::min(y, cellY + kCell - 1 - b.rows);  // descenders of '_' and ',' stay inside
    y = std::max(y, cellY + 1);
    for (int r = 0; r < b.rows; ++r)
        for (int c = 0; c < b.width; ++c) {
            const int i = x + c, j = y + r;
            if (i >= cellX + kInk || j >= cellY + kCell) continue;
            sheet.at(i, j) = b.coverage[size_t(r) * b.width + c] / 255.0f;
        }
}

}  // namespace

Layer fontSheet() {
    Layer sheet(8 * kCell, 8 * kCell, 1.0f);
    for (int g = 1; g < 64; ++g) placeGlyph(sheet, g);  // glyph 0 is the blank
    return sheet;
}

Canvas speechBubble(const char* words, bool tailLeft) {
    Canvas c(256, 256, 1.0f);
    Layer body(c), outline(c), letters(c), shine(c);
    const float cx = 0.5f, cy = 0.43f, rx = 0.44f, ry = 0.32f;
    fillEllipse(body, cx, cy, rx, ry);
    // The tail points down towards whoever speaks.
    const float s = tailLeft ? -1.0f : 1.0f;
    fillPolygon(body, {{cx + s * 0.02f, cy + ry * 0.7f}, {cx + s * 0.2f, cy + ry * 0.6f}, {cx + s * 0.38f, 0.97f}});
    outline = dilated(body, 0.025f);
    // Words fill two thirds of the bubble's width, however many letters they have.
    const float trial = 0.1f;
    const float capHeight = std::min(0.17f, trial * 1.3f * rx / measureText(letters, words, trial, 0.005f));
    drawTextCentred(letters, words, cx, cy + capHeight / 2, capHeight, 0.005f);
    // Paper with a soft shade towards the lower right, and a gloss highlight.
    paintOver(c, outline, hexColour(0x101830));
    paintOverWith(c, body, [&](float x, float y) {
        const float t = clamp01(0.5f + (x - cx) * 0.8f + (y - cy) * 1.2f);
        const float dots = (std::fmod(x * 60.0f, 1.0f) - 0.5f) * (std::fmod(y * 60.0f, 1.0f) - 0.5f);
        return mix(hexColour(0xFFFFFF), hexColour(0xFFE89A), t) * (1.0f - 0.05f * (dots > 0 ? 1.0f : 0.0f) * t);
    });
    fillEllipse(shine, cx - rx * 0.45f, cy - ry * 0.55f, rx * 0.3f, ry * 0.14f, 0.02f);
    // The bubble is added onto the frame, so dark letters let the dark sky show through
    // crisply; a red offset shadow gives them comic depth.
    Layer shadow(c);
    drawTextCentred(shadow, words, cx + 0.014f, cy + capHeight / 2 + 0.014f, capHeight, 0.005f);
    paintOver(c, dilated(shadow, 0.006f), hexColour(0xE8281C));
    paintOver(c, letters, hexColour(0x0A0610));
    paintAdd(c, shine, hexColour(0xFFFFFF) * 0.5f);
    return c;
}

TitleArt titleWord(const char* word, uint32_t seed) {
    TitleArt t{Canvas(512, 128, 4.0f), Layer(512, 128, 4.0f)};
    const float cap = 0.62f;
    drawTextCentred(t.coverage, word, 2.0f, 0.5f + cap / 2, cap, 0.03f);
    // Chrome lettering: a sky-to-ground gradient split at a horizon. Painted over black, so
    // the picture is premultiplied by the coverage its mask is made from.
    const float horizon = 0.5f + 0.04f * (seed % 3);
    paintOverWith(t.colour, t.coverage, [&](float x, float y) {
        if (y < horizon) return mix(hexColour(0x3060C0), hexColour(0xE8F4FF), smoothstep(0.15f, horizon, y));
        return mix(hexColour(0x503010), hexColour(0xFFD070), smoothstep(horizon, 0.85f, y)) *
               (0.8f + 0.2f * std::sin(x * 3));
    });
    return t;
}

Canvas closingPicture() {
    Canvas c(1024, 512, kWideAspect);
    const float w = c.aspect;
    // Background: a night gradient, stars, a planet horizon with sunrise glow below.
    NebulaStyle neb{hexColour(0xFF80D0), hexColour(0x5030B0), hexColour(0x000000), 1.8f, 0.7f, 91};
    shade(c, [&](float x, float y, Rgb) {
        Rgb sky = mix(hexColour(0x04030C), hexColour(0x1A0C30), y);
        return sky + nebulaAt(x, y, neb, 0.5f * smoothstep(0.9f, 0.1f, y));
    });
    Rng rng(5005);
    addStarField(c, rng, 900, 1.0f);
    paintPlanet(c, {w / 2, 2.35f, 1.5f, hexColour(0x180828), hexColour(0x503070), hexColour(0xFF9050), 0.0f, 1.0f,
                    0.15f, 1.0f, 95});
    // Perspective grid on the planet's face, fading into the distance.
    Layer grid(c);
    shade(grid, [&](float x, float y, float) {
        const float top = 0.86f + 1.5f - std::sqrt(std::max(0.0f, 1.5f * 1.5f - (x - w / 2) * (x - w / 2)));
        if (y < top + 0.004f) return 0.0f;
        const float depth = 1.0f / (y - top + 0.02f);
        const float gx = std::fabs(std::fmod((x - w / 2) * depth * 0.6f + 100.5f, 1.0f) - 0.5f);
        const float gz = std::fabs(std::fmod(depth * 0.5f, 1.0f) - 0.5f);
        const float line = std::max(smoothstep(0.04f * depth * 0.1f + 0.02f, 0.0f, gx), smoothstep(0.05f, 0.0f, gz));
        return line * smoothstep(top, top + 0.1f, y) * 0.6f;
    });
    paintAdd(c, grid, hexColour(0xFF60C0));
    // Title: chrome capitals with a glowing outline.
    Layer title(c), credits(c), roles(c), closing(c);
    drawTextCentred(title, "QUORVEX DALMERA", w / 2, 0.23f, 0.07f, 0.006f);
    Layer halo = blurred(dilated(title, 0.006f), 0.012f);
    paintAdd(c, halo, hexColour(0xFF4FC0) * 1.1f);
    Layer edge = dilated(title, 0.004f);
    paintOver(c, edge, hexColour(0x200818));
    paintOverWith(c, title, [&](float, float y) {
        const float t = (y - 0.16f) / 0.07f;
        if (t < 0.55f) return mix(hexColour(0x5AA8FF), hexColour(0xFFFFFF), smoothstep(0.0f, 0.55f, t));
        return mix(hexColour(0x6A2A08), hexColour(0xFFD880), smoothstep(0.55f, 1.0f, t));
    });
    // Credits by role, two columns around the centre line.
    struct Credit {
        const char* role;
        const char* what;
    };
    const Credit lines[] = {{"CODE", "C++ AND OPENGL, BY HAND"},
                            {"MUSIC", "SYNTHESIZED NOTE BY NOTE"},
                            {"GRAPHICS", "PAINTED BY ALGORITHMS"}};
    // The divider sits where it centres the whole block, not the picture.
    float roleMax = 0, whatMax = 0;
    for (const Credit& line : lines) {
        roleMax = std::max(roleMax, measureText(roles, line.role, 0.032f, 0.004f));
        whatMax = std::max(whatMax, measureText(credits, line.what, 0.024f, 0.002f));
    }
    const float divider = w / 2 + (roleMax - whatMax) / 2;
    float y = 0.38f;
    for (const Credit& line : lines) {
        const float roleWidth = measureText(roles, line.role, 0.032f, 0.004f);
        drawText(roles, line.role, divider - 0.03f - roleWidth, y, 0.032f, 0.004f);
        drawText(credits, line.what, divider + 0.03f, y, 0.024f, 0.002f);
        y += 0.085f;
    }
    drawTextCentred(closing, "THANKS FOR WATCHING - SEE YOU IN THE NEXT ONE", w / 2, 0.74f, 0.024f, 0.002f);
    paintAdd(c, blurred(roles, 0.006f), hexColour(0xFF50B0) * 0.8f);
    paintOver(c, roles, hexColour(0xFFD070));
    paintOver(c, credits, hexColour(0xE8ECFF));
    paintAdd(c, blurred(closing, 0.008f), hexColour(0x60A0FF) * 0.7f);
    paintOver(c, closing, hexColour(0xFFFFFF));
    // A thin divider between the columns.
    Layer rule(c);
    fillCapsule(rule, {divider, 0.335f}, {divider, 0.56f}, 0.0015f);
    paintOver(c, rule, hexColour(0xFF80C0));
    return c;
}
