// Interrupting a recording: Ctrl-C, SIGTERM and SIGHUP each finish the output up to where it
// stopped and exit with 128 + the signal; a second interrupt ends the process at once.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <tuple>

#include "recording_files.h"
#include "support/temp_dir.h"

// One request to stop, however it arrives, finishes the video up to where it stopped, and the
// closing line counts what the file holds. `timeout` sends its SIGTERM to the program and then
// to its process group; a session's end or a service manager signals the encoder as well,
// which then finishes the file itself, each stream where it was.
TEST(RecorderInterrupt, OneRequestFinishesTheVideoUpToWhereItStopped) {
    struct Case {
        const char* what;
        const char* name;
        int fps;
        long grownBytes;  // of the unfinished file when the signals go
        std::vector<int> signals;
        bool toEncoderToo;
    };
    const Case cases[] = {
        {"Ctrl-C", "cut.mkv", 60, 1 << 20, {SIGINT}, false},
        {"SIGTERM once the header is written: the frame on its way still goes in", "cut.mp4", 30, 0, {SIGTERM}, false},
        {"the same SIGTERM twice at once", "cut.mkv", 60, 1 << 20, {SIGTERM, SIGTERM}, false},
        {"SIGTERM to the recorder and its encoder", "cut.mkv", 60, 1 << 20, {SIGTERM}, true},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string out = dir.file(c.name);
        RunOptions options = stopOncePartFile(dir.path, c.grownBytes, c.signals);
        options.signalGapMs = 0;
        options.signalChildren = c.toEncoderToo;
        const RunResult run = runQuorvex({"--record", out, "--fps", std::to_string(c.fps)}, options);
        EXPECT_EQ(run.status, 128 + c.signals[0]) << c.what << ": " << run.stderrText;
        const long frames = videoFrames(out);
        EXPECT_GT(frames, 0) << c.what;
        EXPECT_LT(frames, 98 * c.fps) << c.what;
        const size_t summary = run.stderrText.find("interrupted after ");
        EXPECT_EQ(summary == std::string::npos ? -1 : std::atol(run.stderrText.c_str() + summary + 18), frames)
            << c.what << ": " << run.stderrText;
        EXPECT_EQ(listDir(dir.path), std::vector<std::string>{c.name}) << c.what;
        if (c.toEncoderToo) continue;
        // Sound as long as the frames that made it in: exactly in FLAC, within a block in AAC.
        EXPECT_NEAR(std::atof(ffprobe(out, "", "format=duration").c_str()), double(frames) / c.fps, 0.05) << c.what;
        if (std::string(c.name) == "cut.mkv") {
            EXPECT_EQ(static_cast<long>(ffmpegAudio(out).size()), frames * 44100 / c.fps * 2) << c.what;
        }
    }
}

// Stopped before its first frame, a recording leaves nothing: no empty or unplayable video
// under the user's name, no lone soundtrack that would refuse the next try. Caught as soon
// as the output is begun (the hidden video and ffmpeg's account of it, or the soundtrack).
TEST(RecorderInterrupt, BeforeTheFirstFrameNothingIsLeft) {
    const std::tuple<const char*, int, bool> cases[] = {
        {"early.mkv", SIGTERM, false}, {"early.mp4", SIGTERM, true}, {"frames", SIGINT, false}};
    for (const auto& [name, signal, toEncoderToo] : cases) {
        for (int attempt = 1;; ++attempt) {
            TempDir dir;
            writeFile(dir.file("notes.txt"), {'k'});
            RunOptions options;
            options.interruptWhen = [&](const std::string&) {
                return listDir(dir.path).size() > 2 || pathExists(dir.file("frames/soundtrack.wav"));
            };
            options.signals = {signal};
            options.signalChildren = toEncoderToo;
            const RunResult run = runQuorvex({"--record", dir.file(name), "--fps", "2"}, options);
            // The signal goes once the output is seen, polled; on a loaded machine the demo's
            // start-up may finish the first frame before it lands (1 run in 10 measured):
            // that is the other tests' case, so the race is run again.
            if (attempt < 5 && run.stderrText.find("interrupted after ") != std::string::npos) continue;
            EXPECT_EQ(run.status, 128 + signal) << name << ": " << run.stderrText;
            EXPECT_NE(run.stderrText.find("interrupted before the first frame"), std::string::npos) << run.stderrText;
            EXPECT_EQ(listDir(dir.path), std::vector<std::string>{"notes.txt"}) << name;
            break;
        }
    }
}

// A frame directory keeps whole frames from the first on and their sound: after SIGHUP, after a
// reader of the progress that went away (`2>&1 | head -1`: the last lines are lost, the status
// stands), and after a second interrupt while the compressors were writing frames, when only
// the sound may run a few frames on.
TEST(RecorderInterrupt, FrameDirectoriesKeepWholeFramesAndTheirSound) {
    struct Case {
        const char* what;
        int fps;
        std::vector<int> signals;
        bool readerLeaves;
    };
    const Case cases[] = {
        {"SIGHUP", 60, {SIGHUP}, false},
        {"a gone reader of standard error", 2, {SIGINT}, true},
        {"SIGTERM, then Ctrl-C at once", 60, {SIGTERM, SIGINT}, false},
    };
    for (const Case& c : cases) {
        TempDir dir;
        const std::string out = dir.file("frames");
        RunOptions options = stopAtFrame(out, 3, c.signals);
        options.signalGapMs = 0;  // a different signal insists at once
        options.stderrReaderLeaves = c.readerLeaves;
        const RunResult run = runQuorvex({"--record", out, "--fps", std::to_string(c.fps)}, options);
        // Two signals pending at once may be taken in either order (the lower number first, on any thread).
        EXPECT_TRUE(run.status == 128 + c.signals.front() || run.status == 128 + c.signals.back())
            << c.what << ": " << run.status << ", " << run.stderrText;
        const long frames = wholeFrames(out);
        EXPECT_GE(frames, 4) << c.what;
        const long sound = soundtrackSampleFrames(out), framesSound = frames * 44100 / c.fps;
        EXPECT_TRUE(c.signals.size() > 1 ? sound >= framesSound : sound == framesSound)
            << c.what << ": " << sound << " sample frames of sound for " << frames << " frames";
    }
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
