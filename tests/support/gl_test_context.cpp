// The offscreen GL context shared by every GL test in one test process.
// Opened lazily through the platform seam; the default GL state is restored per test.
#include "support/gl_test_context.h"

#include "platform/gl.h"
#include "platform/platform.h"

namespace {
int contextOpen = 0;
}

int openTestGlContext(int width, int height) {
    if (contextOpen) return 1;
    platformSelectBackend(PLATFORM_OFFSCREEN);
    if (!platformRegisterWindowClass()) return 0;
    PlatformPixelFormat format = {16, 16, 1};
    if (!platformCreateWindow("test", width, height, 0, &format)) return 0;
    if (!platformCreateContext() || !platformMakeCurrent()) return 0;
    contextOpen = 1;
    return 1;
}

void closeTestGlContext() {
    if (!contextOpen) return;
    platformReleaseCurrent();
    platformDeleteContext();
    platformDestroyWindow();
    platformUnregisterWindowClass();
    contextOpen = 0;
}

std::vector<uint8_t> readTestFrame(int width, int height) {
    std::vector<uint8_t> frame(static_cast<size_t>(width) * static_cast<size_t>(height) * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, frame.data());
    return frame;
}

void readTestPixel(int x, int y, uint8_t rgb[3]) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb);
}

void GlTest::SetUpTestSuite() { ASSERT_EQ(openTestGlContext(), 1) << "no offscreen GL context"; }

void GlTest::SetUp() {
    ASSERT_EQ(openTestGlContext(), 1);
    glViewport(0, 0, 640, 480);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 640.0 / 480.0, 0.1f, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
