// Recordings leave the pictures of finished scenes undrawn; the frames must not show it.
// At 15 fps every scene of the chain gets its turn on screen, the sine cube included.
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "recording_files.h"
#include "support/temp_dir.h"

TEST(HiddenScenes, UndrawingThemChangesNoFrameOfTheWholeDemo) {
    TempDir dir;
    const std::string undrawn = dir.file("undrawn.mkv"), drawn = dir.file("drawn.mkv");
    RunResult undrawnRun, drawnRun;
    RunOptions drawAll;
    drawAll.env = {"QUORVEX_DRAW_HIDDEN_SCENES=1"};
    std::thread other([&] { drawnRun = runQuorvex({"--record", drawn, "--fps", "15"}, drawAll); });
    undrawnRun = runQuorvex({"--record", undrawn, "--fps", "15"});
    other.join();
    ASSERT_EQ(undrawnRun.status, 0) << undrawnRun.stderrText;
    ASSERT_EQ(drawnRun.status, 0) << drawnRun.stderrText;

    const std::vector<std::string> a = frameChecksums(undrawn), b = frameChecksums(drawn);
    ASSERT_EQ(a.size(), 98u * 15);
    ASSERT_EQ(b.size(), a.size());
    long differing = 0, first = -1;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) {
            ++differing;
            if (first < 0) first = static_cast<long>(i);
        }
    EXPECT_EQ(differing, 0) << "first differing frame: " << first;
}
