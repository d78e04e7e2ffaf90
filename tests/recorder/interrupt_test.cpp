// Interrupting a recording: Ctrl-C, SIGTERM and SIGHUP each finish the output up to where it
// stopped and exit with 128 + the signal; a second interrupt ends the process at once.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "recording_files.h"
#include "support/temp_dir.h"

namespace {
RunOptions interruptOnceGrown(const std::string& dir, long bytes, int signal) {
    RunOptions options;
    options.interruptWhen = [dir, bytes](const std::string&) { return holdsPartFile(dir, bytes); };
    options.signals = {signal};
    return options;
}
}  // namespace

// Ctrl-C in the middle: the file is finished properly, with sound exactly as long as the
// frames that made it in (735 sample frames each at 60 fps).
TEST(RecorderInterrupt, CtrlCLeavesVideoCompleteUpToWhereItStopped) {
    TempDir dir;
    const std::string out = dir.file("cut.mkv");
    const RunResult run = runQuorvex({"--record", out}, interruptOnceGrown(dir.path, 1 << 20, SIGINT));
    EXPECT_EQ(run.status, 130) << run.stderrText;
    EXPECT_NE(run.stderrText.find("interrupted"), std::string::npos) << run.stderrText;
    const long frames = std::stol("0" + ffprobe(out, "v:0", "stream=nb_read_frames -count_frames"));
    EXPECT_GT(frames, 0);
    EXPECT_LT(frames, 98 * 60);
    EXPECT_EQ(static_cast<long>(ffmpegAudio(out).size()), frames * 735 * 2);
    EXPECT_EQ(listDir(dir.path), std::vector<std::string>{"cut.mkv"});
}

TEST(RecorderInterrupt, TermFinishesAPlayableMp4) {
    TempDir dir;
    const std::string out = dir.file("cut.mp4");
    // As soon as ffmpeg has written its header: the frame on its way still goes in.
    const RunResult run = runQuorvex({"--record", out, "--fps", "30"}, interruptOnceGrown(dir.path, 0, SIGTERM));
    EXPECT_EQ(run.status, 143) << run.stderrText;
    const long frames = std::stol("0" + ffprobe(out, "v:0", "stream=nb_read_frames -count_frames"));
    EXPECT_GT(frames, 0);
    EXPECT_NEAR(std::atof(ffprobe(out, "", "format=duration").c_str()), frames / 30.0, 0.05);
    EXPECT_EQ(listDir(dir.path), std::vector<std::string>{"cut.mp4"});
}

TEST(RecorderInterrupt, HangUpFinishesTheFramesAndTheirSound) {
    TempDir dir;
    const std::string out = dir.file("frames");
    RunOptions options;
    options.interruptWhen = [out](const std::string&) { return pathExists(out + "/frame_000003.png"); };
    options.signals = {SIGHUP};
    const RunResult run = runQuorvex({"--record", out}, options);
    EXPECT_EQ(run.status, 129) << run.stderrText;
    const std::vector<std::string> files = listDir(out);
    ASSERT_GE(files.size(), 5u);  // soundtrack.wav and at least four frames
    WavData wav;
    ASSERT_TRUE(readWav(out + "/soundtrack.wav", &wav));
    EXPECT_EQ(static_cast<long>(wav.samples.size()), static_cast<long>(files.size() - 1) * 735 * 2);
}

// A second interrupt does not wait for a stuck encoder: the process ends at once, and
// takes the encoder and its unfinished file with it.
TEST(RecorderInterrupt, SecondInterruptEndsAtOnce) {
    TempDir dir;
    const EncoderStandIn standIn("sleep 60 &\necho $! >> \"$STANDIN_PIDS\"\nwait\n");
    RunOptions options = standIn.options();
    const auto started = std::chrono::steady_clock::now();
    // Late enough that the first frames have filled the pipes of the encoder that never reads.
    options.interruptWhen = [&](const std::string&) {
        return holdsPartFile(dir.path, -1) && std::chrono::steady_clock::now() - started > std::chrono::seconds(4);
    };
    options.signals = {SIGTERM, SIGINT};
    const RunResult run = runQuorvex({"--record", dir.file("stuck.mkv")}, options);
    EXPECT_EQ(run.status, 130) << run.stderrText;
    EXPECT_LT(run.seconds, 20.0);  // far below the 30 s after which a stuck encoder is given up
    EXPECT_TRUE(listDir(dir.path).empty());
    EXPECT_TRUE(standIn.allEnded());
}

// A second interrupt while the compressors are writing frames: what is left is a whole frame
// under every frame name, from the first on without a gap, and nothing unfinished.
TEST(RecorderInterrupt, SecondInterruptLeavesOnlyWholeFrames) {
    TempDir dir;
    const std::string out = dir.file("frames");
    RunOptions options;
    options.interruptWhen = [out](const std::string&) { return pathExists(frameName(out, 3)); };
    options.signals = {SIGTERM, SIGINT};  // a different signal insists at once
    options.signalGapMs = 0;
    const RunResult run = runQuorvex({"--record", out}, options);
    EXPECT_EQ(run.status, 130) << run.stderrText;
    std::vector<std::string> files = listDir(out);
    ASSERT_FALSE(files.empty());
    EXPECT_EQ(files.back(), "soundtrack.wav");
    files.pop_back();
    EXPECT_GE(files.size(), 4u);
    for (size_t n = 0; n < files.size(); ++n) {
        ASSERT_EQ(out + "/" + files[n], frameName(out, static_cast<long>(n)));
        int w = 0, h = 0;
        EXPECT_EQ(readPngRgb(frameName(out, static_cast<long>(n)), &w, &h).size(), 640u * 480 * 3) << files[n];
    }
}

// One request to stop, however it arrives, finishes the video: `timeout` sends its SIGTERM to
// the program and then to its process group, and a session's end or a service manager signals
// the encoder as well, which then finishes the file itself.
TEST(RecorderInterrupt, OneRequestDeliveredTwiceOrToTheEncoderTooFinishesTheVideo) {
    struct Case {
        const char* what;
        std::vector<int> signals;
        bool toEncoderToo;
    };
    const Case cases[] = {
        {"the same SIGTERM twice at once", {SIGTERM, SIGTERM}, false},
        {"SIGTERM to the recorder and its encoder", {SIGTERM}, true},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string out = dir.file("cut.mkv");
        RunOptions options = interruptOnceGrown(dir.path, 1 << 20, SIGTERM);
        options.signals = c.signals;
        options.signalGapMs = 0;
        options.signalChildren = c.toEncoderToo;
        const RunResult run = runQuorvex({"--record", out}, options);
        EXPECT_EQ(run.status, 143) << c.what << ": " << run.stderrText;
        const long frames = std::stol("0" + ffprobe(out, "v:0", "stream=nb_read_frames -count_frames"));
        EXPECT_GT(frames, 0) << c.what;
        // The closing line counts what the file holds, not what was sent towards it.
        long summarised = -1;
        const size_t line = run.stderrText.find("interrupted after ");
        if (line != std::string::npos) summarised = std::atol(run.stderrText.c_str() + line + 18);
        EXPECT_EQ(summarised, frames) << c.what << ": " << run.stderrText;
        EXPECT_EQ(listDir(dir.path), std::vector<std::string>{"cut.mkv"}) << c.what;
    }
}

// Standard error piped into `head -1`: the reader is gone long before the last lines, which
// are lost, but the recording's own status stands.
TEST(RecorderInterrupt, AGoneReaderOfTheProgressChangesNoStatus) {
    TempDir dir;
    const std::string out = dir.file("frames");
    RunOptions options;
    options.interruptWhen = [out](const std::string&) { return pathExists(out + "/frame_000002.png"); };
    options.stderrReaderLeaves = true;
    const RunResult run = runQuorvex({"--record", out, "--fps", "2"}, options);
    EXPECT_EQ(run.status, 130) << run.stderrText;
    WavData wav;
    EXPECT_TRUE(readWav(out + "/soundtrack.wav", &wav));
}
