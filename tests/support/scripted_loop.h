// The live loop on the offscreen backend and the virtual clock, with a test's own scene in the
// chain's first link and finished ones after it; TearDown puts the demo's own setup back.
#pragma once

#include <gtest/gtest.h>

#include "scenes/director.h"

class ScriptedLoopTest : public ::testing::Test {
protected:
    // Fresh loop state (scene state, frame clock, keys, an active window, no messages queued),
    // the virtual clock on and the chain `first`, then finished scenes; the test sets the clock.
    void startScriptedLoop(SceneLink first);
    // The demo's chain, the real clock, no simulated display, no message box hook.
    void TearDown() override;
};
