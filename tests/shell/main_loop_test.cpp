// The main loop driven whole: demoMain on the offscreen backend with a virtual clock, the
// scene chain replaced by a scripted scene that records what each frame saw and injects
// messages, as a user and the window system would.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "platform/platform.h"
#include "scenes/director.h"
#include "scenes/scene_state.h"
#include "shell/main_loop.h"
#include "support/scripted_loop.h"

namespace {
struct Frame {
    float step;
    int32_t demoStart;
    float rocketY;
    unsigned char keyA;
    unsigned char keyF1;
    uint32_t clockPreviousMs;
};

std::vector<Frame> frames;
std::vector<std::string> boxes;  // as box() writes them
std::map<int, std::function<void()>> script;  // what the user and the window system do in frame N
int endingFrame;           // the scripted scene reports finished from this frame on
int answerQuestionYes;     // how the fullscreen question is answered
uint32_t timerMs;
int32_t calendarSeconds;
uint32_t questionCostMs;   // virtual time a re-creation takes while the question is open

std::string box(const std::string& caption, const std::string& text, PlatformButtons buttons, PlatformIcon icon) {
    return caption + "|" + text + "|" + std::to_string(buttons) + "|" + std::to_string(icon);
}

void setClock(uint32_t ms, int32_t seconds) {
    timerMs = ms;
    calendarSeconds = seconds;
    platformSetVirtualClock(timerMs, calendarSeconds);
}

int scriptedScene(int) {
    const int index = static_cast<int>(frames.size());
    frames.push_back({frameStep, demoClock.demoStart, sceneState.rocketY, KeyState['A'], KeyState[PLATFORM_VK_F1],
                      frameClock.previousMs});
    if (script.count(index)) script[index]();
    setClock(timerMs + 20, calendarSeconds);
    return index < endingFrame;
}

int recordBox(const char* caption, const char* text, PlatformButtons buttons, PlatformIcon icon) {
    boxes.push_back(box(caption, text, buttons, icon));
    if (buttons != PLATFORM_BUTTONS_YESNO) return PLATFORM_ANSWER_OK;
    setClock(timerMs + questionCostMs, calendarSeconds);
    return answerQuestionYes ? PLATFORM_ANSWER_YES : PLATFORM_ANSWER_NO;
}

void post(uint32_t message, uintptr_t wParam, intptr_t lParam = 0) {
    const PlatformMessage m = {message, wParam, lParam};
    platformPostMessage(&m);
}

int drawnHookCalls;
void countDrawn(int pictures, void*) { drawnHookCalls += pictures; }

std::vector<std::string> questions() {
    std::vector<std::string> found;
    for (const std::string& shown : boxes)
        if (shown.rfind("Tavo GL|", 0) == 0 || shown.rfind("ERROR|", 0) == 0) found.push_back(shown);
    return found;
}

class MainLoopTest : public ScriptedLoopTest {
protected:
    void SetUp() override {
        startScriptedLoop({scriptedScene, 1});
        setClock(10000, 1000);
        platformSetMessageBoxHook(recordBox);
        frames.clear();
        boxes.clear();
        script.clear();
        endingFrame = 1000;
        answerQuestionYes = 1;
        questionCostMs = 0;
        drawnHookCalls = 0;
    }

    // The loop as first written, one call per pass: what these tests watch is its order of work.
    int run(int startFullscreen = 0) {
        LoopOptions options;
        options.startFullscreen = startFullscreen;
        options.pace = PACE_UNCAPPED;
        options.callMade = countDrawn;
        swapsBefore = platformSwapCount();
        return demoMain(options);
    }
    uint32_t swaps() const { return platformSwapCount() - swapsBefore; }
    uint32_t swapsBefore = 0;
};

TEST_F(MainLoopTest, FirstTwoFramesStepZeroAndTheFrameThatEndsTheChainIsNeverShown) {
    endingFrame = 4;
    EXPECT_EQ(run(), 0);
    ASSERT_EQ(frames.size(), 5u);
    EXPECT_EQ(frames[0].step, 0.0f);
    EXPECT_EQ(frames[1].step, 0.0f);
    for (int i = 2; i < 5; ++i) EXPECT_FLOAT_EQ(frames[i].step, 0.02f) << "frame " << i;
    EXPECT_EQ(swaps(), 4u);
    EXPECT_EQ(drawnHookCalls, 4);
}

TEST_F(MainLoopTest, CloseEndsTheDemoThroughTheQuitMessageWithStatusZero) {
    script[1] = [] { post(PLATFORM_WM_CLOSE, 0); };
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(frames.size(), 2u);
    EXPECT_EQ(swaps(), 2u);
}

TEST_F(MainLoopTest, EscapeEndsTheDemoWithStatusZeroEvenWhileMinimized) {
    script[1] = [] {
        post(PLATFORM_WM_ACTIVATE, uintptr_t{1} << 16);
        post(PLATFORM_WM_KEYDOWN, PLATFORM_VK_ESCAPE);
    };
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(frames.size(), 2u) << "no frame is drawn while minimized";
    EXPECT_EQ(swaps(), 2u) << "the pass that sees Escape is not swapped";
}

// While minimized every idle pass still swaps, so the swap count measures the passes: a loop
// that spun would make thousands in the time a waiting loop makes a few dozen.
TEST_F(MainLoopTest, WhileMinimizedTheLoopWaitsForMessagesInsteadOfSpinning) {
    std::thread user;
    script[1] = [&user] {
        post(PLATFORM_WM_ACTIVATE, uintptr_t{1} << 16);
        user = std::thread([] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            post(PLATFORM_WM_KEYDOWN, PLATFORM_VK_ESCAPE);
        });
    };
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(run(), 0);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    user.join();
    EXPECT_EQ(frames.size(), 2u);
    const uint32_t idlePasses = swaps() - 2u;
    EXPECT_GE(idlePasses, 5u) << "idle passes still read the clock and swap";
    EXPECT_LE(idlePasses, static_cast<uint32_t>(ms / 8 + 2)) << "about one pass per 10 ms wait over " << ms << " ms";
}

// A key pressed and released between two passes (a remote desktop's or a script's tap, or
// a hand's on a frame that took longer than the press) still counts.
TEST_F(MainLoopTest, AKeyPressedAndReleasedBetweenTwoPassesStillCounts) {
    const struct {
        uintptr_t key;
        size_t frames;  // the one that sees Escape is drawn; F1 leaves the demo to its end
        size_t questions;
    } rows[] = {{PLATFORM_VK_ESCAPE, 3, 0}, {PLATFORM_VK_F1, 11, 1}, {'A', 11, 0}};
    for (const auto& row : rows) {
        SetUp();
        endingFrame = 10;
        script[1] = [&row] {
            post(PLATFORM_WM_KEYDOWN, row.key);
            post(PLATFORM_WM_KEYUP, row.key);
        };
        EXPECT_EQ(run(), 0);
        EXPECT_EQ(frames.size(), row.frames) << "key " << row.key;
        EXPECT_EQ(questions().size(), row.questions) << "key " << row.key;
    }
    EXPECT_EQ(frames[2].keyA, 1) << "down for the pass after the tap";
    EXPECT_EQ(frames[3].keyA, 0) << "and released on the next";
}

TEST_F(MainLoopTest, EscapeAndF1InOnePassRecreateTheWindowFirstThenEnd) {
    script[2] = [] {
        post(PLATFORM_WM_KEYDOWN, PLATFORM_VK_ESCAPE);
        post(PLATFORM_WM_KEYDOWN, PLATFORM_VK_F1);
        setClock(timerMs, 1100);
    };
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(frames.size(), 4u) << "the frame that sees both keys is drawn, none after";
    EXPECT_EQ(swaps(), 3u);
    ASSERT_EQ(questions().size(), 1u) << "the new window asked for fullscreen";
    EXPECT_EQ(demoClock.demoStart, 1100) << "start-up ran again before the end";
    EXPECT_EQ(fullscreen, 0);
}

TEST_F(MainLoopTest, F1KeepsSceneStateFrameClockAndKeysButRestartsTheDemoClock) {
    endingFrame = 6;
    questionCostMs = 500;  // the re-creation takes half a second of timer time
    script[2] = [] {
        sceneState.rocketY = 42.0f;
        post(PLATFORM_WM_KEYDOWN, 'A');
        post(PLATFORM_WM_KEYDOWN, PLATFORM_VK_F1);
        setClock(timerMs, 1100);
    };
    EXPECT_EQ(run(), 0);
    ASSERT_EQ(frames.size(), 7u);
    EXPECT_EQ(frames[3].demoStart, 1000) << "frame 3 is the last one of the first window";
    const Frame& firstNew = frames[4];
    EXPECT_EQ(firstNew.demoStart, 1100);
    EXPECT_EQ(firstNew.rocketY, 42.0f);
    EXPECT_EQ(firstNew.keyA, 1);
    EXPECT_EQ(firstNew.keyF1, 0) << "the loop clears F1 when it acts on it";
    EXPECT_NE(firstNew.clockPreviousMs, 0u);
    EXPECT_FLOAT_EQ(firstNew.step, 0.02f);
    EXPECT_FLOAT_EQ(frames[5].step, 0.52f) << "the clock reading spans the re-creation";
}

TEST_F(MainLoopTest, DecliningTheWindowedFallbackEndsWithStatusZeroAndNoFrame) {
    answerQuestionYes = 0;
    EXPECT_EQ(run(1), 0);
    EXPECT_TRUE(frames.empty());
    const std::string question =
        "The Requested Fullscreen Mode Is Not Supported By\nYour Video Card. Use Windowed Mode Instead?";
    EXPECT_EQ(questions(), (std::vector<std::string>{
                               box("Tavo GL", question, PLATFORM_BUTTONS_YESNO, PLATFORM_ICON_EXCLAMATION),
                               box("ERROR", "Program Will Now Close.", PLATFORM_BUTTONS_OK, PLATFORM_ICON_STOP)}));
}

TEST_F(MainLoopTest, AcceptingTheFallbackRunsWindowedAndTheNextF1TriesFullscreenAgain) {
    endingFrame = 3;
    script[1] = [] { post(PLATFORM_WM_KEYDOWN, PLATFORM_VK_F1); };
    EXPECT_EQ(run(1), 0);
    EXPECT_EQ(questions().size(), 2u);
    EXPECT_EQ(frames.size(), 4u);
    EXPECT_EQ(fullscreen, 0);
}

}  // namespace
