// Shared pieces of the space pictures: star fields, nebula colour, shaded planets.
// All draw straight onto a canvas as added light or as opaque paint.
#pragma once

#include <cmath>
#include <cstdint>

#include "canvas.h"
#include "noise.h"

// A star as added light: a core of radius `sigma` (view units), a halo for bright ones
// and four diffraction spikes for the very brightest.
void addStar(Canvas& c, float x, float y, float sigma, Rgb colour, float brightness);
// `count` stars with a realistic spread: many faint, few bright; colours from blue-white
// to orange. `weight(x, y)` in [0, 1] thins them out where it is small.
template <class W>
void addStarField(Canvas& c, Rng& rng, int count, float sizeScale, W weight);
void addStarField(Canvas& c, Rng& rng, int count, float sizeScale);

struct NebulaStyle {
    Rgb inner, outer, dust;
    float scale = 3;  // features per view unit
    float density = 1;
    uint32_t seed = 1;
};
// Nebula light at a point: warped fractal clouds, coloured from outer to inner by density,
// crossed by dark dust lanes. `mask` fades it in and out.
Rgb nebulaAt(float x, float y, const NebulaStyle& style, float mask);

struct PlanetStyle {
    float cx, cy, radius;          // view units
    Rgb dark, light, atmosphere;   // surface colours and rim glow
    float lightX, lightY, lightZ;  // direction to the sun (normalised inside)
    float banding;                 // 0: continents and clouds, 1: gas bands
    uint32_t seed;
};
// Paints a shaded planet with its atmosphere glow over what the canvas holds.
void paintPlanet(Canvas& c, const PlanetStyle& p);

template <class W>
void addStarField(Canvas& c, Rng& rng, int count, float sizeScale, W weight) {
    static const uint32_t tints[] = {0xA8C4FF, 0xCFDDFF, 0xFFFFFF, 0xFFFFFF, 0xFFF1D8, 0xFFD9A8, 0xFFB98A};
    for (int k = 0; k < count; ++k) {
        const float x = rng.uniform() * c.aspect, y = rng.uniform();
        const float u = rng.uniform();
        const float magnitude = std::pow(u, 12.0f);  // most stars faint, very few bright
        const Rgb tint = hexColour(tints[rng.below(7)]);
        const float keep = rng.uniform();
        if (keep > weight(x, y)) continue;
        const float sigma = c.texel() * sizeScale * (0.45f + 0.3f * u + 1.4f * magnitude);
        addStar(c, x, y, sigma, tint, 0.12f + 0.45f * u * u + 1.3f * magnitude);
    }
}
