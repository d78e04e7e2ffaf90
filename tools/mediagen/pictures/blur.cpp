// Separable box blur (three passes approximate a Gaussian) and disc dilation.
// Edges clamp to the border texel so nothing darkens or brightens at the picture's rim.
#include "blur.h"

#include <algorithm>
#include <cmath>

namespace {

void boxPass(std::vector<float>& data, int count, int stride, int lines, int lineStride, int radius) {
    if (radius <= 0) return;
    std::vector<float> line(count);
    const float scale = 1.0f / (2 * radius + 1);
    for (int n = 0; n < lines; ++n) {
        float* base = data.data() + size_t(n) * lineStride;
        for (int k = 0; k < count; ++k) line[k] = base[size_t(k) * stride];
        auto sample = [&](int k) { return line[std::min(count - 1, std::max(0, k))]; };
        double sum = 0;
        for (int k = -radius; k <= radius; ++k) sum += sample(k);
        for (int k = 0; k < count; ++k) {
            base[size_t(k) * stride] = static_cast<float>(sum * scale);
            sum += sample(k + radius + 1) - sample(k - radius);
        }
    }
}

}  // namespace

Layer blurred(const Layer& src, float sigma) {
    Layer out = src;
    // Three boxes of width w give variance 3 (w^2 - 1) / 12 = sigma^2.
    auto radiusFor = [&](float texelsPerUnit) {
        const float s = sigma * texelsPerUnit;
        return static_cast<int>(std::lround((std::sqrt(4 * s * s + 1) - 1) / 2));
    };
    const int rx = radiusFor(src.width / src.aspect), ry = radiusFor(float(src.height));
    for (int pass = 0; pass < 3; ++pass) {
        boxPass(out.v, out.width, 1, out.height, out.width, rx);
        boxPass(out.v, out.height, out.width, out.width, 1, ry);
    }
    return out;
}

Layer dilated(const Layer& src, float radius) {
    Layer out = src;
    const float ux = src.aspect / src.width, uy = 1.0f / src.height;
    const int rx = static_cast<int>(std::ceil(radius / ux)), ry = static_cast<int>(std::ceil(radius / uy));
    std::vector<std::pair<int, int>> offsets;
    for (int dj = -ry; dj <= ry; ++dj)
        for (int di = -rx; di <= rx; ++di)
            if (std::hypot(di * ux, dj * uy) <= radius) offsets.push_back({di, dj});
    for (int j = 0; j < src.height; ++j)
        for (int i = 0; i < src.width; ++i) {
            float m = 0;
            for (auto [di, dj] : offsets) {
                const int x = i + di, y = j + dj;
                if (x >= 0 && y >= 0 && x < src.width && y < src.height) m = std::max(m, src.at(x, y));
            }
            out.at(i, j) = m;
        }
    return out;
}
