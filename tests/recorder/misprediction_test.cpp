// A recording whose chain breaks the rule that finished scenes stay finished: the frame that
// lacks the running scene's picture is never written, and the run fails.
#include <gtest/gtest.h>

#include "record/recorder.h"
#include "recording_files.h"
#include "scenes/director.h"
#include "support/temp_dir.h"

namespace {
int calls = 0;

// Finished in the second and third frame, running again from the fourth.
int relapsingScene(int) {
    ++calls;
    return calls < 2 || calls > 3;
}
int endlessScene(int) { return 1; }
}  // namespace

TEST(HiddenScenePrediction, SceneThatRunsAgainStopsTheRecordingBeforeItsFrame) {
    TempDir dir;
    ScopedChdir inBuild(buildDir());  // start-up reads the media below it
    sceneChain[0] = {relapsingScene, 1};
    sceneChain[1] = {endlessScene, 1};
    RecordStats stats;
    const int status = recordDemo(dir.file("frames"), 60, 0, &stats);  // every call drawn
    for (int i = 0; i < sceneChainLength; ++i) sceneChain[i] = defaultSceneChain[i];

    EXPECT_EQ(status, 1);
    EXPECT_EQ(stats.frames, 3) << "the fourth frame was drawn without its scene";
    EXPECT_TRUE(pathExists(dir.file("frames/frame_000002.png")));
    EXPECT_FALSE(pathExists(dir.file("frames/frame_000003.png")));
}
