// A real OpenGL context for tests: an invisible 640 x 480 llvmpipe target through the
// platform's offscreen backend, current for the life of the fixture.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

// Opens the offscreen window and context once per process; 1 on success.
int openTestGlContext(int width = 640, int height = 480);
void closeTestGlContext();

// The colour buffer as RGB bytes, bottom row first (glReadPixels order).
std::vector<uint8_t> readTestFrame(int width = 640, int height = 480);
// One pixel of the colour buffer, x from the left, y from the bottom.
void readTestPixel(int x, int y, uint8_t rgb[3]);

// Fixture for GL tests: a current context with a 640 x 480 viewport and clean matrices.
class GlTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
};
