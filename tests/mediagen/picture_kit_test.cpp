// The drawing kit under the pictures: shapes, blur and lettering on stretched texels,
// noise ranges, and the BMP writer read back by the demo's own reader.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "assets/bmp_loader.h"
#include "pictures/blur.h"
#include "pictures/encode.h"
#include "pictures/noise.h"
#include "pictures/shapes.h"
#include "pictures/text.h"
#include "support/portable.h"
#include "support/temp_dir.h"

namespace {

double coveredArea(const Layer& l) {
    double sum = 0;
    for (float v : l.v) sum += v;
    return sum * (l.aspect / l.width) * (1.0 / l.height);
}

// Extent in view units of the pixels above `threshold`, along x and along y.
void extent(const Layer& l, float threshold, float& w, float& h) {
    int i0 = l.width, i1 = -1, j0 = l.height, j1 = -1;
    for (int j = 0; j < l.height; ++j)
        for (int i = 0; i < l.width; ++i)
            if (l.at(i, j) > threshold) i0 = std::min(i0, i), i1 = std::max(i1, i), j0 = std::min(j0, j), j1 = std::max(j1, j);
    w = (i1 - i0 + 1) * l.aspect / l.width;
    h = (j1 - j0 + 1) / float(l.height);
}

TEST(PictureKit, ShapesAndGlowsStayRoundOnStretchedTexels) {
    // 256 x 128 texels shown 4:3: each texel is wider than it is tall on screen.
    Layer disc(256, 128, 4.0f / 3.0f);
    fillDisc(disc, 0.6f, 0.5f, 0.2f);
    EXPECT_NEAR(coveredArea(disc), testPi * 0.04, 0.002) << "anti-aliased edge keeps the area";
    float w, h;
    extent(disc, 0.5f, w, h);
    EXPECT_NEAR(w, h, 0.02f);

    Layer dot(256, 128, 4.0f / 3.0f);
    dot.at(128, 64) = 1;
    const Layer glow = blurred(dot, 0.05f);
    extent(glow, 0.2f * *std::max_element(glow.v.begin(), glow.v.end()), w, h);
    EXPECT_NEAR(w / h, 1.0f, 0.15f) << "glow is round in view units";
    double sum = 0;
    for (float v : glow.v) sum += v;
    EXPECT_NEAR(sum, 1.0, 1e-3) << "blur moves light, never adds or loses it";

    Layer flat(64, 64, 1.0f);
    for (float& v : flat.v) v = 0.7f;
    for (float v : blurred(flat, 0.1f).v) ASSERT_NEAR(v, 0.7f, 1e-5f) << "borders clamp, no dark rim";

    Layer grown = dilated(disc, 0.05f);
    EXPECT_NEAR(coveredArea(grown), testPi * 0.25 * 0.25, 0.006);
}

TEST(PictureKit, NoiseIsRepeatableAndBounded) {
    Rng a(42), b(42);
    for (int k = 0; k < 100; ++k) ASSERT_EQ(a.next(), b.next());
    float lo = 1, hi = 0;
    for (int k = 0; k < 4000; ++k) {
        const float x = k * 0.137f, y = k * 0.071f;
        const float v = fbm(x, y, 9, 6), r = ridged(x, y, 9, 5);
        lo = std::min({lo, v, r}), hi = std::max({hi, v, r});
        // Continuity: a tiny step never jumps.
        ASSERT_LT(std::fabs(valueNoise(x + 1e-3f, y, 3) - valueNoise(x, y, 3)), 0.01f);
    }
    EXPECT_GE(lo, 0.0f);
    EXPECT_LT(hi, 1.0f);
    EXPECT_LT(lo, 0.3f) << "spans the range";
    EXPECT_GT(hi, 0.6f);
}

TEST(PictureKit, LetteringMatchesItsMeasureAndCapHeight) {
    ASSERT_EQ(openTextFace("/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"), 1);
    Layer l(512, 128, 2.0f); // each texel shows half as wide as it is tall
    const float cap = 0.3f, width = measureText(l, "HXH", cap);
    drawText(l, "HXH", 0.2f, 0.7f, cap);
    closeTextFace();
    float w, h;
    extent(l, 0.5f, w, h);
    EXPECT_NEAR(h, cap, 0.02f) << "capital height as asked";
    EXPECT_NEAR(w, width, 0.08f) << "ink spans the measured advance, less side bearings";
    EXPECT_LT(w, width + 0.01f);
    // Letters keep their shape on screen: three bold capitals are about 2.8 times as wide
    // as tall; ignoring the texel shape would halve that.
    EXPECT_NEAR(w / h, 2.8f, 0.4f);
}

TEST(PictureKit, BmpWriterPadsRowsAndStoresBottomRowFirst) {
    // 3 pixels wide: 9 bytes of pixels, padded to 12 per row.
    const Bytes rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255,   // top row: red, green, blue
                       10, 20, 30, 40, 50, 60, 70, 80, 90}; // bottom row
    const Bytes bmp = encodeBmp(rgb, 3, 2);
    ASSERT_EQ(bmp.size(), 54u + 2 * 12);
    TempDir dir;
    writeFile(dir.file("t.bmp"), bmp);
    BmpImage* image = loadBmp(dir.file("t.bmp").c_str());
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->width, 3);
    EXPECT_EQ(image->height, 2);
    // The reader gives RGB rows bottom row first.
    const unsigned char expected[] = {10, 20, 30, 40, 50, 60, 70, 80, 90, 255, 0, 0, 0, 255, 0, 0, 0, 255};
    for (int k = 0; k < 18; ++k) EXPECT_EQ(image->pixels[k], expected[k]) << "byte " << k;
    std::free(image->pixels);
    std::free(image);
}

} // namespace
