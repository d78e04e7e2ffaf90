// Anti-aliased shapes drawn into coverage layers from signed distances, in view units.
// Each fill unites its shape with what the layer holds already (maximum of coverages).
#pragma once

#include <algorithm>
#include <cmath>
#include <vector>

#include "canvas.h"

struct Vec2 {
    float x = 0, y = 0;
};

// Coverage of a pixel from its signed distance (negative inside), with a one-texel ramp
// widened by `soft` view units for blurred edges.
inline float edgeCoverage(float distance, float texel, float soft = 0) {
    const float w = texel + soft;
    return clamp01(0.5f - distance / w);
}

// Fills the shape whose signed distance sdf(x, y) gives, looking only inside the box.
template <class Sdf>
void fillSdf(Layer& l, float x0, float y0, float x1, float y1, Sdf sdf, float soft = 0) {
    const float t = l.texel();
    const int i0 = std::max(0, int(std::floor((x0 - t - soft) / l.aspect * l.width)));
    const int i1 = std::min(l.width - 1, int(std::ceil((x1 + t + soft) / l.aspect * l.width)));
    const int j0 = std::max(0, int(std::floor((y0 - t - soft) * l.height)));
    const int j1 = std::min(l.height - 1, int(std::ceil((y1 + t + soft) * l.height)));
    for (int j = j0; j <= j1; ++j)
        for (int i = i0; i <= i1; ++i) {
            const float c = edgeCoverage(sdf(l.viewX(i), l.viewY(j)), t, soft);
            if (c > l.at(i, j)) l.at(i, j) = c;
        }
}

float segmentDistance(Vec2 p, Vec2 a, Vec2 b);
float polygonDistance(Vec2 p, const std::vector<Vec2>& poly);  // negative inside

void fillDisc(Layer& l, float cx, float cy, float r, float soft = 0);
void fillEllipse(Layer& l, float cx, float cy, float rx, float ry, float soft = 0);
void fillRing(Layer& l, float cx, float cy, float r, float thickness);
void fillRoundRect(Layer& l, float x0, float y0, float x1, float y1, float radius);
void fillCapsule(Layer& l, Vec2 a, Vec2 b, float radius, float soft = 0);
void fillPolygon(Layer& l, const std::vector<Vec2>& poly, float soft = 0);
// A polyline as a chain of capsules of one radius.
void strokePath(Layer& l, const std::vector<Vec2>& path, float radius, float soft = 0);

// Light added, not coverage: a Gaussian spot of peak `peak` and radius `sigma` (view units).
void addGaussian(Layer& l, float cx, float cy, float sigma, float peak);
