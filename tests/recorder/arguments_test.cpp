// The recorder refuses bad requests before any work: one line, exit status 2, nothing
// created. And an interrupted recording still leaves a file that plays to where it stopped.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>

#include "recording_files.h"
#include "support/temp_dir.h"

namespace {
int lineCount(const std::string& text) { return static_cast<int>(std::count(text.begin(), text.end(), '\n')); }

void expectRefused(const std::vector<std::string>& args, const std::string& mustNotExist,
                   const std::vector<std::string>& env = {}) {
    const RunResult run = runQuorvex(args, env);
    EXPECT_EQ(run.status, 2) << run.stderrText;
    EXPECT_EQ(lineCount(run.stderrText), 1) << run.stderrText;
    EXPECT_EQ(run.stderrText.rfind("quorvex: ", 0), 0u) << run.stderrText;
    if (!mustNotExist.empty()) {
        EXPECT_FALSE(pathExists(mustNotExist)) << mustNotExist;
    }
}
}  // namespace

TEST(RecorderArguments, BadOptionsAreRefusedBeforeAnythingIsWritten) {
    TempDir dir;
    const std::string out = dir.file("demo.mkv");
    expectRefused({"--record", out, "--fps", "0"}, out);
    expectRefused({"--record", out, "--fps", "x"}, out);
    expectRefused({"--record", out, "--fps", "-5"}, out);
    expectRefused({"--record", out, "--fps"}, out);
    expectRefused({"--record", out, "--frobnicate"}, out);
    expectRefused({"--record"}, "");
}

TEST(RecorderArguments, UnwritableTargetsAreRefused) {
    TempDir dir;
    // Missing parent directory, in every form.
    expectRefused({"--record", dir.file("missing/demo.mkv")}, dir.file("missing"));
    expectRefused({"--record", dir.file("missing/demo.mp4")}, dir.file("missing"));
    expectRefused({"--record", dir.file("missing/frames")}, dir.file("missing"));
    // A video name that is a directory, and a frame directory name that is a file.
    ASSERT_EQ(mkdir(dir.file("taken.mkv").c_str(), 0777), 0);
    expectRefused({"--record", dir.file("taken.mkv")}, "");
    writeFile(dir.file("plain"), {'x'});
    expectRefused({"--record", dir.file("plain")}, "");
    EXPECT_EQ(readFile(dir.file("plain")), std::vector<unsigned char>{'x'});
}

TEST(RecorderArguments, MissingEncoderNamesThePackage) {
    TempDir dir;
    TempDir emptyPath;
    const std::string pathVar = "PATH=" + emptyPath.path;
    for (const char* name : {"demo.mkv", "demo.MP4"}) {
        const RunResult run = runQuorvex({"--record", dir.file(name)}, {pathVar});
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(lineCount(run.stderrText), 1) << run.stderrText;
        EXPECT_NE(run.stderrText.find("\"ffmpeg\""), std::string::npos) << run.stderrText;
        EXPECT_FALSE(pathExists(dir.file(name)));
    }
}

// Ctrl-C in the middle: the file is finished properly, with sound exactly as long as the
// frames that made it in (735 sample frames each at 60 fps).
TEST(RecorderInterrupt, InterruptedVideoIsCompleteUpToWhereItStopped) {
    TempDir dir;
    const std::string out = dir.file("cut.mkv");
    const RunResult run = runQuorvex({"--record", out}, {}, out);
    EXPECT_EQ(run.status, 130) << run.stderrText;
    EXPECT_NE(run.stderrText.find("interrupted"), std::string::npos) << run.stderrText;
    const long frames = std::stol("0" + ffprobe(out, "v:0", "stream=nb_read_frames -count_frames"));
    EXPECT_GT(frames, 0);
    EXPECT_LT(frames, 98 * 60);
    EXPECT_EQ(static_cast<long>(ffmpegAudio(out).size()), frames * 735 * 2);
}
