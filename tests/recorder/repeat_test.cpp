// Recordings made one after another in one process (the benchmark makes several): each starts
// the demo from its beginning, so the second is the first again, frame for frame.
#include <gtest/gtest.h>

#include <string>

#include "record/recorder.h"
#include "recording_files.h"
#include "support/temp_dir.h"

TEST(RecordingAgain, SecondRecordingInTheSameProcessEqualsTheFirst) {
    TempDir dir;
    ScopedChdir inBuild(QUORVEX_BUILD_DIR);
    const std::string first = dir.file("first"), second = dir.file("second");
    RecordStats stats;
    ASSERT_EQ(recordDemo(first, 2, 0, &stats), 0);
    ASSERT_EQ(recordDemo(second, 2, 0, &stats), 0);

    const std::vector<std::string> names = listDir(first);
    ASSERT_GT(names.size(), 190u);
    ASSERT_EQ(listDir(second), names);
    int differing = 0;
    for (const std::string& name : names)
        if (readFile(first + "/" + name) != readFile(second + "/" + name)) {
            if (++differing <= 3) ADD_FAILURE() << name << " differs";
        }
    EXPECT_EQ(differing, 0);
}
