// Whatever the user names the output is a plain file or directory of that name, and with
// --overwrite an earlier recording there is replaced. Runs are cut short by Ctrl-C once the
// encoder has written something: the interrupted file is a finished one.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <set>
#include <string>

#include "assets/asset_fixtures.h"
#include "assets/media_manifest.h"
#include "recording_files.h"
#include "support/portable.h"
#include "support/temp_dir.h"

// Names ffmpeg would take for a protocol, a URL or an option, given relative to the
// working directory as a user would type them.
TEST(RecorderOutputs, EveryNameIsAPlainFile) {
    TempDir work;
    ASSERT_EQ(symlink((buildDir() + "/data").c_str(), work.file("data").c_str()), 0);
    for (const std::string name : {"pipe:1.mkv", "a:b.mp4", "-x.mkv", "two words.mkv", "Grüße ñandú.mkv"}) {
        RunOptions options = stopOncePartFile(work.path, 0);
        options.workDir = work.path;
        const RunResult run = runQuorvex({"--record", name, "--fps", "10"}, options);
        EXPECT_EQ(run.status, 130) << name << ": " << run.stderrText;
        EXPECT_EQ(run.stdoutText, "") << name;
        // Both video forms are H.264: 4:2:0 in .mp4, the lossless RGB planes in .mkv.
        const std::string format = name.back() == '4' ? "h264\nyuv420p" : "h264\ngbrp";
        EXPECT_EQ(ffprobe(work.file(name), "v:0", "stream=codec_name,pix_fmt"), format) << name;
        const std::vector<std::string> listed = listDir(work.path);
        EXPECT_EQ(std::set<std::string>(listed.begin(), listed.end()), (std::set<std::string>{"data", name}));
        unlink(work.file(name).c_str());
    }
}

TEST(RecorderOutputs, OverwriteReplacesAnEarlierVideo) {
    TempDir dir;
    writeFile(dir.file("demo.mkv"), {'o', 'l', 'd'});
    const RunResult run = runQuorvex({"--record", dir.file("demo.mkv"), "--overwrite"}, stopOncePartFile(dir.path, 0));
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
    writeFile(out + "/.frame_000500.png.part", {'o', 'l', 'd'});  // left by an ended process
    const RunResult run = runQuorvex({"--record", out, "--overwrite"}, stopAtFrame(out, 1));
    EXPECT_EQ(run.status, 130) << run.stderrText;
    EXPECT_EQ(soundtrackSampleFrames(out), wholeFrames(out) * 735);  // no old frame after the new ones
    EXPECT_EQ(readFile(out + "/notes.txt"), (std::vector<unsigned char>{'k', 'e', 'e', 'p'}));
}

// Started with its standard streams closed (`2>&- >&- <&-`), the recorder keeps its progress
// lines out of the files it writes: the soundtrack holds exactly the frames' sound. Started
// with nobody reading standard error, it loses its lines, even the first, never the recording:
// a `Data` of photos in the working directory is passed over with a line before anything else.
TEST(RecorderOutputs, StandardStreamsClosedOrUnreadReachNoFile) {
    for (const bool closed : {true, false}) {
        TempDir dir;
        makeTestDirectories(dir.file("Data/photos"));
        const std::string out = dir.file("frames");
        RunOptions options = stopAtFrame(out, 3);
        options.workDir = dir.path;
        options.closedStreams = closed;
        options.stderrReaderGone = !closed;
        EXPECT_EQ(runQuorvex({"--record", out, "--fps", "5"}, options).status, 130) << closed;
        EXPECT_EQ(soundtrackSampleFrames(out), wholeFrames(out) * 8820) << closed;
    }
}

// A second recording into an output that a running one is making is refused, --overwrite or
// not, through a link to it as well, and the first goes on undisturbed.
TEST(RecorderOutputs, ASecondRecordingIntoTheSameOutputIsRefused) {
    const std::pair<const char*, const char*> cases[] = {
        {"busy.mkv", "busy.mkv"}, {"busy", "busy"}, {"busy.mkv", "alias.mkv"}};
    for (const auto& [name, secondName] : cases) {
        TempDir dir;
        const std::string out = dir.file(name);
        if (std::string(name) != secondName) {  // an earlier recording, replaced by the first run
            writeFile(out, {1});
            ASSERT_EQ(symlink(name, dir.file(secondName).c_str()), 0);
        }
        const size_t before = listDir(dir.path).size();
        RunResult second;
        RunOptions first;
        // The second starts once the hidden video and ffmpeg's account of it, or the soundtrack,
        // exist; the first is stopped once it has frames to keep.
        first.interruptWhen = [&](const std::string&) {
            const bool begun = listDir(dir.path).size() >= before + 2 || pathExists(out + "/soundtrack.wav");
            if (begun && second.status < 0) second = runQuorvex({"--record", dir.file(secondName), "--overwrite"});
            return pathExists(frameName(out, 3)) || holdsPartFile(dir.path, 1 << 20);
        };
        EXPECT_EQ(runQuorvex({"--record", out, "--fps", "5", "--overwrite"}, first).status, 130) << name;
        EXPECT_EQ(second.status, 2) << secondName << ": " << second.stderrText;
        EXPECT_NE(second.stderrText.find("another run"), std::string::npos) << second.stderrText;
        EXPECT_GT(std::string(name) == "busy" ? wholeFrames(out) : videoFrames(out), 0) << name;
    }
}

// Only a file or frame directory the recorder could have made is ever replaced: a device, a
// pipe or a link that leads nowhere is refused before any work, --overwrite or not.
TEST(RecorderOutputs, RefusesWhatItWouldNotHaveMade) {
    struct Case {
        const char* what;
        const char* out;
        std::vector<std::string> extra;
    };
    const Case cases[] = {
        {"a pipe as the video", "pipe.mkv", {"--overwrite"}},
        {"a link to a pipe", "linked.mkv", {"--overwrite"}},
        {"a link to nothing", "dangling.mkv", {}},
        {"a link to nothing, overwritten", "dangling.mkv", {"--overwrite"}},
        {"a link to nothing as the frame directory", "dangling", {}},
        {"a pipe as the frames' soundtrack", "frames", {"--overwrite"}},
    };
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.file("pipe.mkv").c_str(), 0644), 0);
    ASSERT_EQ(symlink("pipe.mkv", dir.file("linked.mkv").c_str()), 0);
    ASSERT_EQ(symlink("missing.mkv", dir.file("dangling.mkv").c_str()), 0);
    ASSERT_EQ(symlink("missing", dir.file("dangling").c_str()), 0);
    writeFile(dir.file("frames/frame_000000.png"), {'o', 'l', 'd'});
    ASSERT_EQ(mkfifo(dir.file("frames/soundtrack.wav").c_str(), 0644), 0);
    const std::vector<std::string> before = listDir(dir.path);
    for (const Case& c : cases) {
        std::vector<std::string> args = {"--record", dir.file(c.out)};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const RunResult run = runQuorvex(args);
        EXPECT_EQ(run.status, 2) << c.what << ": " << run.stderrText;
        EXPECT_NE(run.stderrText.find(c.out), std::string::npos) << c.what << ": " << run.stderrText;
        EXPECT_EQ(listDir(dir.path), before) << c.what;
    }
    struct stat info;
    EXPECT_TRUE(stat(dir.file("pipe.mkv").c_str(), &info) == 0 && S_ISFIFO(info.st_mode));
    EXPECT_EQ(readFile(dir.file("frames/frame_000000.png")), (std::vector<unsigned char>{'o', 'l', 'd'}));
}

// A picture the JPEG library cannot read ends a recording with status 1, as it ends the live
// demo; nothing of the recording is left to stand in the way of the next try.
TEST(RecorderOutputs, AFatalPictureErrorLeavesNothingBehind) {
    TempDir work;
    makeTestDirectories(work.file("data"));
    makeTestDirectories(work.file("existing"));
    const std::string data = buildDir() + "/data/";
    for (const char* name : {"font.bmp", "fontmask.bmp", "rymd.bmp", "particle.bmp", "muhsik.mp3"})
        ASSERT_EQ(symlink((data + name).c_str(), work.file(std::string("data/") + name).c_str()), 0) << name;
    const std::string picture = archivePictures[0].name;
    ASSERT_TRUE(writeZip(work.file("data/textures.zip"), {{picture, {'G', 'I', 'F', '8', '9', 'a', 0, 0}}}));
    for (const char* out : {"new.mkv", "new-frames", "existing"}) {
        RunOptions options;
        options.workDir = work.path;
        const RunResult run = runQuorvex({"--record", out}, options);
        EXPECT_EQ(run.status, 1) << out << ": " << run.stderrText;
        EXPECT_NE(run.stderrText.find("quorvex: picture '" + picture + "': Not a JPEG file"), std::string::npos)
            << out << ": " << run.stderrText;
        EXPECT_EQ(listDir(work.path), (std::vector<std::string>{"data", "existing"})) << out;
        EXPECT_TRUE(listDir(work.file("existing")).empty()) << out;
    }
}

// A full disk (here: a limit on the size of any file) stops a frame recording with status 1
// and one line that names the file that failed; what stays is whole frames and their sound,
// and without a frame nothing at all.
TEST(RecorderOutputs, AFullDiskLeavesWholeFramesAndTheirSound) {
    struct Case {
        int fps;
        long limit;
        const char* failing;  // at 60 fps a frame outgrows the limit first, at 1 fps the sound
        bool framesKept;      // the first frame fits (frames 0 and 1 of the demo: 240 and 250 KB)
    };
    for (const Case& c : {Case{60, 245000, "/frame_0", true}, Case{1, 300000, "/soundtrack.wav", true},
                          Case{1, 3000, "/soundtrack.wav", false}}) {
        TempDir dir;
        const std::string out = dir.file("frames");
        RunOptions options;
        options.fileSizeLimit = c.limit;
        const RunResult run = runQuorvex({"--record", out, "--fps", std::to_string(c.fps)}, options);
        EXPECT_EQ(run.status, 1) << run.stderrText;
        EXPECT_NE(run.stderrText.find("cannot write '" + out + c.failing), std::string::npos) << run.stderrText;
        EXPECT_NE(run.stderrText.find("File too large"), std::string::npos) << run.stderrText;
        EXPECT_EQ(run.stderrText.find("libpng"), std::string::npos) << run.stderrText;
        if (!c.framesKept) {
            EXPECT_FALSE(pathExists(out)) << run.stderrText;
            continue;
        }
        const long frames = wholeFrames(out);
        EXPECT_GT(frames, 0) << run.stderrText;
        EXPECT_EQ(soundtrackSampleFrames(out), frames * (44100 / c.fps)) << c.fps << " fps";
    }
}
