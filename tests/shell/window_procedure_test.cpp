// The window procedure's message table fed as messages, and the projection it keeps, on the
// offscreen context: activation by minimized state only, keys, system commands, close, size.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "platform/gl.h"
#include "platform/platform.h"
#include "shell/main_loop.h"
#include "shell/window.h"
#include "support/gl_test_context.h"
#include "support/portable.h"

namespace {
constexpr uintptr_t minimizedState = uintptr_t{1} << 16;
constexpr uintptr_t waActive = 1;
constexpr uintptr_t waInactive = 0;

class WindowProcedureTest : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        platformFlushMessages();
        active = 1;
        std::memset(KeyState, 0, sizeof KeyState);
    }
    void TearDown() override { platformFlushMessages(); }

    static intptr_t send(uint32_t message, uintptr_t wParam, intptr_t lParam = 0) {
        return windowProcedure(message, wParam, lParam);
    }
    static int queued(PlatformMessage* out) { return platformPeekMessage(out); }
};

TEST_F(WindowProcedureTest, OnlyTheMinimizedStateDecidesWhetherTheDemoDraws) {
    EXPECT_EQ(send(PLATFORM_WM_ACTIVATE, waInactive), 0);
    EXPECT_EQ(active, 1) << "losing the focus without minimizing keeps drawing";
    send(PLATFORM_WM_ACTIVATE, minimizedState | waActive);
    EXPECT_EQ(active, 0) << "minimized, even when the low word says activated";
    send(PLATFORM_WM_ACTIVATE, waInactive);
    EXPECT_EQ(active, 1) << "restored";
    send(PLATFORM_WM_ACTIVATE, minimizedState | waInactive);
    EXPECT_EQ(active, 0);
    send(PLATFORM_WM_ACTIVATE, waActive);
    EXPECT_EQ(active, 1);
}

TEST_F(WindowProcedureTest, KeyMessagesSetAndClearOnlyTheirOwnEntry) {
    EXPECT_EQ(send(PLATFORM_WM_KEYDOWN, PLATFORM_VK_ESCAPE), 0);
    send(PLATFORM_WM_KEYDOWN, PLATFORM_VK_F1);
    send(PLATFORM_WM_KEYDOWN, PLATFORM_VK_F1);  // auto-repeat sets it again
    EXPECT_EQ(KeyState[PLATFORM_VK_ESCAPE], 1);
    EXPECT_EQ(KeyState[PLATFORM_VK_F1], 1);
    EXPECT_EQ(send(PLATFORM_WM_KEYUP, PLATFORM_VK_ESCAPE), 0);
    EXPECT_EQ(KeyState[PLATFORM_VK_ESCAPE], 0);
    EXPECT_EQ(KeyState[PLATFORM_VK_F1], 1);
    int down = 0;
    for (int key = 0; key < 256; ++key) down += KeyState[key];
    EXPECT_EQ(down, 1);
    send(PLATFORM_WM_KEYDOWN, 0x1FF);  // a code past the table stays inside it
    EXPECT_EQ(KeyState[0xFF], 1);
}

TEST_F(WindowProcedureTest, ScreenSaverAndMonitorPowerAreRefusedOnlyWhenTheCodeMatchesWhole) {
    ASSERT_EQ(platformScreenSaverAllowed(), 0) << "an open window holds the screen saver off";
    PlatformMessage out;
    EXPECT_EQ(send(PLATFORM_WM_SYSCOMMAND, PLATFORM_SC_SCREENSAVE), 0);
    EXPECT_EQ(send(PLATFORM_WM_SYSCOMMAND, PLATFORM_SC_MONITORPOWER), 0);
    EXPECT_EQ(platformScreenSaverAllowed(), 0);
    EXPECT_EQ(queued(&out), 0);

    // The low four bits belong to the system: such a request is no exact match and goes on.
    send(PLATFORM_WM_SYSCOMMAND, PLATFORM_SC_SCREENSAVE | 0x2);
    EXPECT_EQ(platformScreenSaverAllowed(), 1);
}

TEST_F(WindowProcedureTest, OtherSystemCommandsGetTheirDefaultHandling) {
    PlatformMessage out;
    send(PLATFORM_WM_SYSCOMMAND, PLATFORM_SC_CLOSE);
    ASSERT_EQ(queued(&out), 1);
    EXPECT_EQ(out.message, static_cast<uint32_t>(PLATFORM_WM_CLOSE));
}

TEST_F(WindowProcedureTest, CloseQueuesTheQuitMessageWithCodeZeroAndKeepsTheWindow) {
    PlatformMessage out;
    EXPECT_EQ(send(PLATFORM_WM_CLOSE, 0), 0);
    ASSERT_EQ(queued(&out), 1);
    EXPECT_EQ(out.message, static_cast<uint32_t>(PLATFORM_WM_QUIT));
    EXPECT_EQ(out.wParam, 0u);
    int width = 0, height = 0;
    platformWindowSize(&width, &height);
    EXPECT_EQ(width, 640);
}

TEST_F(WindowProcedureTest, SizeMessageResizesTheViewFromTheLowAndHighWords) {
    EXPECT_EQ(send(PLATFORM_WM_SIZE, 0, 320 | (200 << 16)), 0);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 320);
    EXPECT_EQ(viewport[3], 200);
}

// Projection matrix entries of a perspective with the given vertical field and aspect.
void expectPerspective(double fovyDegrees, double aspect) {
    GLdouble m[16];
    glGetDoublev(GL_PROJECTION_MATRIX, m);
    const double f = 1.0 / std::tan(fovyDegrees * testPi / 360.0);
    const double zNear = static_cast<double>(0.1f), zFar = 100.0;
    EXPECT_NEAR(m[5], f, 1e-5) << "vertical field of view";
    EXPECT_NEAR(m[0], f / aspect, 1e-5) << "horizontal follows the aspect";
    EXPECT_NEAR(m[10], (zFar + zNear) / (zNear - zFar), 1e-5);
    EXPECT_NEAR(m[14], 2.0 * zFar * zNear / (zNear - zFar), 1e-6);
    EXPECT_EQ(m[11], -1.0);
}

TEST_F(WindowProcedureTest, ResizeViewKeeps45DegreesVerticallyAndTreatsHeightZeroAsOne) {
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1.0f, 2.0f, 3.0f);
    resizeView(800, 600);
    expectPerspective(45.0, 800.0 / 600.0);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    GLdouble modelview[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    EXPECT_EQ(modelview[12], 0.0) << "modelview reset to identity";

    resizeView(640, 0);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[3], 1);
    expectPerspective(45.0, 640.0);
}

void expectViewport(int x, int y, int width, int height) {
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], x);
    EXPECT_EQ(viewport[1], y);
    EXPECT_EQ(viewport[2], width);
    EXPECT_EQ(viewport[3], height);
}

TEST(DemoBox, LargestCentred4By3BoxWithBarsOnTheLongSides) {
    const struct {
        int width, height;
        ViewBox box;
    } cases[] = {
        {640, 480, {0, 0, 640, 480}},        {1280, 960, {0, 0, 1280, 960}},
        {1920, 1080, {240, 0, 1440, 1080}},  {1280, 1024, {0, 32, 1280, 960}},
        {321, 240, {0, 0, 320, 240}},        {8192, 240, {3936, 0, 320, 240}},
        {320, 8192, {0, 3976, 320, 240}},    {1001, 700, {34, 0, 933, 700}},
    };
    for (const auto& c : cases) {
        const ViewBox box = demoBox(c.width, c.height);
        EXPECT_EQ(box.x, c.box.x) << c.width << "x" << c.height;
        EXPECT_EQ(box.y, c.box.y) << c.width << "x" << c.height;
        EXPECT_EQ(box.width, c.box.width) << c.width << "x" << c.height;
        EXPECT_EQ(box.height, c.box.height) << c.width << "x" << c.height;
    }
}

// A window at its --size frames the demo; a window of any other size, as a hand resize
// leaves it, gets resizeView's whole-area view; without --size nothing is ever framed.
TEST_F(WindowProcedureTest, SizeMessagesFrameTheDemoOnlyAtTheRequestedSize) {
    setFrameSize(960, 480);
    send(PLATFORM_WM_SIZE, 0, 960 | (480 << 16));
    expectViewport(160, 0, 640, 480);
    expectPerspective(45.0, 640.0 / 480.0);
    send(PLATFORM_WM_SIZE, 0, 800 | (480 << 16));
    expectViewport(0, 0, 800, 480);
    expectPerspective(45.0, 800.0 / 480.0);
    send(PLATFORM_WM_SIZE, 0, 960 | (480 << 16));
    expectViewport(160, 0, 640, 480);
    setFrameSize(0, 0);
    send(PLATFORM_WM_SIZE, 0, 960 | (480 << 16));
    expectViewport(0, 0, 960, 480);
    EXPECT_EQ(frameWidth(), 640);
    EXPECT_EQ(frameHeight(), 480);
}
}  // namespace
