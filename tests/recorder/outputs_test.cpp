// Whatever the user names the output is a plain file or directory of that name, and with
// --overwrite an earlier recording there is replaced. Runs are cut short by Ctrl-C once the
// encoder has written something: the interrupted file is a finished one.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "recording_files.h"
#include "support/temp_dir.h"

namespace {
RunOptions stopOnceWritten(const std::string& dir) {
    RunOptions options;
    options.interruptWhen = [dir](const std::string&) { return holdsPartFile(dir, 0); };
    return options;
}
}  // namespace

// Names ffmpeg would take for a protocol, a URL or an option, given relative to the
// working directory as a user would type them.
TEST(RecorderOutputs, EveryNameIsAPlainFile) {
    TempDir work;
    ASSERT_EQ(symlink((buildDir() + "/data").c_str(), work.file("data").c_str()), 0);
    for (const std::string name : {"pipe:1.mkv", "a:b.mp4", "-x.mkv", "two words.mkv", "Grüße ñandú.mkv"}) {
        RunOptions options = stopOnceWritten(work.path);
        options.workDir = work.path;
        const RunResult run = runQuorvex({"--record", name, "--fps", "10"}, options);
        EXPECT_EQ(run.status, 130) << name << ": " << run.stderrText;
        EXPECT_EQ(run.stdoutText, "") << name;
        // Both video forms are H.264: 4:2:0 in .mp4, the lossless RGB planes in .mkv.
        const std::string format = name.back() == '4' ? "h264\nyuv420p" : "h264\ngbrp";
        EXPECT_EQ(ffprobe(work.file(name), "v:0", "stream=codec_name,pix_fmt"), format) << name;
        std::vector<std::string> expected = {"data", name};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(listDir(work.path), expected);
        unlink(work.file(name).c_str());
    }
}

TEST(RecorderOutputs, OverwriteReplacesAnEarlierVideo) {
    TempDir dir;
    writeFile(dir.file("demo.mkv"), {'o', 'l', 'd'});
    const RunResult run = runQuorvex({"--record", dir.file("demo.mkv"), "--overwrite"}, stopOnceWritten(dir.path));
    EXPECT_EQ(run.status, 130) << run.stderrText;
    EXPECT_EQ(ffprobe(dir.file("demo.mkv"), "v:0", "stream=codec_name,pix_fmt"), "h264\ngbrp");
    EXPECT_EQ(listDir(dir.path), std::vector<std::string>{"demo.mkv"});
}

// Older frames go, so that none is left after the new recording's last; other files stay.
TEST(RecorderOutputs, OverwriteReplacesEarlierFramesOnly) {
    TempDir dir;
    const std::string out = dir.file("frames");
    writeFile(out + "/frame_000500.png", {'o', 'l', 'd'});
    writeFile(out + "/soundtrack.wav", {'o', 'l', 'd'});
    writeFile(out + "/notes.txt", {'k', 'e', 'e', 'p'});
    RunOptions options;
    options.interruptWhen = [out](const std::string&) { return pathExists(out + "/frame_000001.png"); };
    const RunResult run = runQuorvex({"--record", out, "--overwrite"}, options);
    EXPECT_EQ(run.status, 130) << run.stderrText;
    EXPECT_FALSE(pathExists(out + "/frame_000500.png"));
    EXPECT_EQ(readFile(out + "/notes.txt"), (std::vector<unsigned char>{'k', 'e', 'e', 'p'}));
    WavData wav;
    EXPECT_TRUE(readWav(out + "/soundtrack.wav", &wav));
}
