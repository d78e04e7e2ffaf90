// The program's icon: the tin rocket climbing past a blue planet on a rounded tile of night
// sky, drawn at any square size and written as RGBA PNG files for the desktop's icon theme.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "encode.h"
#include "media.h"
#include "pictures.h"
#include "shapes.h"
#include "space_kit.h"

namespace {

constexpr int kSupersample = 4;
constexpr float kTilt = 0.35f;  // radians the rocket leans to the right

// Bilinear look-up of the rocket art at view coordinates (x in 0..0.5, y in 0..1).
Rgb sampleRocket(const RocketArt& art, float x, float y, float* solid) {
    const float fx = x / art.colour.aspect * art.colour.width - 0.5f, fy = y * art.colour.height - 0.5f;
    const int i0 = int(std::floor(fx)), j0 = int(std::floor(fy));
    const float tx = fx - i0, ty = fy - j0;
    Rgb colour;
    *solid = 0;
    for (int dj = 0; dj < 2; ++dj)
        for (int di = 0; di < 2; ++di) {
            const int i = i0 + di, j = j0 + dj;
            if (i < 0 || j < 0 || i >= art.colour.width || j >= art.colour.height) continue;
            const float w = (di ? tx : 1 - tx) * (dj ? ty : 1 - ty);
            colour = colour + art.colour.at(i, j) * w;
            *solid += art.solid.at(i, j) * w;
        }
    return colour;
}

// The icon at `size` x `size` texels: colour, and the tile's coverage as alpha.
struct IconArt {
    Canvas colour;
    Layer alpha;
};

IconArt drawIcon(int size, const RocketArt& rocket) {
    IconArt art{Canvas(size, size, 1.0f), Layer(size, size, 1.0f)};
    Canvas& c = art.colour;
    fillRoundRect(art.alpha, 0.03f, 0.03f, 0.97f, 0.97f, 0.2f);
    const NebulaStyle nebula{hexColour(0xC080FF), hexColour(0x3030A0), hexColour(0x080414), 2.2f, 1.1f, 77};
    shade(c, [&](float x, float y, Rgb) {
        const Rgb sky = mix(hexColour(0x04061A), hexColour(0x1A0C38), y);
        return sky + nebulaAt(x, y, nebula, 0.7f * std::exp(-std::pow((x + y - 1.1f) / 0.5f, 2.0f)));
    });
    // As many stars per texel at every size: small icons would otherwise turn to snow.
    Rng rng(7007);
    addStarField(c, rng, std::max(4, 140 * size / (256 * kSupersample)), 2.0f);
    paintPlanet(c, {0.27f, 0.30f, 0.17f, hexColour(0x183068), hexColour(0x70B0F0), hexColour(0x60A8FF), -0.7f, -0.4f,
                    0.6f, 0.0f, 78});
    // The rocket, leaning to the right, its art's premultiplied colour over what lies beneath.
    const float height = 0.82f, cx = 0.60f, cy = 0.50f;
    const float cosT = std::cos(kTilt), sinT = std::sin(kTilt);
    shade(c, [&](float x, float y, Rgb under) {
        const float dx = x - cx, dy = y - cy;
        const float u = (dx * cosT + dy * sinT) / height + 0.25f, v = (-dx * sinT + dy * cosT) / height + 0.5f;
        if (u < 0 || u > 0.5f || v < 0 || v > 1) return under;
        float solid = 0;
        const Rgb paint = sampleRocket(rocket, u, v, &solid);
        return under * (1 - solid) + paint;
    });
    return art;
}

// Box filter of the supersampled picture, colour weighted by alpha, into 8-bit RGBA rows.
Bytes rgbaOf(const IconArt& art, int factor) {
    const int size = art.colour.width / factor;
    Bytes rgba(size_t(size) * size * 4);
    for (int j = 0; j < size; ++j)
        for (int i = 0; i < size; ++i) {
            Rgb sum;
            float alpha = 0;
            for (int dj = 0; dj < factor; ++dj)
                for (int di = 0; di < factor; ++di) {
                    const float a = art.alpha.at(i * factor + di, j * factor + dj);
                    sum = sum + art.colour.at(i * factor + di, j * factor + dj) * a;
                    alpha += a;
                }
            const Rgb straight = alpha > 0 ? sum * (1 / alpha) : Rgb{};
            unsigned char* p = &rgba[(size_t(j) * size + i) * 4];
            const float channels[4] = {straight.r, straight.g, straight.b, alpha / float(factor * factor)};
            for (int k = 0; k < 4; ++k) p[k] = static_cast<unsigned char>(std::lround(clamp01(channels[k]) * 255));
        }
    return rgba;
}

}  // namespace

int generateIcons(const std::string& outDir, const std::vector<int>& sizes) {
    const RocketArt rocket = tinRocket();
    for (int size : sizes) {
        if (size <= 0 || size > 1024) return 0;
        const IconArt art = drawIcon(size * kSupersample, rocket);
        const std::string dir = outDir + "/" + std::to_string(size) + "x" + std::to_string(size) + "/apps";
        std::error_code error;
        std::filesystem::create_directories(dir, error);
        if (error || !writeBytes(dir + "/quorvex.png", encodePngRgba(rgbaOf(art, kSupersample), size, size))) return 0;
    }
    return 1;
}
