// The sound layer under the soundtrack, pulled through the capture mode: files at other rates
// and channel counts play at the right speed, channels mix and pan, streams end once.
#include <gtest/gtest.h>

#include <cmath>

#include "audio/sound.h"
#include "mp3_fixture.h"
#include "platform/platform.h"

namespace {
std::vector<int16_t> pull(int frames) {
    std::vector<int16_t> out(static_cast<size_t>(frames) * 2);
    platformPullAudio(out.data(), frames);
    return out;
}

// Energy of one frequency in one channel of 44.1 kHz stereo (Goertzel).
double toneEnergy(const std::vector<int16_t>& stereo, int channel, double hz, size_t frames) {
    const double coefficient = 2.0 * std::cos(6.283185307179586 * hz / 44100.0);
    double previous = 0.0;
    double older = 0.0;
    for (size_t i = 0; i < frames; ++i) {
        const double current = stereo[i * 2 + static_cast<size_t>(channel)] + coefficient * previous - older;
        older = previous;
        previous = current;
    }
    return previous * previous + older * older - coefficient * previous * older;
}

size_t soundingFrames(const std::vector<int16_t>& stereo) {
    size_t last = stereo.size();
    while (last > 0 && stereo[last - 1] == 0) --last;
    return (last + 1) / 2;
}

class SoundLayer : public ::testing::Test {
protected:
    void SetUp() override {
        platformUseAudioCapture(1);
        ASSERT_EQ(soundInit(44100, 4, 0), 1);
    }
    void TearDown() override {
        for (SoundStream* stream : streams) soundStreamClose(stream);
        soundClose();
        platformUseAudioCapture(0);
    }
    SoundStream* open(const std::vector<unsigned char>& mp3) {
        SoundStream* stream = soundStreamOpen(mp3.data(), SOUND_LOADMEMORY, static_cast<int>(mp3.size()));
        if (stream) streams.push_back(stream);
        return stream;
    }
    std::vector<SoundStream*> streams;
};

int endCalls = 0;
SoundStream* endedStream = nullptr;
int countEnd(SoundStream* stream, void*, int, void* user) {
    ++endCalls;
    endedStream = stream;
    EXPECT_EQ(user, &endCalls);
    return 1;
}
}  // namespace

TEST_F(SoundLayer, FilesAtOtherRatesAndMonoPlayAtTheRightSpeedInStereo) {
    struct Case { int rate; int channels; };
    for (const Case& c : {Case{22050, 1}, Case{48000, 2}, Case{32000, 2}, Case{44100, 1}}) {
        SCOPED_TRACE(std::to_string(c.rate) + " Hz, " + std::to_string(c.channels) + " channel(s)");
        const std::vector<unsigned char> mp3 = encodeTestMp3(1.0, c.rate, c.channels);
        SoundStream* stream = open(mp3);
        ASSERT_NE(stream, nullptr);
        const int channel = soundStreamPlay(SOUND_FREE, stream, nullptr, 0);
        ASSERT_GE(channel, 0);
        const std::vector<int16_t> out = pull(60000);
        EXPECT_NEAR(static_cast<double>(soundingFrames(out)), 44100.0, 44100.0 * 0.03);
        // The left side's 440 Hz tone stays at 440 Hz: not an octave off either way.
        const double atTone = toneEnergy(out, 0, 440.0, 40000);
        EXPECT_GT(atTone, 20.0 * toneEnergy(out, 0, 220.0, 40000));
        EXPECT_GT(atTone, 20.0 * toneEnergy(out, 0, 880.0, 40000));
        if (c.channels == 1) {
            for (size_t i = 0; i < 80000; i += 2) ASSERT_EQ(out[i], out[i + 1]) << i;
        } else {
            EXPECT_GT(toneEnergy(out, 1, 660.0, 40000), 20.0 * toneEnergy(out, 1, 440.0, 40000));
        }
        EXPECT_EQ(soundIsPlaying(channel), 0);
    }
    // Mixing rates far from the file's: big steps through the source, and fine ones.
    const std::vector<unsigned char> mp3 = encodeTestMp3(1.0);
    for (int rate : {8000, 96000}) {
        SCOPED_TRACE("mixing at " + std::to_string(rate) + " Hz");
        ASSERT_EQ(soundInit(rate, 4, 0), 1);
        const int channel = soundStreamPlay(SOUND_FREE, open(mp3), nullptr, 0);
        ASSERT_GE(channel, 0);
        std::vector<int16_t> out(static_cast<size_t>(rate) * 3);
        platformPullAudio(out.data(), rate * 3 / 2);
        EXPECT_NEAR(static_cast<double>(soundingFrames(out)), rate, rate * 0.03);
    }
}

TEST_F(SoundLayer, ChannelsAreHandedOutMixedAndPanned) {
    const std::vector<unsigned char> mp3 = encodeTestMp3(0.5);
    const std::vector<int16_t> reference = referenceDecode(mp3).samples;
    SoundStream* first = open(mp3);
    SoundStream* second = open(mp3);
    EXPECT_EQ(soundStreamPlay(SOUND_FREE, first, nullptr, 1), 0);
    EXPECT_EQ(soundStreamPlay(SOUND_FREE, second, nullptr, 1), 1);
    EXPECT_EQ(soundStreamPlay(SOUND_FREE, first, nullptr, 0), -1) << "a stream plays on one channel";
    EXPECT_EQ(soundStreamPlay(7, open(mp3), nullptr, 0), -1) << "no channel 7 of 4";
    EXPECT_EQ(soundIsPlaying(0), 0) << "started paused";

    EXPECT_EQ(soundSetPaused(0, 0), 1);
    EXPECT_EQ(soundSetPaused(1, 0), 1);
    std::vector<int16_t> out = pull(4000);
    for (size_t i = 0; i < out.size(); ++i)
        ASSERT_EQ(out[i], std::clamp(2 * reference[i], -32768, 32767)) << i;

    // Hard left on one, hard right on the other: each side carries one stream alone.
    EXPECT_EQ(soundSetPan(0, 0), 1);
    EXPECT_EQ(soundSetPan(1, 255), 1);
    EXPECT_EQ(soundSetPan(1, 256), 0);
    out = pull(4000);
    for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], reference[8000 + i]) << i;
    EXPECT_EQ(soundSetPan(0, SOUND_STEREOPAN), 1);
    EXPECT_EQ(soundSetPaused(1, 1), 1);
    out = pull(4000);
    for (size_t i = 0; i < out.size(); ++i) ASSERT_EQ(out[i], reference[16000 + i]) << i;
}

TEST_F(SoundLayer, AStreamEndsOnceFreesItsChannelAndStaysOpen) {
    const std::vector<unsigned char> mp3 = encodeTestMp3(0.3);
    SoundStream* stream = open(mp3);
    endCalls = 0;
    ASSERT_EQ(soundStreamSetEndCallback(stream, countEnd, &endCalls), 1);
    ASSERT_EQ(soundStreamPlay(SOUND_FREE, stream, nullptr, 0), 0);
    pull(44100);
    pull(44100);
    EXPECT_EQ(endCalls, 1);
    EXPECT_EQ(endedStream, stream);
    EXPECT_EQ(soundIsPlaying(0), 0);
    EXPECT_EQ(soundSetPaused(0, 0), 0) << "the channel is free again";
    EXPECT_EQ(soundStreamPlay(SOUND_FREE, stream, nullptr, 0), -1) << "nothing left to play";
}

TEST_F(SoundLayer, WithoutADeviceStreamsOpenButNothingPlays) {
    soundClose();
    const std::vector<unsigned char> mp3 = encodeTestMp3(0.3);
    SoundStream* stream = open(mp3);
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(soundStreamPlay(SOUND_FREE, stream, nullptr, 0), -1);
    EXPECT_EQ(soundStreamOpen(mp3.data(), SOUND_MONO, static_cast<int>(mp3.size())), nullptr)
        << "only memory streams exist";

    ASSERT_EQ(soundSetOutput(SOUND_OUTPUT_NONE), 1);
    EXPECT_EQ(soundInit(44100, 4, 0), 0);
    EXPECT_EQ(soundStreamPlay(SOUND_FREE, stream, nullptr, 0), -1);
    ASSERT_EQ(soundSetOutput(SOUND_OUTPUT_SYSTEM), 1);
    ASSERT_EQ(soundInit(44100, 4, 0), 1);
    EXPECT_EQ(soundSetOutput(SOUND_OUTPUT_NONE), 0) << "the output is chosen before opening";
    EXPECT_EQ(soundStreamPlay(SOUND_FREE, stream, nullptr, 0), 0);
}

TEST_F(SoundLayer, DamagedFilesAtAnyMixingRateEndCleanly) {
    const std::vector<unsigned char> clean48 = encodeTestMp3(0.4, 48000, 2);
    const std::vector<unsigned char> clean22 = encodeTestMp3(0.4, 22050, 1);
    const int rates[] = {8000, 22050, 44100, 96000};
    uint32_t seed = 7;
    auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
    for (int round = 0; round < 120; ++round) {
        const int rate = rates[round % 4];
        ASSERT_EQ(soundInit(rate, 4, 0), 1);
        std::vector<unsigned char> mp3 = round % 2 ? clean48 : clean22;
        for (uint32_t flips = 1 + next() % 40; flips > 0; --flips)
            mp3[next() % mp3.size()] ^= static_cast<unsigned char>(1u << (next() % 8));
        if (round % 3 == 0) mp3.resize(1 + next() % mp3.size());
        SoundStream* stream = open(mp3);
        if (!stream) continue;
        const int channel = soundStreamPlay(SOUND_FREE, stream, nullptr, 0);
        // Damage may shorten the music or stretch it a little, but it always comes to an end.
        int pulls = 0;
        while (channel >= 0 && soundIsPlaying(channel) && pulls < 50) {
            pull(rate / 10);
            ++pulls;
        }
        EXPECT_LT(pulls, 50) << "round " << round;
    }
}
