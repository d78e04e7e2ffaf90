// An encoder that fails never hangs the recorder nor leaves a broken file under the user's
// name: stand-ins for ffmpeg that stop reading, end early or hang while finishing.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "recording_files.h"
#include "support/temp_dir.h"

namespace {
void expectOneLineFailure(const RunResult& run, const std::string& reason) {
    EXPECT_EQ(run.status, 1) << run.stderrText;
    EXPECT_EQ(std::count(run.stderrText.begin(), run.stderrText.end(), '\n'), 1) << run.stderrText;
    EXPECT_NE(run.stderrText.find(reason), std::string::npos) << run.stderrText;
}
}  // namespace

TEST(EncoderFailure, EncoderThatStopsReadingIsGivenUp) {
    TempDir dir;
    const EncoderStandIn standIn("sleep 60 &\necho $! >> \"$STANDIN_PIDS\"\nwait\n");
    RunOptions options = standIn.options();
    options.env.push_back("QUORVEX_ENCODER_STALL_SECONDS=1");
    const RunResult run = runQuorvex({"--record", dir.file("demo.mkv")}, options);
    expectOneLineFailure(run, "ffmpeg took no data for 1 s; '" + dir.file("demo.mkv") + "' was not written");
    EXPECT_LT(run.seconds, 25.0);
    EXPECT_TRUE(listDir(dir.path).empty());
    EXPECT_TRUE(standIn.allEnded());
}

// At once, or after taking a few frames: either way the recording is not done, and an
// earlier file under the name (replaced only by a finished recording) is kept.
TEST(EncoderFailure, EncoderThatEndsEarlyLeavesTheOldFile) {
    const struct {
        const char* body;
        const char* reason;
    } cases[] = {{"exit 3\n", "ffmpeg ended with exit status 3 before the recording was done"},
                 {"head -c 3000000 <&3 >/dev/null\nexit 0\n",
                  "ffmpeg ended with exit status 0 before the recording was done"}};
    for (const auto& c : cases) {
        TempDir dir;
        const std::vector<unsigned char> old = {'o', 'l', 'd'};
        writeFile(dir.file("demo.mp4"), old);
        const EncoderStandIn standIn(c.body);
        const RunResult run = runQuorvex({"--record", dir.file("demo.mp4"), "--overwrite"}, standIn.options());
        expectOneLineFailure(run, std::string(c.reason) + "; '" + dir.file("demo.mp4") + "' was left as it was");
        EXPECT_EQ(readFile(dir.file("demo.mp4")), old);
        EXPECT_EQ(listDir(dir.path), std::vector<std::string>{"demo.mp4"});
    }
}

// Interrupted, the recorder closes the input and waits for the file to be finished; an
// encoder that then neither works nor exits is given up like one that stops reading.
TEST(EncoderFailure, EncoderThatHangsWhileFinishingIsGivenUp) {
    TempDir dir;
    const EncoderStandIn standIn("cat <&3 >/dev/null &\ncat <&4 >/dev/null &\nwait\nsleep 60\n");
    RunOptions options = standIn.options();
    options.env.push_back("QUORVEX_ENCODER_STALL_SECONDS=1");
    options.interruptWhen = [&](const std::string&) { return holdsPartFile(dir.path, -1); };
    options.signals = {SIGTERM};
    const RunResult run = runQuorvex({"--record", dir.file("demo.mkv")}, options);
    expectOneLineFailure(run, "ffmpeg did nothing for 1 s while finishing the file");
    EXPECT_TRUE(listDir(dir.path).empty());
    EXPECT_TRUE(standIn.allEnded());
}
