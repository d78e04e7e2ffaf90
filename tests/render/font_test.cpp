// Caption text on a real context: which glyph each character shows, how far a caption
// reaches, the fixed overlay, and the state a caption leaves for whatever is drawn next.
#include <gtest/gtest.h>

#include "render/test_textures.h"

using namespace testkit;

namespace {
class FontTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        prepareScenes();
        glClearColor(0.0f, 0.0f, 0.3f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    void TearDown() override { glViewport(0, 0, 640, 480); }
};

// First and last caption-coloured column of row y, or -1.
void captionSpan(int y, int* first, int* last) {
    *first = -1;
    *last = -1;
    for (int x = 0; x < 640; ++x) {
        if (!isCaption(pixel(x, y))) continue;
        if (*first < 0) *first = x;
        *last = x;
    }
}

void readMatrix(GLenum which, GLfloat m[16]) { glGetFloatv(which, m); }

// What every caption leaves for the drawing after it, whatever state it found.
void expectStateAfterCaption() {
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint source, destination;
    blendFunc(&source, &destination);
    EXPECT_EQ(source, GL_SRC_ALPHA);
    EXPECT_EQ(destination, GL_ONE);
    float colour[4];
    currentColour(colour);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(colour[i], 1.0f) << "colour " << i;
    EXPECT_EQ(boundTexture(), static_cast<GLint>(textureBank.names[24]));
    GLint mode;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
}
}  // namespace

TEST_F(FontTest, EveryCodeFrom33To95ShowsItsOwnGlyphCell) {
    // Rows of the grid top-down: the top row holds the punctuation, the bottom row X to _.
    std::string all;
    for (int code = 33; code <= 95; ++code) all += static_cast<char>(code);
    for (size_t start = 0; start < all.size(); start += 20) {
        const std::string part = all.substr(start, 20);
        glClear(GL_COLOR_BUFFER_BIT);
        drawCaption(10, 200, part.c_str());
        EXPECT_EQ(readCaption(10, 200, static_cast<int>(part.size())), part);
    }
}

TEST_F(FontTest, CaptionOfNCharactersSpans26PerCharacterPlus6) {
    drawCaption(5, 400, "PEOPLE SAID");  // 11 characters: 5 + 26 * 10 + 32 = 297
    int first, last;
    captionSpan(416, &first, &last);
    EXPECT_EQ(first, 5);
    EXPECT_EQ(last, 296);
    // The cell is 32 high from y.
    EXPECT_TRUE(isCaption(pixel(10, 400)));
    EXPECT_TRUE(isCaption(pixel(10, 431)));
    EXPECT_FALSE(isCaption(pixel(10, 399)));
    EXPECT_FALSE(isCaption(pixel(10, 432)));
}

TEST_F(FontTest, LeadingAndInnerBlanksAdvanceWithoutDrawing) {
    drawCaption(100, 100, "   THE");
    EXPECT_EQ(readCaption(100, 100, 6), "   THE");
    int first, last;
    captionSpan(116, &first, &last);
    EXPECT_EQ(first, 100 + 3 * 26);
    EXPECT_EQ(last, 100 + 26 * 5 + 31);
    // The blank keeps what lies beneath it: it is masked white and adds black.
    const Rgb under = pixel(110, 110);
    EXPECT_EQ(under.r, 0);
    EXPECT_GT(under.b, 50);
}

TEST_F(FontTest, OverlayIs640By480WhateverTheViewport) {
    glViewport(0, 0, 320, 240);
    glClear(GL_COLOR_BUFFER_BIT);
    drawCaption(6, 400, "PEOPLE SAID");  // 6 .. 298 units: 3 .. 149 pixels at half size
    int first, last;
    captionSpan(208, &first, &last);
    EXPECT_EQ(first, 3);
    EXPECT_EQ(last, 148);
    EXPECT_FALSE(isCaption(pixel(160, 208)));
}

TEST_F(FontTest, CaptionIsDrawnOverNearerGeometryAndLeavesTheStateBehind) {
    // Something at the nearest depth first: the caption must still cover it.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.1f, 0.2f, 0.0f);
    glBindTexture(GL_TEXTURE_2D, textureBank.names[1]);
    glBegin(GL_QUADS);
    glVertex3f(-2, -2, -1);
    glVertex3f(2, -2, -1);
    glVertex3f(2, 2, -1);
    glVertex3f(-2, 2, -1);
    glEnd();
    GLfloat projection[16], modelview[16];
    readMatrix(GL_PROJECTION_MATRIX, projection);
    readMatrix(GL_MODELVIEW_MATRIX, modelview);
    glColor4f(0.2f, 0.3f, 0.4f, 0.5f);

    drawCaption(300, 300, "A");
    EXPECT_EQ(readCaption(300, 300, 1), "A");

    expectStateAfterCaption();
    GLfloat after[16];
    readMatrix(GL_PROJECTION_MATRIX, after);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(after[i], projection[i]) << "projection " << i;
    readMatrix(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(after[i], modelview[i]) << "modelview " << i;
}

TEST_F(FontTest, EmptyCaptionDrawsNothingButStillSetsEveryState) {
    // The fade's state, as a caption finds it after the intro's fade step.
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ZERO);
    glColor4f(1, 1, 1, 0.25f);
    glBindTexture(GL_TEXTURE_2D, textureBank.names[3]);
    glMatrixMode(GL_PROJECTION);
    const std::vector<uint8_t> before = readTestFrame();

    drawCaption(50, 50, "");

    EXPECT_EQ(readTestFrame(), before);
    expectStateAfterCaption();
}

TEST_F(FontTest, BytesWithoutGlyphsDrawAsBlanksAndNeverReachOtherLists) {
    // Lower case, control and high bytes would name lists beside the font's block, the cube
    // lists among them, whose texture binds would otherwise leak into the caption's state.
    drawCaption(100, 100, "ab\x01\xC3Z");
    EXPECT_EQ(readCaption(100, 100, 5), "    Z");
    EXPECT_EQ(boundTexture(), static_cast<GLint>(textureBank.names[24]));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(FontTest, GlyphListsFollowCreateAndDelete) {
    ASSERT_TRUE(glIsList(glyphBase));
    ASSERT_TRUE(glIsList(glyphBase + 63));
    deleteGlyphLists();
    EXPECT_FALSE(glIsList(glyphBase));
    EXPECT_FALSE(glIsList(glyphBase + 63));
    createGlyphLists();
    EXPECT_TRUE(glIsList(glyphBase + 63));
}
