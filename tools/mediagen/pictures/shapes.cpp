// Signed-distance shapes: discs, ellipses, rounded boxes, capsules, polygons, paths.
// Bounding boxes keep each fill local, so hundreds of small shapes stay cheap.
#include "shapes.h"

float segmentDistance(Vec2 p, Vec2 a, Vec2 b) {
    const float bx = b.x - a.x, by = b.y - a.y, px = p.x - a.x, py = p.y - a.y;
    const float len2 = bx * bx + by * by;
    const float h = len2 > 0 ? clamp01((px * bx + py * by) / len2) : 0.0f;
    return std::hypot(px - bx * h, py - by * h);
}

float polygonDistance(Vec2 p, const std::vector<Vec2>& poly) {
    float d = 1e9f;
    bool inside = false;
    for (size_t i = 0, j = poly.size() - 1; i < poly.size(); j = i++) {
        d = std::min(d, segmentDistance(p, poly[j], poly[i]));
        const Vec2 a = poly[i], b = poly[j];
        if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x) inside = !inside;
    }
    return inside ? -d : d;
}

void fillDisc(Layer& l, float cx, float cy, float r, float soft) {
    fillSdf(
        l, cx - r, cy - r, cx + r, cy + r, [&](float x, float y) { return std::hypot(x - cx, y - cy) - r; }, soft);
}

void fillEllipse(Layer& l, float cx, float cy, float rx, float ry, float soft) {
    // Distance scaled by the gradient of the implicit function: close enough near the edge.
    fillSdf(
        l, cx - rx, cy - ry, cx + rx, cy + ry,
        [&](float x, float y) {
            const float u = (x - cx) / rx, v = (y - cy) / ry;
            const float k = std::hypot(u, v);
            const float g = std::hypot(u / rx, v / ry);
            return k > 0 ? (k - 1) * k / std::max(g, 1e-6f) : -std::min(rx, ry);
        },
        soft);
}

void fillRing(Layer& l, float cx, float cy, float r, float thickness) {
    const float o = r + thickness / 2;
    fillSdf(l, cx - o, cy - o, cx + o, cy + o,
            [&](float x, float y) { return std::fabs(std::hypot(x - cx, y - cy) - r) - thickness / 2; });
}

void fillRoundRect(Layer& l, float x0, float y0, float x1, float y1, float radius) {
    const float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2, hx = (x1 - x0) / 2 - radius, hy = (y1 - y0) / 2 - radius;
    fillSdf(l, x0, y0, x1, y1, [&](float x, float y) {
        const float dx = std::fabs(x - cx) - hx, dy = std::fabs(y - cy) - hy;
        return std::hypot(std::max(dx, 0.0f), std::max(dy, 0.0f)) + std::min(std::max(dx, dy), 0.0f) - radius;
    });
}

void fillCapsule(Layer& l, Vec2 a, Vec2 b, float radius, float soft) {
    fillSdf(
        l, std::min(a.x, b.x) - radius, std::min(a.y, b.y) - radius, std::max(a.x, b.x) + radius,
        std::max(a.y, b.y) + radius,
        [&](float x, float y) {
            return segmentDistance({x, y}, a, b) - radius;
        },
        soft);
}

void fillPolygon(Layer& l, const std::vector<Vec2>& poly, float soft) {
    if (poly.size() < 3) return;
    float x0 = poly[0].x, y0 = poly[0].y, x1 = x0, y1 = y0;
    for (const Vec2& p : poly) {
        x0 = std::min(x0, p.x), y0 = std::min(y0, p.y), x1 = std::max(x1, p.x), y1 = std::max(y1, p.y);
    }
    fillSdf(
        l, x0, y0, x1, y1,
        [&](float x, float y) {
            return polygonDistance({x, y}, poly);
        },
        soft);
}

void strokePath(Layer& l, const std::vector<Vec2>& path, float radius, float soft) {
    for (size_t k = 1; k < path.size(); ++k) fillCapsule(l, path[k - 1], path[k], radius, soft);
}

void addGaussian(Layer& l, float cx, float cy, float sigma, float peak) {
    const float reach = 3.5f * sigma;
    const int i0 = std::max(0, int((cx - reach) / l.aspect * l.width));
    const int i1 = std::min(l.width - 1, int((cx + reach) / l.aspect * l.width) + 1);
    const int j0 = std::max(0, int((cy - reach) * l.height));
    const int j1 = std::min(l.height - 1, int((cy + reach) * l.height) + 1);
    const float k = -0.5f / (sigma * sigma);
    for (int j = j0; j <= j1; ++j)
        for (int i = i0; i <= i1; ++i) {
            const float dx = l.viewX(i) - cx, dy = l.viewY(j) - cy;
            l.at(i, j) += peak * std::exp(k * (dx * dx + dy * dy));
        }
}
