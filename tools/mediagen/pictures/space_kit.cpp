// Stars, nebula colour and shaded planets shared by the space pictures.
// Light is added in float and only tone-mapped at the end, so overlapping glows blend softly.
#include "space_kit.h"

#include <algorithm>
#include <cmath>

namespace {

void addLight(Canvas& c, float cx, float cy, float sx, float sy, Rgb colour) {
    const float reach = 3.2f;
    const int i0 = std::max(0, int((cx - reach * sx) / c.aspect * c.width));
    const int i1 = std::min(c.width - 1, int((cx + reach * sx) / c.aspect * c.width) + 1);
    const int j0 = std::max(0, int((cy - reach * sy) * c.height));
    const int j1 = std::min(c.height - 1, int((cy + reach * sy) * c.height) + 1);
    for (int j = j0; j <= j1; ++j)
        for (int i = i0; i <= i1; ++i) {
            const float dx = (c.viewX(i) - cx) / sx, dy = (c.viewY(j) - cy) / sy;
            const float w = std::exp(-0.5f * (dx * dx + dy * dy));
            if (w > 1e-4f) c.at(i, j) = c.at(i, j) + colour * w;
        }
}

}  // namespace

void addStar(Canvas& c, float x, float y, float sigma, Rgb colour, float brightness) {
    addLight(c, x, y, sigma, sigma, colour * brightness);
    if (brightness > 0.8f) addLight(c, x, y, sigma * 4, sigma * 4, colour * (0.08f * brightness));
    if (brightness > 1.35f) {
        const float len = sigma * 10, thin = c.texel() * 0.5f;
        addLight(c, x, y, len, thin, colour * 0.15f);
        addLight(c, x, y, thin, len, colour * 0.15f);
    }
}

void addStarField(Canvas& c, Rng& rng, int count, float sizeScale) {
    addStarField(c, rng, count, sizeScale, [](float, float) { return 1.0f; });
}

Rgb nebulaAt(float x, float y, const NebulaStyle& s, float mask) {
    if (mask <= 0) return {};
    const float px = x * s.scale, py = y * s.scale;
    // Domain warp: clouds curl around each other instead of looking like plain noise.
    const float wx = fbm(px + 3.7f, py + 1.3f, s.seed + 11, 4) - 0.5f;
    const float wy = fbm(px - 2.1f, py + 8.4f, s.seed + 23, 4) - 0.5f;
    const float d = fbm(px + 2.2f * wx, py + 2.2f * wy, s.seed, 6);
    float density = smoothstep(0.38f, 0.82f, d) * s.density * mask;
    const float lanes = ridged(px * 1.7f + wx, py * 1.7f + wy, s.seed + 41, 5);
    const float dust = smoothstep(0.55f, 0.95f, lanes);
    const float hue = fbm(px * 0.6f + 9.0f, py * 0.6f, s.seed + 57, 3);
    Rgb colour = mix(s.outer, s.inner, smoothstep(0.3f, 0.8f, density + 0.35f * (hue - 0.5f)));
    density *= 1.0f - 0.75f * dust;
    return colour * (density * density * 1.3f) + s.dust * (dust * density * 0.5f);
}

void paintPlanet(Canvas& c, const PlanetStyle& p) {
    float lx = p.lightX, ly = p.lightY, lz = p.lightZ;
    const float ln = std::sqrt(lx * lx + ly * ly + lz * lz);
    lx /= ln, ly /= ln, lz /= ln;
    const float glowReach = p.radius * 0.12f;
    shade(c, [&](float x, float y, Rgb under) {
        const float dx = (x - p.cx) / p.radius, dy = (y - p.cy) / p.radius;
        const float r = std::sqrt(dx * dx + dy * dy);
        const float edge = c.texel() / p.radius;
        // Atmosphere outside the disc: brightest on the lit limb, fading outwards.
        const float litSide = clamp01(0.25f + (dx * lx - dy * ly) / std::max(r, 1e-6f));
        const float outside = std::max(0.0f, r - 1) * p.radius;
        Rgb result = under + p.atmosphere * (std::exp(-outside / glowReach) * litSide * 0.9f * (r > 1 ? 1.0f : 0.0f));
        if (r >= 1 + edge) return result;
        const float nz = std::sqrt(std::max(0.0f, 1 - r * r));
        // y of the picture runs down, so the normal's up component is -dy.
        const float lambert = dx * lx - dy * ly + nz * lz;
        const float lit = smoothstep(-0.15f, 0.6f, lambert);
        // Surface pattern in sphere coordinates so it wraps around the limb.
        const float lat = std::asin(std::max(-1.0f, std::min(1.0f, dy)));
        const float lon = std::atan2(dx, nz);
        float pattern;
        if (p.banding > 0.5f) {
            const float warp = fbm(lon * 2.0f, lat * 6.0f, p.seed + 3, 4);
            pattern = fbm(lat * 9.0f + 2.5f * warp, lon * 0.5f, p.seed, 5);
        } else {
            // Small, distant worlds get broader features so they do not turn to speckle.
            const float f = p.radius < 0.1f ? 0.55f : 1.0f;
            pattern =
                smoothstep(0.48f, 0.56f, fbm(lon * 4.0f * f + 5, lat * 5.0f * f, p.seed, p.radius < 0.1f ? 4 : 7));
            const float swirl = fbm(lon * 3.0f, lat * 3.0f, p.seed + 4, 3);
            const float clouds =
                smoothstep(0.55f, 0.8f, fbm((lon * 7.0f + 2 * swirl) * f, lat * 14.0f * f, p.seed + 9, 5));
            pattern = std::max(pattern * 0.8f, clouds);
        }
        Rgb surface = mix(p.dark, p.light, pattern) * (0.04f + lit);
        // Fresnel-like rim: the atmosphere thickens towards the limb on the lit side.
        const float rim = std::pow(1 - nz, 3.0f) * clamp01(lambert + 0.3f);
        surface = surface + p.atmosphere * (rim * 1.2f);
        const float cover = clamp01((1 + edge - r) / (2 * edge));
        return mix(result, surface, cover);
    });
}
