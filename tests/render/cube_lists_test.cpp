// The cube lists and the fade step: the face table's geometry, what each list draws and
// binds, and the single-precision fade that ends on its 201st call.
#include <gtest/gtest.h>

#include "render/test_textures.h"

using namespace testkit;

namespace {
class CubeListsTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        prepareScenes();
    }
};

struct Vec {
    float x, y, z;
};
Vec corner(const CubeFace& f, int i) { return {f.corners[i][2], f.corners[i][3], f.corners[i][4]}; }
Vec sub(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Vec cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
}  // namespace

TEST(CubeFaceTable, EachFaceLiesOnItsNormalSideIsWoundOutwardsAndSpansTheTexture) {
    for (int f = 0; f < 6; ++f) {
        const CubeFace& face = cubeFaces[f];
        const Vec n = {face.normal[0], face.normal[1], face.normal[2]};
        ASSERT_EQ(dot(n, n), 1.0f) << "face " << f;
        float sSum = 0, tSum = 0;
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(dot(corner(face, i), n), 1.0f) << "face " << f << " corner " << i;
            const Vec turn = cross(sub(corner(face, (i + 1) % 4), corner(face, i)),
                                   sub(corner(face, (i + 2) % 4), corner(face, (i + 1) % 4)));
            EXPECT_GT(dot(turn, n), 0.0f) << "face " << f << " corner " << i;
            sSum += face.corners[i][0];
            tSum += face.corners[i][1];
            // Neighbouring corners differ in exactly one texture coordinate.
            const float ds = face.corners[i][0] - face.corners[(i + 1) % 4][0];
            const float dt = face.corners[i][1] - face.corners[(i + 1) % 4][1];
            EXPECT_EQ(ds * ds + dt * dt, 1.0f) << "face " << f << " corner " << i;
        }
        EXPECT_EQ(sSum, 2.0f);
        EXPECT_EQ(tSum, 2.0f);
    }
}

TEST_F(CubeListsTest, SmallListIsOneAboveBigAndDrawsABoundTextureOnAFaceOfHalfSize02) {
    ASSERT_NE(bigCubeList, 0u);
    EXPECT_EQ(smallCubeList, bigCubeList + 1);
    EXPECT_TRUE(glIsList(smallCubeList));

    // The front face head-on, one unit of the ortho view = 500 pixels: 0.4 units = 200 pixels.
    // A texture with four quadrants shows whether the face spans the whole picture upright.
    const std::vector<unsigned char> quadrants = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    uploadTexture(textureBank.names[9], 2, 2, quadrants);  // bottom row red, green; top blue, white
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-0.64, 0.64, -0.48, 0.48, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glBindTexture(GL_TEXTURE_2D, textureBank.names[9]);
    glCallList(smallCubeList);

    EXPECT_EQ(boundTexture(), static_cast<GLint>(textureBank.names[9])) << "the small list binds nothing";
    const Rgb lowerLeft = pixel(320 - 50, 240 - 50), lowerRight = pixel(320 + 50, 240 - 50);
    const Rgb upperLeft = pixel(320 - 50, 240 + 50), upperRight = pixel(320 + 50, 240 + 50);
    EXPECT_GT(lowerLeft.r, 200);
    EXPECT_GT(lowerRight.g, 200);
    EXPECT_GT(upperLeft.b, 200);
    EXPECT_GT(upperRight.r + upperRight.g + upperRight.b, 700);
    EXPECT_GT(pixel(320 + 98, 240).r + pixel(320 + 98, 240).b, 200) << "inside the edge";
    const Rgb outside = pixel(320 + 102, 240);
    EXPECT_EQ(outside.r + outside.g + outside.b, 0) << "outside the edge at 0.2";

    // The normals are scaled with the cube: the last face left its normal (-0.2, 0, 0).
    GLfloat normal[3];
    glGetFloatv(GL_CURRENT_NORMAL, normal);
    EXPECT_FLOAT_EQ(normal[0], -0.2f);
    EXPECT_EQ(normal[1], 0.0f);
}

// Seen from outside, every face shows the whole picture unmirrored, t = 0 at the bottom: t grows
// upwards on the four sides and towards -z on the top and the bottom.
TEST_F(CubeListsTest, EveryFaceShowsThePictureTheSameWayRoundFromOutside) {
    const struct {
        const char* face;
        Vec eye, up;
    } views[6] = {{"front", {0, 0, 1}, {0, 1, 0}},   {"back", {0, 0, -1}, {0, 1, 0}},
                  {"top", {0, 1, 0}, {0, 0, -1}},    {"bottom", {0, -1, 0}, {0, 0, -1}},
                  {"right", {1, 0, 0}, {0, 1, 0}},   {"left", {-1, 0, 0}, {0, 1, 0}}};
    // Rows from t = 0: red, green; then blue, white.
    uploadTexture(textureBank.names[9], 2, 2, {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255});
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-0.64, 0.64, -0.48, 0.48, 1, 10);
    glMatrixMode(GL_MODELVIEW);
    glClearColor(0, 0, 0, 0);
    for (const auto& v : views) {
        SCOPED_TRACE(v.face);
        glLoadIdentity();
        gluLookAt(5 * v.eye.x, 5 * v.eye.y, 5 * v.eye.z, 0, 0, 0, v.up.x, v.up.y, v.up.z);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glBindTexture(GL_TEXTURE_2D, textureBank.names[9]);
        glCallList(smallCubeList);
        const Rgb lowerLeft = pixel(270, 190), lowerRight = pixel(370, 190);
        const Rgb upperLeft = pixel(270, 290), upperRight = pixel(370, 290);
        EXPECT_TRUE(lowerLeft.r > 200 && lowerLeft.g < 50 && lowerLeft.b < 50);
        EXPECT_TRUE(lowerRight.r < 50 && lowerRight.g > 200 && lowerRight.b < 50);
        EXPECT_TRUE(upperLeft.r < 50 && upperLeft.g < 50 && upperLeft.b > 200);
        EXPECT_TRUE(upperRight.r > 200 && upperRight.g > 200 && upperRight.b > 200);
    }
}

TEST_F(CubeListsTest, BigListBindsTheSlotsItWasCompiledWith) {
    glBindTexture(GL_TEXTURE_2D, textureBank.names[3]);
    glCallList(bigCubeList);
    EXPECT_EQ(boundTexture(), static_cast<GLint>(textureBank.names[6]));
}

TEST_F(CubeListsTest, FadeRunsFor200CallsInSinglePrecisionAndSetsItsState) {
    float colour[4];
    for (int call = 1; call <= 200; ++call) {
        const float before = sceneState.fadeAlpha;
        ASSERT_EQ(fadeOut(&sceneState.fadeAlpha), 1) << "call " << call;
        currentColour(colour);
        ASSERT_EQ(colour[3], before) << "call " << call;
        if (call == 1) {
            EXPECT_EQ(colour[3], 1.0f);
        }
    }
    EXPECT_GT(sceneState.fadeAlpha, 0.0f);
    EXPECT_LT(sceneState.fadeAlpha, 1e-6f);
    EXPECT_EQ(fadeOut(&sceneState.fadeAlpha), 0);
    EXPECT_EQ(fadeOut(&sceneState.fadeAlpha), 0) << "and stays run out";
    EXPECT_LT(sceneState.fadeAlpha, 0.0f);

    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    GLint source, destination;
    blendFunc(&source, &destination);
    EXPECT_EQ(source, GL_SRC_ALPHA);
    EXPECT_EQ(destination, GL_ZERO);
    currentColour(colour);
    EXPECT_EQ(colour[0], 1.0f);
    EXPECT_EQ(colour[1], 1.0f);
}
