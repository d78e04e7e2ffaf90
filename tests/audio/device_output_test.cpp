// The soundtrack on a real SDL audio device (the disk driver, which writes what reaches it to
// a file), and start-up without any device: silent, complete, chrome mode still set.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "audio/soundtrack.h"
#include "mp3_fixture.h"
#include "platform/gl.h"
#include "platform/platform.h"
#include "shell/startup.h"
#include "support/gl_test_context.h"
#include "support/portable.h"
#include "support/temp_dir.h"

namespace {
const long bytesPerSecond = 44100 * 4;

// SDL reads the driver choice each time the audio subsystem comes up, so it can change per test.
struct AudioDriver {
    AudioDriver(const char* driver, const std::string& file) {
        setTestEnvironment("SDL_AUDIODRIVER", driver);
        setTestEnvironment("SDL_DISKAUDIOFILE", file);
#if defined(_WIN32)
        // SDL's getenv on Windows hands out one shared buffer: reading the delay would
        // overwrite the file name it has just read, so there the device keeps real time.
        unsetTestEnvironment("SDL_DISKAUDIODELAY");
#else
        setTestEnvironment("SDL_DISKAUDIODELAY", "4");  // about six times real time
#endif
    }
    ~AudioDriver() {
        stopMusic();
        setTestEnvironment("SDL_AUDIODRIVER", "dummy");
    }
};

long fileSize(const std::string& path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 ? static_cast<long>(info.st_size) : -1;
}

bool waitForSize(const std::string& path, long bytes) {
    for (int i = 0; i < 3000 && fileSize(path) < bytes; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return fileSize(path) >= bytes;
}

std::vector<int16_t> readSamples(const std::string& path) {
    const std::vector<unsigned char> bytes = readFile(path);
    std::vector<int16_t> samples(bytes.size() / 2);
    std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

// Where the music starts in the device output: the device ran silent until the unpause.
// Checks that everything after that is the reference's opening, without a gap or a repeat,
// up to the stop, and returns how many samples matched. The device may pull one more buffer
// between the stop and its close; that tail must be silence.
size_t matchFromStart(const std::vector<int16_t>& output, const std::vector<int16_t>& reference) {
    const size_t lead = firstNonZero(reference);
    const size_t start = firstNonZero(output);
    EXPECT_GE(start, lead);
    if (start < lead) return 0;
    const size_t offset = start - lead;
    EXPECT_EQ(offset % 2, 0u) << "the music starts between the samples of one frame";
    const size_t count = std::min(output.size() - offset, reference.size());
    for (size_t i = 0; i < count; ++i) {
        if (output[offset + i] == reference[i]) continue;
        if (firstNonZero(output, offset + i) < output.size())
            ADD_FAILURE() << "first difference at sample " << i << " of " << count << ", and sound after it";
        return i;
    }
    return count;
}

// A test track of the given length in a scratch directory, played to the disk device.
struct DiskDeviceRun {
    explicit DiskDeviceRun(double seconds)
        : mp3(encodeTestMp3(seconds)), reference(referenceDecode(mp3)) {
        writeMusicFile(dir.path, mp3);
    }
    TempDir dir;
    const std::vector<unsigned char> mp3;
    const ReferenceDecode reference;
    ScopedChdir inside{dir.path};
    const std::string out = dir.file("device.raw");
    AudioDriver driver{"disk", out};
};
}  // namespace

TEST(DeviceOutput, TheDeviceGetsTheExactDecodeInOrderAndStopEndsIt) {
    const DiskDeviceRun run(7.0);
    const std::string& out = run.out;
    ASSERT_EQ(startMusic(), 1);
    ASSERT_TRUE(waitForSize(out, 6 * bytesPerSecond));
    stopMusic();
    const long stopped = fileSize(out);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(fileSize(out), stopped) << "the device went on after stopMusic";

    const size_t matched = matchFromStart(readSamples(out), run.reference.samples);
    EXPECT_GE(matched, static_cast<size_t>(5 * 44100 * 2));
}

TEST(DeviceOutput, ReCreationStartsTheDeviceOutputAgainAtTheFirstSample) {
    const DiskDeviceRun run(4.0);
    const std::string& out = run.out;
    ASSERT_EQ(startMusic(), 1);
    ASSERT_TRUE(waitForSize(out, bytesPerSecond));
    stopMusic();
    ASSERT_EQ(startMusic(), 1);
    ASSERT_TRUE(waitForSize(out, 2 * bytesPerSecond));
    stopMusic();
    // The device file was started afresh; it must hold the opening once, not a continuation.
    EXPECT_GE(matchFromStart(readSamples(out), run.reference.samples), static_cast<size_t>(44100 * 2));
}

namespace {
int answerAnyBox(const char*, const char*, PlatformButtons, PlatformIcon) { return PLATFORM_ANSWER_OK; }
}  // namespace

class NoDevice : public GlTest {};

TEST_F(NoDevice, StartUpCompletesSilentAndStillSetsTheSphereMap) {
    TempDir dir;
    writeMusicFile(dir.path, encodeTestMp3(1.0));
    ScopedChdir chdir(dir.path);
    AudioDriver driver("no-such-driver", dir.file("unused.raw"));
    platformSetMessageBoxHook(answerAnyBox);  // the pictures are missing here; their boxes are not the point
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);

    EXPECT_EQ(runStartup(), 1);
    platformSetMessageBoxHook(nullptr);
    EXPECT_EQ(soundtrack.musicChannel, -1);
    GLint modeS = 0;
    GLint modeT = 0;
    glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &modeS);
    glGetTexGeniv(GL_T, GL_TEXTURE_GEN_MODE, &modeT);
    EXPECT_EQ(modeS, GL_SPHERE_MAP);
    EXPECT_EQ(modeT, GL_SPHERE_MAP);
    EXPECT_EQ(startMusic(), 0);
    stopMusic();
    EXPECT_EQ(soundtrack.musicImage, nullptr);
}

TEST(DeviceOutput, AFailedDeviceSaysNothing) {
    TempDir dir;
    writeMusicFile(dir.path, encodeTestMp3(0.5));
    ScopedChdir chdir(dir.path);
    AudioDriver driver("alsa", dir.file("unused.raw"));
    setTestEnvironment("AUDIODEV", "hw:99,0");  // a card no machine has
    std::fflush(stderr);
    const int savedStderr = dup(2);
    std::FILE* capture = std::fopen(dir.file("stderr.txt").c_str(), "w");
    ASSERT_NE(capture, nullptr);
    dup2(fileno(capture), 2);
    const int started = startMusic();
    stopMusic();
    std::fflush(stderr);
    dup2(savedStderr, 2);
    close(savedStderr);
    std::fclose(capture);
    unsetTestEnvironment("AUDIODEV");
    EXPECT_EQ(started, 0);
    const std::vector<unsigned char> said = readFile(dir.file("stderr.txt"));
    EXPECT_TRUE(said.empty()) << std::string(said.begin(), said.end());
}
