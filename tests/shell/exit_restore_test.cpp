// Every way out of the demo ends in the platform's shutdown: a library that calls exit() in
// the middle of start-up, and an interrupt, which closes the window the normal way first.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "assets/image.h"
#include "platform/platform.h"
#include "shell/options.h"
#include "support/gl_test_context.h"
#include "support/portable.h"
#include "support/temp_dir.h"

namespace {
void reportShutdown(int windowWasOpen) {
    std::fprintf(stderr, windowWasOpen ? "shutdown with the window open\n" : "shutdown after the window closed\n");
}

// The JPEG library's own error manager ends the process on a picture it cannot read.
void decodeJunkWithTheWindowOpen() {
    platformSetExitHook(reportShutdown);
    if (!openTestGlContext()) std::_Exit(3);
    static const unsigned char junk[] = "this is not a picture";
    Image image{};
    decodeJpeg(&image, junk, sizeof junk, "junk.jpg");
    std::_Exit(4);  // the decoder came back: not the path under test
}

#if !defined(_WIN32)  // a signal sent to oneself, as kill(1) would
int quietBox(const char*, const char*, PlatformButtons buttons, PlatformIcon) {
    return buttons == PLATFORM_BUTTONS_YESNO ? PLATFORM_ANSWER_NO : PLATFORM_ANSWER_OK;
}

void playAndSignal(int signal) {
    TempDir empty;  // no media: the demo says so and plays
    ScopedChdir into(empty.path);
    platformSelectBackend(PLATFORM_OFFSCREEN);
    platformSetMessageBoxHook(quietBox);
    platformSetExitHook(reportShutdown);
    std::thread([signal] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        kill(getpid(), signal);
    }).detach();
    ProgramOptions options;
    options.windowed = 1;
    std::exit(playDemo(options));
}

// An SSH session: no display server, only SDL's drivers that draw into memory.
void playWithoutADisplay(const char* memoryDriver) {
    unsetTestEnvironment("DISPLAY");
    unsetTestEnvironment("WAYLAND_DISPLAY");
    setTestEnvironment("SDL_VIDEODRIVER", memoryDriver);
    platformSelectBackend(PLATFORM_DISPLAY);
    std::exit(playDemo(ProgramOptions()));
}
#endif

class ExitRestoreTest : public ::testing::Test {
protected:
    // Each case needs a fresh process: the exit handler belongs to the first context made.
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

TEST_F(ExitRestoreTest, FatalDecoderErrorLeavesThroughThePlatformShutdown) {
    EXPECT_EXIT(decodeJunkWithTheWindowOpen(), ::testing::ExitedWithCode(1), "shutdown with the window open");
}

#if !defined(_WIN32)
TEST_F(ExitRestoreTest, InterruptClosesTheWindowAndEndsWith128PlusTheSignal) {
    EXPECT_EXIT(playAndSignal(SIGTERM), ::testing::ExitedWithCode(128 + SIGTERM), "shutdown after the window closed");
    EXPECT_EXIT(playAndSignal(SIGINT), ::testing::ExitedWithCode(128 + SIGINT), "shutdown after the window closed");
}

TEST_F(ExitRestoreTest, WithoutADisplayTheLiveDemoSaysSoAndEndsAtOnce) {
    for (const char* driver : {"offscreen", "dummy"})
        EXPECT_EXIT(playWithoutADisplay(driver), ::testing::ExitedWithCode(1),
                    "^quorvex: no display \\(neither DISPLAY nor WAYLAND_DISPLAY is set\\);.*--record[^\n]*\n$")
            << driver;
}
#endif
}  // namespace
