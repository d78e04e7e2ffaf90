// Textures for surfaces and reflections: the spark, the soft dot, the chrome sphere map,
// the hexagonal panels, the blob patterns, the blue abstract and the electric backdrop.
#include <cmath>

#include "blur.h"
#include "pictures.h"
#include "shapes.h"
#include "space_kit.h"

namespace {

const uint32_t kBlobPalette[] = {0xFF2E88, 0xFF8C1A, 0xFFE23A, 0x1AD6FF, 0x7CFF3A, 0xB04CFF};

// Environment seen in direction (x, y, z), y up: sky, sun, horizon, ground.
Rgb environment(float x, float y, float z) {
    const float h = std::sqrt(x * x + z * z);
    const float elevation = std::atan2(y, h);
    if (elevation >= 0) {
        Rgb sky = mix(hexColour(0xE6F2FF), hexColour(0x1848A8), std::pow(elevation / 1.5708f, 0.6f));
        const float clouds = smoothstep(0.5f, 0.8f, fbm(x / (y + 0.3f) * 2, z / (y + 0.3f) * 2, 7, 5));
        sky = mix(sky, hexColour(0xFFFFFF), clouds * 0.5f * smoothstep(0.0f, 0.3f, elevation));
        const float sunDot = (x * -0.45f + y * 0.62f + z * 0.64f);
        sky = sky + hexColour(0xFFF4D0) *
                        (std::pow(clamp01(sunDot), 400.0f) * 4.0f + std::pow(clamp01(sunDot), 12.0f) * 0.5f);
        return sky;
    }
    // A dark band right under the horizon gives chrome its crisp edge, then warm ground.
    const float d = -elevation / 1.5708f;
    Rgb ground = mix(hexColour(0x2A241E), hexColour(0x6A5848), smoothstep(0.05f, 0.6f, d));
    ground = ground * (0.8f + 0.4f * fbm(x / (y - 0.05f) * 3, z / (y - 0.05f) * 3, 8, 4));
    return mix(hexColour(0x0A0808), ground, smoothstep(0.0f, 0.08f, d));
}

// Blobs: each a union of a few discs, softened into one smooth shape by a metaball field.
struct Blob {
    float x[3], y[3], r[3];
    Rgb colour;
};

float blobField(const Blob& b, float x, float y) {
    float f = 0;
    for (int k = 0; k < 3; ++k) {
        const float dx = x - b.x[k], dy = y - b.y[k];
        f += b.r[k] * b.r[k] / (dx * dx + dy * dy + 1e-6f);
    }
    return f;
}

// Blobs on a jittered grid of columns x rows, so they spread evenly over the picture.
std::vector<Blob> makeBlobs(Rng& rng, int columns, int rows, float aspect, float size) {
    std::vector<Blob> blobs;
    for (int n = 0; n < columns * rows; ++n) {
        Blob b;
        const float cx = ((n % columns) + rng.range(0.25f, 0.75f)) * aspect / columns;
        const float cy = ((n / columns) + rng.range(0.25f, 0.75f)) / rows;
        for (int k = 0; k < 3; ++k) {
            b.x[k] = cx + rng.range(-1, 1) * size;
            b.y[k] = cy + rng.range(-1, 1) * size;
            b.r[k] = size * rng.range(0.35f, 0.6f);
        }
        b.colour = hexColour(kBlobPalette[(n * 5 + n / columns) % 6]);
        blobs.push_back(b);
    }
    return blobs;
}

// Paints blobs with a dark outline, a shaded body and a gloss spot; `calm` softens all.
void paintBlobs(Canvas& c, const std::vector<Blob>& blobs, float outline, float calm) {
    for (const Blob& b : blobs) {
        Layer body(c), rim(c), gloss(c);
        float x0 = 1e9f, y0 = 1e9f, x1 = -1e9f, y1 = -1e9f;
        for (int k = 0; k < 3; ++k) {
            x0 = std::min(x0, b.x[k] - 2.5f * b.r[k]), x1 = std::max(x1, b.x[k] + 2.5f * b.r[k]);
            y0 = std::min(y0, b.y[k] - 2.5f * b.r[k]), y1 = std::max(y1, b.y[k] + 2.5f * b.r[k]);
        }
        // The field's iso-line at 1, with distance estimated from the field's falloff.
        const float scale = b.r[0];
        auto sdf = [&](float x, float y) { return (1.0f / std::sqrt(blobField(b, x, y)) - 1.0f) * scale; };
        fillSdf(body, x0, y0, x1, y1, sdf, calm * 0.012f);
        fillSdf(
            rim, x0, y0, x1, y1, [&](float x, float y) { return sdf(x, y) - outline; }, calm * 0.012f);
        paintOver(c, rim, mix(hexColour(0x14051F), b.colour * 0.3f, calm));
        paintOverWith(c, body, [&](float x, float y) {
            const float f = blobField(b, x, y);
            const float inner = clamp01((f - 1.0f) / 2.0f);
            const float tilt = clamp01(0.5f - (x - b.x[0]) / (4 * scale) - (y - b.y[0]) / (4 * scale));
            Rgb col = b.colour * (0.65f + 0.35f * inner + 0.25f * tilt);
            return mix(col, col * 0.45f + hexColour(0x2A0A4A) * 0.4f, calm);
        });
        addGaussian(gloss, b.x[0] - b.r[0] * 0.5f, b.y[0] - b.r[0] * 0.5f, b.r[0] * 0.22f, 0.8f * (1 - calm));
        layerMin(gloss, body);
        paintAdd(c, gloss, hexColour(0xFFFFFF));
    }
}

// Midpoint displacement: a jagged bolt from a to b.
void lightningPath(std::vector<Vec2>& out, Vec2 a, Vec2 b, float roughness, int depth, Rng& rng) {
    if (depth == 0) {
        out.push_back(b);
        return;
    }
    const float dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
    const float offset = rng.range(-1, 1) * roughness * len;
    const Vec2 mid{(a.x + b.x) / 2 - dy / len * offset, (a.y + b.y) / 2 + dx / len * offset};
    lightningPath(out, a, mid, roughness, depth - 1, rng);
    lightningPath(out, mid, b, roughness, depth - 1, rng);
}

}  // namespace

Canvas spark() {
    Canvas c(128, 128, 1.0f);
    shade(c, [](float x, float y, Rgb) {
        const float dx = x - 0.5f, dy = y - 0.5f, r = std::hypot(dx, dy);
        const float core = std::exp(-r * r / (2 * 0.035f * 0.035f));
        const float halo = std::exp(-r * r / (2 * 0.14f * 0.14f));
        const float rays = std::exp(-std::fabs(dx) / 0.008f) * std::exp(-std::fabs(dy) / 0.2f) +
                           std::exp(-std::fabs(dy) / 0.008f) * std::exp(-std::fabs(dx) / 0.2f);
        const float fade = smoothstep(0.5f, 0.4f, r);  // black at the border so edges never show
        return (hexColour(0xFFFFFF) * (core * 1.4f) + hexColour(0xFFC060) * (halo * 0.7f) +
                hexColour(0xFFE0A0) * (rays * 0.6f)) *
               fade;
    });
    return c;
}

Canvas softDot() {
    Canvas c(64, 64, 1.0f);
    shade(c, [](float x, float y, Rgb) {
        const float r = std::hypot(x - 0.5f, y - 0.5f) / 0.48f;
        const float v = r < 1 ? (1 - r * r) * (1 - r * r) : 0.0f;
        return Rgb{v, v, v};
    });
    return c;
}

Canvas chromeMap() {
    Canvas c(256, 256, 1.0f);
    // Row j is the texture's t; sphere mapping looks up t = 1 for reflections straight up,
    // so the sky lies in the last rows and the ground in the first.
    shade(c, [](float s, float t, Rgb) {
        float x = 2 * s - 1, y = 2 * t - 1;
        const float r2 = x * x + y * y;
        if (r2 > 0.998f) {
            const float k = std::sqrt(0.998f / r2);
            x *= k, y *= k;
        }
        const float nz = std::sqrt(std::max(0.0f, 1 - x * x - y * y));
        return environment(2 * nz * x, 2 * nz * y, 2 * nz * nz - 1);
    });
    return c;
}

Canvas hexPanels() {
    Canvas c(512, 512, 1.0f);
    const float cells = 30.0f, rx = 1.0f, ry = 1.7320508f;
    shade(c, [&](float x, float y, Rgb) {
        const float px = x * cells, py = y * cells * 1.0f;
        auto wrap = [](float v, float m) { return v - m * std::floor(v / m); };
        const float ax = wrap(px, rx) - rx / 2, ay = wrap(py, ry) - ry / 2;
        const float bx = wrap(px - rx / 2, rx) - rx / 2, by = wrap(py - ry / 2, ry) - ry / 2;
        const bool useA = ax * ax + ay * ay < bx * bx + by * by;
        const float gx = useA ? ax : bx, gy = useA ? ay : by;
        const float cxId = std::floor(px - gx), cyId = std::floor(py - gy);
        // Distance to the hexagon's edge (0 at the border, 0.5 at the centre).
        const float edge = 0.5f - std::max(std::fabs(gx) * 0.5f + std::fabs(gy) * 0.8660254f, std::fabs(gx));
        const float tint = hashUnit(int(cxId * 3), int(cyId * 7), 5);
        // Solar cells: a fine grid of dark blue cells inside each panel.
        const float lines = std::max(smoothstep(0.38f, 0.5f, std::fabs(wrap(gx * 2, 1.0f) - 0.5f)),
                                     smoothstep(0.38f, 0.5f, std::fabs(wrap(gy * 2, 1.0f) - 0.5f)));
        // Reflection gradient: sky-bright towards the last rows, as a sphere map wants.
        const float sky = smoothstep(0.1f, 1.0f, y);
        const float brushed = fbm(x * 4, y * 90, 12, 3);
        Rgb panel = mix(hexColour(0x141C30), hexColour(0x3A5A8A), 0.3f * tint + 0.5f * sky + 0.2f * brushed);
        panel = mix(panel, hexColour(0x8090A8), lines * 0.35f);
        // Bevel: the edge catches light from above, shadows below.
        const float bevel = smoothstep(0.07f, 0.2f, edge);
        const float lightSide = clamp01(0.5f - gy * 1.2f);
        const Rgb frame = mix(hexColour(0x30343C), hexColour(0xE0E6F0), lightSide * (0.5f + 0.5f * sky));
        Rgb col = mix(frame, panel, bevel);
        col = col * (0.2f + 0.8f * smoothstep(0.0f, 0.08f, edge));  // dark seam
        const float sheen = std::exp(-std::pow((x - y * 0.6f - 0.2f) / 0.08f, 2.0f)) * 0.35f;
        return col + hexColour(0xC0D8FF) * sheen;
    });
    return c;
}

Canvas blobs() {
    Canvas c(256, 256, 1.0f);
    shade(c, [](float x, float y, Rgb) {
        const float dots = std::hypot(std::fmod(x * 12, 1.0f) - 0.5f, std::fmod(y * 12, 1.0f) - 0.5f);
        return mix(hexColour(0x2A0A4A), hexColour(0x3E1466), smoothstep(0.22f, 0.18f, dots));
    });
    Rng rng(606);
    paintBlobs(c, makeBlobs(rng, 3, 3, 1.0f, 0.1f), 0.012f, 0.0f);
    return c;
}

Canvas calmBlobs() {
    Canvas c(1024, 512, kWideAspect);
    shade(c, [](float x, float y, Rgb) {
        const float stripes = 0.5f + 0.5f * std::sin((x + y) * 60.0f);
        return mix(hexColour(0x12051E), hexColour(0x2A0C44), y * 0.8f + 0.08f * stripes);
    });
    Rng rng(707);
    paintBlobs(c, makeBlobs(rng, 5, 3, kWideAspect, 0.07f), 0.01f, 0.6f);
    Layer glow(c);
    for (int k = 0; k < 40; ++k)
        addGaussian(glow, rng.uniform() * kWideAspect, rng.uniform(), rng.range(0.004f, 0.01f), 0.5f);
    paintAdd(c, glow, hexColour(0xFF8CE0));
    return c;
}

Canvas blueAbstract() {
    Canvas c(256, 256, 1.0f);
    shade(c, [](float x, float y, Rgb) {
        const float wx = fbm(x * 3, y * 3, 41, 4), wy = fbm(x * 3 + 5, y * 3 + 2, 42, 4);
        const float f = fbm(x * 4 + 3 * wx, y * 4 + 3 * wy, 43, 6);
        const float veins = ridged(x * 5 + 2 * wy, y * 5 + 2 * wx, 44, 4);
        Rgb col = mix(hexColour(0x020A30), hexColour(0x2060E0), smoothstep(0.3f, 0.75f, f));
        return col + hexColour(0x80E0FF) * std::pow(veins, 6.0f);
    });
    return c;
}

Canvas electricArcs() {
    Canvas c(1024, 512, kWideAspect);
    const float w = kWideAspect;
    shade(c, [&](float x, float y, Rgb) {
        const float plasma = fbm(x * 3, y * 3, 51, 6);
        const float r = std::hypot(x - w / 2, y - 0.5f);
        return mix(hexColour(0x02020A), hexColour(0x1A0840), smoothstep(0.3f, 0.8f, plasma)) +
               hexColour(0x3020A0) * (0.5f * std::exp(-r * 4));
    });
    Rng rng(808);
    Layer bolts(c), branches(c);
    for (int k = 0; k < 11; ++k) {
        const float a = k * 0.571f + rng.range(-0.2f, 0.2f);
        const Vec2 start{w / 2 + 0.06f * std::cos(a), 0.5f + 0.06f * std::sin(a)};
        const Vec2 end{w / 2 + 1.0f * std::cos(a), 0.5f + 0.8f * std::sin(a)};
        std::vector<Vec2> path{start};
        lightningPath(path, start, end, 0.22f, 7, rng);
        strokePath(bolts, path, 0.0016f);
        // Forks off the main bolt.
        for (int f = 0; f < 3; ++f) {
            const Vec2 from = path[size_t(rng.below(int(path.size())))];
            const float fa = a + rng.range(-0.9f, 0.9f);
            const Vec2 to{from.x + 0.15f * std::cos(fa), from.y + 0.15f * std::sin(fa)};
            std::vector<Vec2> fork{from};
            lightningPath(fork, from, to, 0.3f, 5, rng);
            strokePath(branches, fork, 0.001f);
        }
    }
    layerMax(bolts, branches);
    paintAdd(c, blurred(bolts, 0.025f), hexColour(0x6030FF) * 3.0f);
    paintAdd(c, blurred(bolts, 0.006f), hexColour(0x40C0FF) * 2.0f);
    paintAdd(c, bolts, hexColour(0xF0F8FF));
    Layer core(c);
    addGaussian(core, w / 2, 0.5f, 0.05f, 1.0f);
    paintAdd(c, core, hexColour(0xA0C0FF));
    return c;
}
