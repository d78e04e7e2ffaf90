// The retro tin toy rocket, nose up, and its solid silhouette for the mask.
// Painted over black, the colour is premultiplied by the silhouette: mask-then-add composites cleanly.
#include <cmath>

#include "blur.h"
#include "pictures.h"
#include "shapes.h"

namespace {

constexpr float kAxis = 0.25f;  // centre line in view units (the picture is 0.5 wide)

// Half-width of the hull at height y: ogive nose, straight barrel, tapered tail.
float hullRadius(float y) {
    const float tip = 0.05f, shoulder = 0.34f, tail = 0.72f, end = 0.80f, r = 0.085f;
    if (y < tip || y > end) return 0;
    if (y < shoulder) {
        const float t = (y - tip) / (shoulder - tip);
        return r * std::sqrt(1 - (1 - t) * (1 - t));  // rounded ogive
    }
    if (y < tail) return r;
    return r - (r - 0.062f) * (y - tail) / (end - tail);
}

// Cylindrical lighting from the upper left with a specular streak, as on pressed tin.
Rgb tinShade(Rgb paint, float nx, float gloss) {
    const float nz = std::sqrt(std::max(0.0f, 1 - nx * nx));
    const float diffuse = clamp01(-0.55f * nx + 0.75f * nz);
    const float specular = std::pow(clamp01(1 - std::fabs(nx + 0.45f) * 3.2f), 6.0f);
    // Ambient light from the backdrop keeps the shadow side from sinking into black.
    const float rimDark = 0.65f + 0.35f * nz;
    return paint * ((0.32f + 0.8f * diffuse) * rimDark) + Rgb{1, 1, 1} * (gloss * specular);
}

}  // namespace

RocketArt tinRocket() {
    RocketArt art{Canvas(256, 512, kRocketAspect), Layer(256, 512, kRocketAspect)};
    Canvas& c = art.colour;
    Layer hull(c), fins(c), centreFin(c), nozzle(c), flame(c);
    fillSdf(hull, kAxis - 0.09f, 0.04f, kAxis + 0.09f, 0.81f, [](float x, float y) {
        const float r = hullRadius(y);
        const float dx = std::fabs(x - kAxis) - r;
        const float dy = std::max(0.05f - y, y - 0.80f);
        return r > 0 ? std::max(dx, dy) : std::max(std::fabs(x - kAxis), dy);
    });
    for (float side : {-1.0f, 1.0f})
        fillPolygon(fins, {{kAxis + side * 0.07f, 0.56f},
                           {kAxis + side * 0.085f, 0.60f},
                           {kAxis + side * 0.21f, 0.80f},
                           {kAxis + side * 0.215f, 0.9f},
                           {kAxis + side * 0.17f, 0.88f},
                           {kAxis + side * 0.07f, 0.79f}});
    fillPolygon(centreFin,
                {{kAxis - 0.012f, 0.66f}, {kAxis + 0.012f, 0.66f}, {kAxis + 0.016f, 0.86f}, {kAxis - 0.016f, 0.86f}});
    fillPolygon(nozzle,
                {{kAxis - 0.045f, 0.795f}, {kAxis + 0.045f, 0.795f}, {kAxis + 0.06f, 0.855f}, {kAxis - 0.06f, 0.855f}});
    // Flame: a teardrop of added light under the nozzle.
    shade(flame, [](float x, float y, float) {
        if (y < 0.85f) return 0.0f;
        const float t = (y - 0.85f) / 0.14f;
        const float width = 0.055f * (1 - t) * (0.8f + t);
        const float d = std::fabs(x - kAxis) / std::max(width, 1e-4f);
        return t < 1 ? std::exp(-d * d * 2.0f) * (1 - t * t) * 1.6f : 0.0f;
    });

    const Rgb red = hexColour(0xD41E1E), cream = hexColour(0xF2E6C4), chrome = hexColour(0xC8D0DC),
              blue = hexColour(0x1E4FD0);
    // Fins first: red with a cream leading edge, flat-lit by side.
    paintOverWith(c, fins, [&](float x, float y) {
        const float side = x < kAxis ? 1.0f : 0.55f;
        const float edge = smoothstep(0.0f, 0.01f, y - (0.56f + (std::fabs(x - kAxis) - 0.07f) * 1.6f) - 0.015f);
        return mix(cream, red, edge) * side * (0.7f + 0.5f * (1 - y));
    });
    paintOverWith(c, nozzle, [&](float x, float) { return tinShade(hexColour(0x505860), (x - kAxis) / 0.06f, 0.6f); });
    paintOverWith(c, hull, [&](float x, float y) {
        const float r = std::max(hullRadius(y), 0.01f);
        const float nx = std::max(-1.0f, std::min(1.0f, (x - kAxis) / r));
        Rgb paint = red;
        float gloss = 0.7f;
        if (y < 0.2f) paint = chrome, gloss = 1.0f;                                               // chrome nose cone
        else if (y > 0.42f && y < 0.47f) paint = cream;                                           // painted ring
        else if (y > 0.47f && y < 0.485f) paint = blue;                                           // pinstripe
        else if (y > 0.70f) paint = chrome, gloss = 1.0f;                                         // tail skirt
        if (std::fabs(y - 0.2f) < 0.003f || std::fabs(y - 0.70f) < 0.003f) paint = paint * 0.5f;  // seams
        return tinShade(paint, nx, gloss);
    });
    paintOverWith(c, centreFin, [&](float x, float y) {
        return tinShade(mix(red, cream, smoothstep(0.84f, 0.86f, y)), (x - kAxis) / 0.016f, 0.4f) * 1.1f;
    });
    // Porthole: a chrome ring, blue glass with a reflection.
    Layer ring(c), glass(c), glint(c), rivets(c), star(c);
    fillDisc(ring, kAxis - 0.01f, 0.29f, 0.045f);
    fillDisc(glass, kAxis - 0.01f, 0.29f, 0.034f);
    fillEllipse(glint, kAxis - 0.022f, 0.277f, 0.012f, 0.007f, 0.004f);
    paintOverWith(c, ring, [&](float x, float y) {
        return mix(hexColour(0xF0F4FA), hexColour(0x60687A), clamp01((x - kAxis + y - 0.27f) * 12 + 0.5f));
    });
    paintOverWith(c, glass, [&](float x, float y) {
        return mix(hexColour(0x70C8FF), hexColour(0x0A2050), clamp01((y - 0.26f) * 14 + (x - kAxis) * 4));
    });
    paintAdd(c, glint, hexColour(0xFFFFFF) * 0.9f);
    // Rivets along the seams, only on the visible front of the barrel.
    for (float y : {0.215f, 0.405f, 0.685f})
        for (int k = -4; k <= 4; ++k) {
            const float a = k * 0.3f;
            fillDisc(rivets, kAxis + std::sin(a) * hullRadius(y) * 0.95f, y, 0.0035f);
        }
    paintOverWith(c, rivets, [&](float x, float) { return tinShade(hexColour(0xE0E0E0), (x - kAxis) / 0.085f, 1.0f); });
    // A five-pointed lithographed star on the barrel.
    std::vector<Vec2> points;
    for (int k = 0; k < 10; ++k) {
        const float a = -1.5708f + k * 0.6283f, r = (k % 2 ? 0.012f : 0.03f);
        points.push_back({kAxis + 0.005f + r * std::cos(a) * 0.95f, 0.575f + r * std::sin(a)});
    }
    fillPolygon(star, points);
    paintOverWith(c, star, [&](float x, float) { return tinShade(hexColour(0xFFD21E), (x - kAxis) / 0.085f, 0.6f); });

    // The silhouette: everything solid; the flame stays out of it so it is added as light.
    art.solid = hull;
    layerMax(art.solid, fins);
    layerMax(art.solid, centreFin);
    layerMax(art.solid, nozzle);
    Layer flameGlow = blurred(flame, 0.01f);
    for (size_t k = 0; k < c.px.size(); ++k) {
        const float open = 1 - art.solid.v[k];
        const float f = flame.v[k] * open, g = flameGlow.v[k] * open;
        c.px[k] = c.px[k] + Rgb{1.0f, 0.95f, 0.7f} * f + Rgb{1.0f, 0.45f, 0.1f} * (g * 0.9f);
    }
    return art;
}
