// The soundtrack through the recorder's capture mode: exact samples from the first one,
// restarts, silence after the end or the stop, and every kind of unusable music file.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "audio/soundtrack.h"
#include "mp3_fixture.h"
#include "platform/platform.h"
#include "platform/process.h"
#include "support/portable.h"
#include "support/temp_dir.h"

namespace {
std::vector<int16_t> pull(int frames) {
    std::vector<int16_t> out(static_cast<size_t>(frames) * 2, 123);
    platformPullAudio(out.data(), frames);
    return out;
}

// Pulls `frames` the way the recorder does: 735 per frame at 60 frames per second.
std::vector<int16_t> pullLikeRecorder(int frames) {
    std::vector<int16_t> all;
    while (frames > 0) {
        const std::vector<int16_t> part = pull(std::min(frames, 735));
        all.insert(all.end(), part.begin(), part.end());
        frames -= 735;
    }
    return all;
}

bool allZero(const std::vector<int16_t>& samples) {
    return firstNonZero(samples) == samples.size();
}

class SoundtrackCapture : public ::testing::Test {
protected:
    void SetUp() override { platformUseAudioCapture(1); }
    void TearDown() override {
        stopMusic();
        platformUseAudioCapture(0);
    }
    TempDir dir;
};
}  // namespace

TEST_F(SoundtrackCapture, PlaysTheFileFromItsFirstSampleToItsEndThenSilence) {
    const std::vector<unsigned char> mp3 = encodeTestMp3(2.0);
    const ReferenceDecode reference = referenceDecode(mp3);
    ASSERT_EQ(reference.rate, 44100);
    ASSERT_EQ(reference.channels, 2);
    writeMusicFile(dir.path, mp3);
    ScopedChdir chdir(dir.path);

    ASSERT_EQ(startMusic(), 1);
    EXPECT_GE(soundtrack.musicChannel, 0);
    EXPECT_EQ(soundtrack.musicImageLength, static_cast<int>(mp3.size()));
    const int frames = static_cast<int>(reference.samples.size() / 2);
    const std::vector<int16_t> played = pullLikeRecorder(frames);
    EXPECT_TRUE(played == reference.samples);
    // No looping: once the file is done the channel stays silent.
    EXPECT_TRUE(allZero(pull(44100)));
}

TEST_F(SoundtrackCapture, EveryStartBeginsAgainAtTheFirstSampleAndStopSilences) {
    const std::vector<unsigned char> mp3 = encodeTestMp3(1.5);
    const ReferenceDecode reference = referenceDecode(mp3);
    writeMusicFile(dir.path, mp3);
    ScopedChdir chdir(dir.path);
    const std::vector<int16_t> opening(reference.samples.begin(), reference.samples.begin() + 2 * 22050);

    // Twenty window re-creations: each one plays the opening afresh and leaves nothing behind
    // (the sanitizer build turns any stray buffer or stream into a failure).
    for (int round = 0; round < 20; ++round) {
        ASSERT_EQ(startMusic(), 1) << round;
        EXPECT_TRUE(pullLikeRecorder(22050) == opening) << round;
        stopMusic();
        EXPECT_EQ(soundtrack.musicImage, nullptr);
        EXPECT_EQ(soundtrack.musicStream, nullptr);
        EXPECT_EQ(soundtrack.musicChannel, -1);
        EXPECT_TRUE(allZero(pull(2048))) << round;
    }
}

TEST_F(SoundtrackCapture, StopWithoutStartAndTwiceInARowIsHarmless) {
    ScopedChdir chdir(dir.path);
    stopMusic();
    stopMusic();
    writeMusicFile(dir.path, encodeTestMp3(0.5));
    ASSERT_EQ(startMusic(), 1);
    stopMusic();
    stopMusic();
    EXPECT_TRUE(allZero(pull(1024)));
    // A start that was never stopped is closed by the next start, not doubled.
    ASSERT_EQ(startMusic(), 1);
    ASSERT_EQ(startMusic(), 1);
    const ReferenceDecode reference = referenceDecode(encodeTestMp3(0.5));
    EXPECT_TRUE(pull(4096) == std::vector<int16_t>(reference.samples.begin(), reference.samples.begin() + 8192));
}

TEST_F(SoundtrackCapture, UnusableFilesGiveNoChannelAndSilence) {
    ScopedChdir chdir(dir.path);
    std::vector<unsigned char> garbage(50000);
    uint32_t seed = 99;
    for (unsigned char& byte : garbage) byte = static_cast<unsigned char>((seed = seed * 1103515245u + 12345u) >> 24);
    const std::string text = "This is not an MP3 file, only a few words of plain text.\n";
    const std::vector<std::vector<unsigned char>> files = {
        {}, garbage, std::vector<unsigned char>(text.begin(), text.end()), std::vector<unsigned char>(4096, 0xFF)};

    EXPECT_EQ(startMusic(), 0) << "missing file";
    EXPECT_EQ(soundtrack.musicChannel, -1);
    EXPECT_TRUE(allZero(pull(2048)));
    stopMusic();
    for (size_t i = 0; i < files.size(); ++i) {
        writeMusicFile(dir.path, files[i]);
        EXPECT_EQ(startMusic(), 0) << "file " << i;
        EXPECT_EQ(soundtrack.musicChannel, -1);
        EXPECT_EQ(soundtrack.musicStream, nullptr);
        EXPECT_TRUE(allZero(pull(2048)));
        stopMusic();
        EXPECT_EQ(soundtrack.musicImage, nullptr);
    }
}

TEST_F(SoundtrackCapture, TruncatedFilePlaysWhatItHoldsThenFallsSilent) {
    std::vector<unsigned char> mp3 = encodeTestMp3(2.0);
    mp3.resize(mp3.size() / 2 + 37);  // cut inside a frame
    const ReferenceDecode reference = referenceDecode(mp3);
    ASSERT_GT(reference.samples.size(), 2u * 30000);
    writeMusicFile(dir.path, mp3);
    ScopedChdir chdir(dir.path);

    ASSERT_EQ(startMusic(), 1);
    const std::vector<int16_t> played = pullLikeRecorder(static_cast<int>(reference.samples.size() / 2));
    EXPECT_TRUE(played == reference.samples);
    EXPECT_TRUE(allZero(pull(44100)));
}

#if !defined(_WIN32)  // pipes and devices in the file system are POSIX's
// Files that would never end or would fill memory: none is opened for reading, start-up goes
// on at once without music, and one line names the file and what is wrong with it.
TEST_F(SoundtrackCapture, PipesDevicesAndHugeFilesAreRefusedUnreadWithALine) {
    SKIP_WITHOUT_STDERR_CAPTURE();
    namespace fs = std::filesystem;
    ScopedChdir chdir(dir.path);
    writeMusicFile(dir.path, {1});
    const std::string music = dir.file("data/muhsik.mp3");
    const std::vector<std::pair<std::function<void()>, std::string>> cases = {
        {[&] { ASSERT_EQ(0, mkfifo(music.c_str(), 0600)); }, "is not a regular file"},  // nobody writes to it
        {[&] { fs::create_symlink("/dev/zero", music); }, "is not a regular file"},
        {[&] { fs::create_directory(music); }, "is not a regular file"},
        {[&] { writeFile(music, {1}), fs::resize_file(music, uint64_t(2) << 30); }, "is larger than 64 MiB"},
        {[&] { writeFile(music, std::vector<unsigned char>(4096, 0xFF)); }, "is not an MP3 stream that can be decoded"},
    };
    for (const auto& c : cases) {
        fs::remove_all(music);
        c.first();
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(startMusic(), 0) << c.second;
        EXPECT_EQ("quorvex: data/muhsik.mp3 " + c.second + "; the demo plays without music\n",
                  ::testing::internal::GetCapturedStderr());
        stopMusic();
    }
    EXPECT_LT(platformPeakResidentKb(), 300 * 1024) << "kB at the peak";
}
#endif
