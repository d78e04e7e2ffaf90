// The space pictures: the moon base backdrop, deep space, the battle sky and the
// small star field. Each is built bottom-up: sky, nebula, stars, bodies, foreground.
#include <cmath>

#include "blur.h"
#include "pictures.h"
#include "shapes.h"
#include "space_kit.h"

namespace {

// Ground height of the moon surface (view y, downwards) at x: a gentle curve with hills.
float groundLine(float x) {
    return 0.835f + 0.012f * std::sin(x * 9.0f + 1.0f) + 0.02f * (fbm(x * 6, 0.5f, 77, 4) - 0.5f);
}

void paintMoonSurface(Canvas& c) {
    Rng rng(404);
    Layer ground(c);
    shade(ground, [](float x, float y, float) { return clamp01((y - groundLine(x)) * 2000.0f + 0.5f); });
    // Regolith: fine noise, darker far away (near the horizon), craters as shaded ellipses.
    Layer craterShade(c);
    for (int k = 0; k < 45; ++k) {
        const float y = 0.85f + rng.uniform() * 0.15f;
        const float x = rng.uniform() * c.aspect;
        const float depth = (y - 0.83f) / 0.17f;  // 0 at horizon, 1 at the bottom edge
        const float rx = (0.004f + 0.03f * rng.uniform() * rng.uniform()) * (0.4f + depth);
        const float ry = rx * (0.18f + 0.25f * depth);  // seen at a grazing angle
        // Light comes from the left: the bowl's left wall is in shadow, its right rim lit.
        Layer bowl(c.width, c.height, c.aspect), rim(c.width, c.height, c.aspect);
        fillSdf(bowl, x - rx, y - ry, x + rx, y + ry, [&](float px, float py) {
            const float d = std::hypot((px - x) / rx, (py - y) / ry) - 1.0f;
            const float lit = std::hypot((px - x - rx * 0.35f) / rx, (py - y) / ry) - 0.95f;
            return std::max(d, -lit) * ry;
        });
        fillSdf(rim, x - rx * 1.1f, y - ry * 1.1f, x + rx * 1.1f, y + ry * 1.1f, [&](float px, float py) {
            const float d = std::fabs(std::hypot((px - x) / rx, (py - y) / ry) - 1.0f) - 0.12f;
            return (px > x ? d : 1.0f) * ry;
        });
        for (size_t n = 0; n < craterShade.v.size(); ++n) craterShade.v[n] += 0.6f * bowl.v[n] - 0.5f * rim.v[n];
    }
    shade(c, [&](float x, float y, Rgb sky) {
        const float g =
            ground.at(std::min(c.width - 1, int(x / c.aspect * c.width)), std::min(c.height - 1, int(y * c.height)));
        if (g <= 0) return sky;
        const float n = fbm(x * 60, y * 200, 91, 5);
        const float coarse = fbm(x * 8, y * 30, 92, 4);
        const float depth = clamp01((y - 0.83f) / 0.17f);
        Rgb base = mix(hexColour(0x2A2830), hexColour(0x8C8A90), 0.3f * n + 0.55f * coarse + 0.15f * depth);
        base = base * (0.45f + 0.45f * depth);
        return mix(sky, base, g);
    });
    Layer craterDark = craterShade;
    for (float& v : craterDark.v) v = std::max(0.0f, std::min(1.0f, v));
    Layer craterLit = craterShade;
    for (float& v : craterLit.v) v = std::max(0.0f, -v);
    shade(c, [&](float x, float y, Rgb under) {
        const int i = std::min(c.width - 1, int(x / c.aspect * c.width)), j = std::min(c.height - 1, int(y * c.height));
        return under * (1 - 0.45f * craterDark.at(i, j)) + hexColour(0xC8C8D0) * (0.25f * craterLit.at(i, j));
    });
}

// Domes, a tower, a launch gantry, a dish and pad lights, lit by floodlights.
void paintBase(Canvas& c) {
    Layer hull(c), metal(c), windows(c), lamps(c);
    const float gy = 0.842f;
    struct Dome {
        float x, rx, ry;
    };
    const Dome domes[] = {{0.16f, 0.055f, 0.03f}, {0.27f, 0.035f, 0.02f}, {0.40f, 0.045f, 0.026f}};
    for (const Dome& d : domes) {
        fillSdf(hull, d.x - d.rx, gy - d.ry, d.x + d.rx, gy, [&](float x, float y) {
            return std::max(std::hypot((x - d.x) / d.rx, (y - gy) / d.ry) - 1.0f, y - gy) * d.ry;
        });
        for (int w = -2; w <= 2; ++w)
            fillRoundRect(windows, d.x + w * d.rx * 0.3f - 0.003f, gy - d.ry * 0.45f, d.x + w * d.rx * 0.3f + 0.003f,
                          gy - d.ry * 0.3f, 0.001f);
    }
    // Connecting tubes between the domes.
    fillRoundRect(hull, 0.19f, gy - 0.008f, 0.43f, gy, 0.002f);
    // The control tower with a lit cabin.
    fillRoundRect(metal, 0.335f, gy - 0.07f, 0.35f, gy, 0.001f);
    fillRoundRect(hull, 0.322f, gy - 0.085f, 0.363f, gy - 0.068f, 0.004f);
    fillRoundRect(windows, 0.326f, gy - 0.081f, 0.359f, gy - 0.074f, 0.001f);
    // The launch gantry: two posts with cross bracing.
    const float g0 = 0.455f, g1 = 0.49f, top = gy - 0.12f;
    fillRoundRect(metal, g0, top, g0 + 0.004f, gy, 0.0f);
    fillRoundRect(metal, g1, top, g1 + 0.004f, gy, 0.0f);
    for (float y = top; y < gy - 0.01f; y += 0.015f) {
        fillCapsule(metal, {g0, y}, {g1 + 0.004f, y + 0.015f}, 0.0007f);
        fillCapsule(metal, {g1 + 0.004f, y}, {g0, y + 0.015f}, 0.0007f);
        fillCapsule(metal, {g0, y}, {g1, y}, 0.0008f);
    }
    // Fuel tanks on a rack at the west end.
    for (int k = 0; k < 3; ++k) fillRoundRect(hull, 0.035f + k * 0.022f, gy - 0.028f, 0.053f + k * 0.022f, gy, 0.008f);
    fillRoundRect(metal, 0.03f, gy - 0.01f, 0.105f, gy - 0.006f, 0.0f);
    // Pad lights along the ground and beacons on top of things.
    for (int k = 0; k < 9; ++k) addGaussian(lamps, 0.2f + k * 0.033f, gy + 0.004f, 0.0015f, 1.0f);
    addGaussian(lamps, 0.342f, gy - 0.088f, 0.0018f, 1.2f);
    addGaussian(lamps, 0.472f, top - 0.004f, 0.0018f, 1.2f);
    // Shading: domes lit from the upper left, metal darker, windows warm.
    paintOverWith(c, hull, [&](float x, float y) {
        const float t = clamp01((gy - y) / 0.03f);
        const float sideLight = 0.5f + 0.5f * std::sin((x * 60.0f));
        return mix(hexColour(0x50586A), hexColour(0xD8DCE6), 0.35f + 0.4f * t * sideLight);
    });
    paintOver(c, metal, hexColour(0x5A6070));
    paintOver(c, windows, hexColour(0xFFD890));
    Layer windowGlow = blurred(windows, 0.004f);
    paintAdd(c, windowGlow, hexColour(0xFFB050) * 0.8f);
    Layer lampGlow = blurred(lamps, 0.005f);
    paintAdd(c, lamps, hexColour(0xFFF0E0));
    paintAdd(c, lampGlow, hexColour(0xFF7040) * 1.6f);
    // Floodlight pools on the ground around the base.
    shade(c, [&](float x, float y, Rgb under) {
        if (y < groundLine(x) - 0.002f) return under;
        const float dx = (x - 0.3f) / 0.25f, dy = (y - 0.86f) / 0.04f;
        const float pool = std::exp(-(dx * dx + dy * dy));
        return under + hexColour(0xFFC890) * (0.25f * pool);
    });
}

}  // namespace

Canvas spaceBase() {
    Canvas c(512, 1024, kTallAspect);
    NebulaStyle neb{hexColour(0xFF6FB0), hexColour(0x4A3AD0), hexColour(0x301010), 2.6f, 1.0f, 5};
    shade(c, [&](float x, float y, Rgb) {
        // Deep blue-black above, a faint blue glow rising off the horizon.
        Rgb sky = mix(hexColour(0x020208), hexColour(0x0A1236), smoothstep(0.3f, 0.84f, y));
        sky = sky + hexColour(0x2A4A90) * (0.35f * std::exp(-(0.84f - y) * 18.0f) * (y < 0.84f ? 1.0f : 0.0f));
        const float mask = smoothstep(0.75f, 0.2f, y) * (0.6f + 0.6f * smoothstep(0.0f, 0.3f, y));
        return sky + nebulaAt(x, y, neb, mask);
    });
    Rng rng(1001);
    addStarField(c, rng, 2600, 1.0f, [](float, float y) { return smoothstep(0.86f, 0.6f, y); });
    // A distant ringless world low in the sky, lit from the left.
    paintPlanet(c, {0.41f, 0.56f, 0.045f, hexColour(0x203060), hexColour(0x70A0E0), hexColour(0x60A0FF), -0.8f, 0.3f,
                    0.5f, 0.0f, 17});
    paintMoonSurface(c);
    paintBase(c);
    return c;
}

Canvas deepSpace() {
    Canvas c(512, 1024, kTallAspect);
    NebulaStyle blue{hexColour(0x70E0FF), hexColour(0x2040A0), hexColour(0x100818), 1.4f, 1.2f, 33};
    NebulaStyle red{hexColour(0xFFB060), hexColour(0xB02050), hexColour(0x180808), 1.8f, 1.0f, 34};
    shade(c, [&](float x, float y, Rgb) {
        Rgb sky = mix(hexColour(0x010104), hexColour(0x060414), 0.5f + 0.5f * std::sin(y * 3.0f));
        const float band = std::exp(-std::pow((y - 0.45f - 0.15f * (x - 0.26f)) / 0.16f, 2.0f));
        const float second =
            std::exp(-std::pow((y - 0.75f) / 0.12f, 2.0f)) + std::exp(-std::pow((y - 0.12f) / 0.1f, 2.0f));
        return sky + nebulaAt(x, y, blue, band) + nebulaAt(x, y, red, 0.8f * second);
    });
    Rng rng(2002);
    addStarField(c, rng, 3400, 1.0f);
    // A ringed giant: the back half of the ring, the planet, then the front half.
    const float px = 0.36f, py = 0.40f, pr = 0.055f;
    Layer ringBack(c), ringFront(c);
    auto ring = [&](float x, float y) {
        const float u = (x - px) / (pr * 2.1f), v = (y - py) / (pr * 0.55f);
        const float r = std::hypot(u, v);
        return std::fabs(r - 0.8f) - 0.18f;
    };
    fillSdf(ringBack, px - pr * 2.2f, py - pr, px + pr * 2.2f, py, ring);
    fillSdf(ringFront, px - pr * 2.2f, py, px + pr * 2.2f, py + pr, ring);
    auto ringColour = [&](float x, float y) {
        const float r = std::hypot((x - px) / (pr * 2.1f), (y - py) / (pr * 0.55f));
        const float bands = 0.6f + 0.4f * std::sin(r * 90.0f);
        return hexColour(0xE8D0A8) * (0.75f * bands);
    };
    paintOverWith(c, ringBack, ringColour);
    paintPlanet(
        c, {px, py, pr, hexColour(0x6A3A20), hexColour(0xE8B070), hexColour(0xFFC080), -0.6f, 0.5f, 0.6f, 1.0f, 21});
    paintOverWith(c, ringFront, ringColour);
    // A small blue moon.
    paintPlanet(c, {0.12f, 0.56f, 0.012f, hexColour(0x203050), hexColour(0x90B0D0), hexColour(0x80B0FF), -0.6f, 0.5f,
                    0.6f, 0.0f, 22});
    return c;
}

Canvas battleSky() {
    Canvas c(1024, 512, kWideAspect);
    NebulaStyle neb{hexColour(0x80FFC0), hexColour(0x3060A0), hexColour(0x000000), 2.0f, 0.8f, 61};
    shade(c, [&](float x, float y, Rgb) {
        const Rgb sky = mix(hexColour(0x020206), hexColour(0x08061A), y);
        const float mask = std::exp(-std::pow((y - 0.3f + 0.25f * (x - 0.6f)) / 0.25f, 2.0f));
        return sky + nebulaAt(x, y, neb, mask * 0.8f);
    });
    Rng rng(3003);
    addStarField(c, rng, 1500, 1.0f);
    // The large planet fills the lower right, its day side towards the upper left.
    paintPlanet(c, {1.08f, 1.22f, 0.68f, hexColour(0x102848), hexColour(0x5890C0), hexColour(0x70B8FF), -0.7f, 0.6f,
                    0.35f, 0.0f, 71});
    paintPlanet(c, {0.28f, 0.72f, 0.05f, hexColour(0x302820), hexColour(0xA09080), hexColour(0x806040), -0.7f, 0.6f,
                    0.35f, 0.0f, 72});
    // The fight: laser bolts in two colours, explosions with sparks, ships as dark wedges.
    Layer red(c), green(c), fire(c), hulls(c);
    for (int k = 0; k < 14; ++k) {
        const float x = rng.range(0.15f, 1.25f), y = rng.range(0.12f, 0.75f);
        const float angle = rng.range(-0.5f, 0.5f) + (k % 2 ? 3.1416f : 0.0f);
        const float len = rng.range(0.03f, 0.06f);
        fillCapsule(k % 2 ? red : green, {x, y}, {x + len * std::cos(angle), y + len * std::sin(angle)}, 0.0018f);
    }
    for (int k = 0; k < 3; ++k) {
        const float x = rng.range(0.35f, 1.2f), y = rng.range(0.2f, 0.6f), s = rng.range(0.012f, 0.025f);
        addGaussian(fire, x, y, s, 1.2f);
        for (int p = 0; p < 12; ++p) {
            const float a = rng.range(0, 6.283f), d = rng.range(1.5f, 3.0f) * s;
            addGaussian(fire, x + d * std::cos(a), y + d * std::sin(a), c.texel() * 1.2f, 0.8f);
        }
    }
    for (int k = 0; k < 6; ++k) {
        const float x = rng.range(0.3f, 1.2f), y = rng.range(0.15f, 0.6f), s = rng.range(0.006f, 0.012f);
        const float dir = k % 2 ? 1.0f : -1.0f;
        fillPolygon(
            hulls,
            {{x - dir * s * 2, y}, {x + dir * s, y - s * 0.6f}, {x + dir * s * 0.6f, y}, {x + dir * s, y + s * 0.6f}});
        addGaussian(fire, x + dir * s * 0.8f, y, s * 0.3f, 0.6f);
    }
    paintOver(c, hulls, hexColour(0x3A4048));
    paintAdd(c, blurred(red, 0.006f), hexColour(0xFF2020) * 2.0f);
    paintAdd(c, red, hexColour(0xFFB0A0));
    paintAdd(c, blurred(green, 0.006f), hexColour(0x20FF40) * 2.0f);
    paintAdd(c, green, hexColour(0xC0FFC0));
    paintAdd(c, fire, hexColour(0xFFA040));
    paintAdd(c, blurred(fire, 0.01f), hexColour(0xFF5010));
    return c;
}

Canvas starfieldSquare() {
    Canvas c(256, 256, 1.0f);
    NebulaStyle neb{hexColour(0x90A0FF), hexColour(0x402080), hexColour(0x000000), 2.5f, 0.7f, 81};
    shade(c, [&](float x, float y, Rgb) { return hexColour(0x020206) + nebulaAt(x, y, neb, 0.6f); });
    Rng rng(4004);
    addStarField(c, rng, 700, 1.0f);
    return c;
}
