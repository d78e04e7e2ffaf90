// Compositing of coverage layers onto float canvases and the final 8-bit conversion.
// Everything here is per pixel and order-independent, so results never vary between runs.
#include "canvas.h"

#include <cmath>

void paintOver(Canvas& c, const Layer& coverage, Rgb colour) {
    for (size_t k = 0; k < c.px.size(); ++k)
        if (coverage.v[k] > 0) c.px[k] = mix(c.px[k], colour, coverage.v[k]);
}

void paintAdd(Canvas& c, const Layer& intensity, Rgb colour) {
    for (size_t k = 0; k < c.px.size(); ++k) c.px[k] = c.px[k] + colour * intensity.v[k];
}

void layerMax(Layer& dst, const Layer& src) {
    for (size_t k = 0; k < dst.v.size(); ++k) dst.v[k] = std::max(dst.v[k], src.v[k]);
}

void layerMin(Layer& dst, const Layer& src) {
    for (size_t k = 0; k < dst.v.size(); ++k) dst.v[k] = std::min(dst.v[k], src.v[k]);
}

void layerScale(Layer& l, float k) {
    for (float& v : l.v) v *= k;
}

void layerSubtract(Layer& dst, const Layer& src) {
    for (size_t k = 0; k < dst.v.size(); ++k) dst.v[k] = std::max(0.0f, dst.v[k] - src.v[k]);
}

static unsigned char toByte(float v, float exposure) {
    if (exposure > 0) v = 1.0f - std::exp(-exposure * std::max(0.0f, v));
    return static_cast<unsigned char>(std::lround(clamp01(v) * 255.0f));
}

std::vector<unsigned char> toRgb8(const Canvas& c, float exposure) {
    std::vector<unsigned char> out(c.px.size() * 3);
    for (size_t k = 0; k < c.px.size(); ++k) {
        out[3 * k + 0] = toByte(c.px[k].r, exposure);
        out[3 * k + 1] = toByte(c.px[k].g, exposure);
        out[3 * k + 2] = toByte(c.px[k].b, exposure);
    }
    return out;
}
