// The recorder refuses bad requests before any work: one line, exit status 2, nothing
// created, and nothing the user already has touched without --overwrite.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>

#include "recording_files.h"
#include "support/temp_dir.h"

namespace {
// The refusal's one line, after checking that it is one.
std::string expectRefused(const std::vector<std::string>& args, const std::string& mustNotExist,
                          const RunOptions& options = {}) {
    const RunResult run = runQuorvex(args, options);
    EXPECT_EQ(run.status, 2) << run.stderrText;
    EXPECT_EQ(std::count(run.stderrText.begin(), run.stderrText.end(), '\n'), 1) << run.stderrText;
    EXPECT_EQ(run.stderrText.rfind("quorvex: ", 0), 0u) << run.stderrText;
    EXPECT_TRUE(mustNotExist.empty() || !pathExists(mustNotExist)) << mustNotExist;
    return run.stderrText;
}
}  // namespace

TEST(RecorderArguments, BadOptionsAreRefusedBeforeAnythingIsWritten) {
    TempDir dir;
    const std::string out = dir.file("demo.mkv");
    expectRefused({"--record", out, "--fps", "0"}, out);
    expectRefused({"--record", out, "--fps", "x"}, out);
    expectRefused({"--record", out, "--fps", "-5"}, out);
    expectRefused({"--record", out, "--fps", "241"}, out);
    expectRefused({"--record", out, "--fps"}, out);
    expectRefused({"--record", out, "--frobnicate"}, out);
    expectRefused({"--record"}, "");
}

TEST(RecorderArguments, SizesWeCannotRecordAreRefused) {
    TempDir dir;
    for (const char* name : {"demo.mkv", "demo.mp4", "frames"}) {
        const std::string out = dir.file(name);
        for (const char* size : {"0x0", "100x100", "99999x99999", "12x", "x", "abc"})
            expectRefused({"--record", out, "--size", size}, out);
    }
    // yuv420p halves both sides for colour: an odd side has no place in an .mp4.
    for (const char* size : {"641x480", "640x481"})
        expectRefused({"--record", dir.file("odd.mp4"), "--size", size}, dir.file("odd.mp4"));
}

TEST(RecorderArguments, UnwritableTargetsAreRefused) {
    TempDir dir;
    for (const char* form : {"demo.mkv", "demo.mp4", "frames"})  // a missing parent directory
        expectRefused({"--record", dir.file("missing/") + form}, dir.file("missing"));
    // A video name that is a directory, and a frame directory name that is a file.
    ASSERT_EQ(mkdir(dir.file("taken.mkv").c_str(), 0777), 0);
    expectRefused({"--record", dir.file("taken.mkv")}, "");
    writeFile(dir.file("plain"), {'x'});
    expectRefused({"--record", dir.file("plain")}, "");
    EXPECT_EQ(readFile(dir.file("plain")), std::vector<unsigned char>{'x'});
    // Places whose permission bits let root in but where nothing can be made.
    for (const char* out : {"/proc/quorvex-test.mkv", "/proc/quorvex-test-frames", "/proc/self/fd"})
        expectRefused({"--record", out, "--fps", "1"}, "");
    // A bare name: the line says where it was to go.
    RunOptions inProc;
    inProc.workDir = "/proc";
    for (const char* out : {"quorvex-test.mp4", "quorvex-test-frames"})
        EXPECT_NE(expectRefused({"--record", out}, "", inProc).find("in the working directory '/proc'"),
                  std::string::npos);
}

// A video name of a form we do not write, or one we write given as a directory, would
// otherwise become a frame directory.
TEST(RecorderArguments, VideoFormsWeDoNotWriteAreRefusedNamingTheOnesWeDo) {
    TempDir dir;
    for (const char* name : {"demo.avi", "demo.WebM", "demo.mov/", "demo.mkv/", "demo.MP4//"}) {
        const std::string line = expectRefused({"--record", dir.file(name)}, "");
        EXPECT_NE(line.find(".mkv"), std::string::npos) << line;
        EXPECT_NE(line.find(".mp4"), std::string::npos) << line;
    }
    EXPECT_TRUE(listDir(dir.path).empty());
}

TEST(RecorderArguments, MissingEncoderNamesThePackage) {
    TempDir dir;
    TempDir emptyPath;
    RunOptions noEncoder;
    noEncoder.env = {"PATH=" + emptyPath.path};
    for (const char* name : {"demo.mkv", "demo.MP4"}) {
        const std::string line = expectRefused({"--record", dir.file(name)}, dir.file(name), noEncoder);
        EXPECT_NE(line.find("\"ffmpeg\""), std::string::npos) << line;
    }
}

// An earlier recording, in any form, stays as it is unless --overwrite is given.
TEST(RecorderArguments, ExistingOutputIsRefusedWithoutOverwrite) {
    TempDir dir;
    const std::vector<unsigned char> old = {'o', 'l', 'd'};
    writeFile(dir.file("old.mkv"), old);
    writeFile(dir.file("old.MP4"), old);
    writeFile(dir.file("frames/frame_000007.png"), old);
    writeFile(dir.file("sound/soundtrack.wav"), old);
    for (const char* name : {"old.mkv", "old.MP4", "frames", "frames/", "sound"}) {
        const std::string line = expectRefused({"--record", dir.file(name), "--fps", "5"}, "");
        EXPECT_NE(line.find("--overwrite"), std::string::npos) << line;
    }
    for (const char* name : {"old.mkv", "old.MP4"}) EXPECT_EQ(readFile(dir.file(name)), old) << name;
    EXPECT_EQ(listDir(dir.file("frames")), std::vector<std::string>{"frame_000007.png"});
    EXPECT_EQ(readFile(dir.file("sound/soundtrack.wav")), old);
    EXPECT_EQ(listDir(dir.path), (std::vector<std::string>{"frames", "old.MP4", "old.mkv", "sound"}));
}
