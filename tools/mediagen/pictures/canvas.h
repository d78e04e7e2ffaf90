// Float RGB canvases and coverage layers that every picture is painted on, and compositing.
// Coordinates are view units: y 0..1 from the top row down, x 0..aspect, as seen on screen.
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

struct Rgb {
    float r = 0, g = 0, b = 0;
};
inline Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
inline Rgb operator-(Rgb a, Rgb b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
inline Rgb operator*(Rgb a, float k) { return {a.r * k, a.g * k, a.b * k}; }
inline Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
inline Rgb mix(Rgb a, Rgb b, float t) { return a + (b - a) * t; }
inline Rgb hexColour(uint32_t rgb) {
    return {((rgb >> 16) & 255) / 255.0f, ((rgb >> 8) & 255) / 255.0f, (rgb & 255) / 255.0f};
}

inline float clamp01(float v) { return std::min(1.0f, std::max(0.0f, v)); }
inline float smoothstep(float e0, float e1, float x) {
    const float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

// Shapes drawn in view units stay round whatever the texel shape of the picture.
struct Canvas {
    int width = 0, height = 0;
    float aspect = 1;  // displayed width / displayed height
    std::vector<Rgb> px;

    Canvas(int w, int h, float displayAspect) : width(w), height(h), aspect(displayAspect), px(size_t(w) * h) {}
    Rgb& at(int i, int j) { return px[size_t(j) * width + i]; }
    const Rgb& at(int i, int j) const { return px[size_t(j) * width + i]; }
    float viewX(int i) const { return (i + 0.5f) * aspect / width; }
    float viewY(int j) const { return (j + 0.5f) / height; }
    // One texel's extent in view units, the width of an anti-aliased edge.
    float texel() const { return std::max(aspect / width, 1.0f / height); }
};

// One channel over the same grid as a canvas: coverage, height, glow intensity.
struct Layer {
    int width = 0, height = 0;
    float aspect = 1;
    std::vector<float> v;

    Layer(int w, int h, float displayAspect) : width(w), height(h), aspect(displayAspect), v(size_t(w) * h, 0.0f) {}
    explicit Layer(const Canvas& c) : Layer(c.width, c.height, c.aspect) {}
    float& at(int i, int j) { return v[size_t(j) * width + i]; }
    float at(int i, int j) const { return v[size_t(j) * width + i]; }
    float viewX(int i) const { return (i + 0.5f) * aspect / width; }
    float viewY(int j) const { return (j + 0.5f) / height; }
    float texel() const { return std::max(aspect / width, 1.0f / height); }
};

// Calls f(x, y) for each pixel with its view coordinates and stores the colour it returns.
template <class F>
void shade(Canvas& c, F f) {
    for (int j = 0; j < c.height; ++j)
        for (int i = 0; i < c.width; ++i) c.at(i, j) = f(c.viewX(i), c.viewY(j), c.at(i, j));
}
template <class F>
void shade(Layer& l, F f) {
    for (int j = 0; j < l.height; ++j)
        for (int i = 0; i < l.width; ++i) l.at(i, j) = f(l.viewX(i), l.viewY(j), l.at(i, j));
}

// Paints `colour` through coverage: over (replaces in proportion), add (light) or multiply.
void paintOver(Canvas& c, const Layer& coverage, Rgb colour);
void paintAdd(Canvas& c, const Layer& intensity, Rgb colour);
// Over, with a colour per pixel: f(x, y) gives the paint at that point.
template <class F>
void paintOverWith(Canvas& c, const Layer& coverage, F f) {
    for (int j = 0; j < c.height; ++j)
        for (int i = 0; i < c.width; ++i) {
            const float a = coverage.at(i, j);
            if (a > 0) c.at(i, j) = mix(c.at(i, j), f(c.viewX(i), c.viewY(j)), a);
        }
}

// Layer arithmetic for masks built from several shapes.
void layerMax(Layer& dst, const Layer& src);
void layerMin(Layer& dst, const Layer& src);
void layerScale(Layer& l, float k);
void layerSubtract(Layer& dst, const Layer& src);  // dst = max(0, dst - src)

// 8-bit RGB rows, top row first. Values are clamped; `exposure` > 0 rolls highlights off
// smoothly (1 - exp(-k v)) instead of clipping, for pictures built from added light.
std::vector<unsigned char> toRgb8(const Canvas& c, float exposure = 0);
