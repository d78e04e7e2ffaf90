// Tests of the soundtrack generator: the MP3 decoded as the demo decodes it, its loudness,
// peaks and shape over the timeline, byte-for-byte determinism, and the mastering pieces.
#include <ebur128.h>
#include <gtest/gtest.h>
#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "media.h"
#include "music/master.h"
#include "music/voices.h"
#include "support/portable.h"
#include "support/temp_dir.h"

namespace {

struct Decoded {
    long rate = 0;
    int channels = 0;
    int bitrate = 0;
    bool constantRate = false;
    std::vector<float> samples;  // interleaved
    double seconds() const { return channels && rate ? samples.size() / double(channels) / rate : 0; }
};

Decoded decodeMp3(const std::string& path) {
    Decoded out;
    mpg123_init();
    std::unique_ptr<mpg123_handle, void (*)(mpg123_handle*)> handle(mpg123_new(nullptr, nullptr), mpg123_delete);
    if (!handle) return out;
    mpg123_format_none(handle.get());
    mpg123_format(handle.get(), 44100, MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
    if (mpg123_open(handle.get(), path.c_str()) != MPG123_OK) return out;
    int encoding = 0;
    if (mpg123_getformat(handle.get(), &out.rate, &out.channels, &encoding) != MPG123_OK) return out;
    mpg123_frameinfo info{};
    if (mpg123_info(handle.get(), &info) == MPG123_OK) {
        out.bitrate = info.bitrate;
        out.constantRate = info.vbr == MPG123_CBR;
    }
    std::vector<unsigned char> buffer(1 << 16);
    for (;;) {
        size_t done = 0;
        const int status = mpg123_read(handle.get(), buffer.data(), buffer.size(), &done);
        const float* floats = reinterpret_cast<const float*>(buffer.data());
        out.samples.insert(out.samples.end(), floats, floats + done / sizeof(float));
        if (status != MPG123_OK) break;
    }
    mpg123_close(handle.get());
    return out;
}

// RMS level in dBFS of both channels between two second marks.
double levelDb(const Decoded& audio, double from, double to) {
    const size_t first = size_t(from * audio.rate) * 2, last = std::min(size_t(to * audio.rate) * 2, audio.samples.size());
    double sum = 0;
    for (size_t i = first; i < last; ++i) sum += double(audio.samples[i]) * audio.samples[i];
    return 10 * std::log10(sum / std::max<size_t>(1, last - first) + 1e-20);
}

Stereo fromDecoded(const Decoded& audio) {
    Stereo programme;
    for (size_t i = 0; i + 1 < audio.samples.size(); i += 2) {
        programme.left.push_back(audio.samples[i]);
        programme.right.push_back(audio.samples[i + 1]);
    }
    return programme;
}

void expectCdStereoAtConstantRate(const Decoded& audio) {
    EXPECT_EQ(audio.rate, 44100);
    EXPECT_EQ(audio.channels, 2);
    EXPECT_EQ(audio.bitrate, 160);
    EXPECT_TRUE(audio.constantRate);
    EXPECT_NEAR(audio.seconds(), 100.0, 1.0);
}

void expectStreamingLoudnessWithHeadroomAndNoDc(const Decoded& audio) {
    float peak = 0;
    double sums[2] = {0, 0};
    for (size_t i = 0; i < audio.samples.size(); ++i) {
        peak = std::max(peak, std::fabs(audio.samples[i]));
        sums[i % 2] += audio.samples[i];
    }
    EXPECT_LE(peak, std::pow(10.0, -1.0 / 20));
    const double frames = audio.samples.size() / 2.0;
    EXPECT_LT(std::fabs(sums[0] / frames), 1e-3);
    EXPECT_LT(std::fabs(sums[1] / frames), 1e-3);
    const Loudness loudness = measureLoudness(fromDecoded(audio), false);
    EXPECT_NEAR(loudness.integratedLufs, -14.0, 0.5);
}

void expectSectionsOfTheTimeline(const Decoded& audio) {
    const double opening = levelDb(audio, 1, 15), drop = levelDb(audio, 50.5, 67.5);
    const double breakdown = levelDb(audio, 47.5, 49.5), ending = levelDb(audio, 99.92, 100);
    EXPECT_GT(drop - opening, 6) << "the intro should build up to the drop";
    EXPECT_GT(drop - breakdown, 3) << "the beat should stop while the picture fades";
    EXPECT_LT(ending, -60) << "the piece should have died away before the file ends";
    for (double second : {20.0, 40.0, 60.0, 75.0, 88.0}) {
        EXPECT_GT(levelDb(audio, second, second + 2), -30) << "silence at " << second;
    }
}

// One test, because each generation costs seconds: two runs, then the decoded file itself.
TEST(Soundtrack, TwoRunsWriteTheSameMasteredHundredSecondMp3) {
    TempDir first, second;
    ASSERT_EQ(generateSoundtrack(first.path), 1);
    ASSERT_EQ(generateSoundtrack(second.path), 1);
    const std::vector<unsigned char> a = readFile(first.file("muhsik.mp3")), b = readFile(second.file("muhsik.mp3"));
    ASSERT_GT(a.size(), 1000000u);
    EXPECT_TRUE(a == b) << "the two runs differ";

    const Decoded audio = decodeMp3(first.file("muhsik.mp3"));
    ASSERT_FALSE(audio.samples.empty());
    expectCdStereoAtConstantRate(audio);
    ASSERT_NEAR(audio.seconds(), 100.0, 1.0);
    expectStreamingLoudnessWithHeadroomAndNoDc(audio);
    expectSectionsOfTheTimeline(audio);
}

TEST(Soundtrack, ReportsFailureWhenTheFileCannotBeWritten) {
    TempDir dir;
    EXPECT_EQ(generateSoundtrack(dir.file("missing/subdir")), 0);
}

// A quiet tone with a few loud bursts: the limiter must catch every burst before it
// happens and leave the quiet stretches far from them untouched.
TEST(Mastering, LimiterCatchesEveryPeakAndRecovers) {
    Stereo programme;
    const size_t frames = 44100 * 3;
    for (size_t i = 0; i < frames; ++i) {
        const float tone = 0.2f * float(std::sin(i * 2 * testPi * 220 / 44100));
        const bool burst = (i % 44100) > 22050 && (i % 44100) < 22050 + 300;
        programme.left.push_back(burst ? tone * 8 : tone);
        programme.right.push_back(burst ? -tone * 7 : tone * 0.5f);
    }
    const Stereo original = programme;
    limitPeaks(programme, 0.5f);
    for (size_t i = 0; i < frames; ++i) {
        ASSERT_LE(std::fabs(programme.left[i]), 0.5f) << i;
        ASSERT_LE(std::fabs(programme.right[i]), 0.5f) << i;
    }
    for (size_t i : {size_t(1000), size_t(44100 + 20000), size_t(44100 * 2 + 10000)}) {
        EXPECT_NEAR(programme.left[i], original.left[i], 0.005f * std::fabs(original.left[i])) << i;
    }
}

TEST(Mastering, BringsAnyProgrammeToTheTargetLoudnessUnderTheCeiling) {
    for (float scale : {0.02f, 0.9f}) {
        Stereo programme;
        Noise noise{12345};
        for (size_t i = 0; i < 44100 * 4; ++i) {
            const float beat = (i % 22050) < 2000 ? 3.0f : 1.0f;
            programme.left.push_back(scale * beat * (0.3f * float(std::sin(i * 0.05)) + 0.1f * noise.next()));
            programme.right.push_back(scale * beat * (0.3f * float(std::sin(i * 0.031)) + 0.1f * noise.next()));
        }
        const Loudness result = masterProgramme(programme, -14, -1.5);
        EXPECT_NEAR(result.integratedLufs, -14, 0.3) << scale;
        EXPECT_LE(result.truePeakDb, -1.5) << scale;
        const Loudness measured = measureLoudness(programme, true);
        EXPECT_NEAR(measured.integratedLufs, result.integratedLufs, 0.01);
    }
}

// The kick's pump ducks the ducked bus, and the mixdown leaves no DC behind.
TEST(Mastering, MixdownPumpsTheDuckedBusAndRemovesDc) {
    Mixer mixer = makeMixer(3.0);
    for (size_t i = 0; i < mixer.frames; ++i) {
        const float tone = 0.25f * float(std::sin(i * 2 * testPi * 1000 / 44100));
        mixer.main.left[i] = 0.3f;  // pure offset: must vanish
        mixer.ducked.left[i] = mixer.ducked.right[i] = tone;
        if (i >= 44100 && i < 88200) mixer.pump[i] = 0.25f;
    }
    const Stereo out = mixDown(mixer);
    const auto rms = [&](const std::vector<float>& channel, size_t from, size_t to) {
        double sum = 0;
        for (size_t i = from; i < to; ++i) sum += double(channel[i]) * channel[i];
        return std::sqrt(sum / double(to - from));
    };
    const auto mean = [&](const std::vector<float>& channel, size_t from, size_t to) {
        double sum = 0;
        for (size_t i = from; i < to; ++i) sum += channel[i];
        return sum / double(to - from);
    };
    const double open = rms(out.right, 22050, 44100), ducked = rms(out.right, 60000, 88000);
    EXPECT_NEAR(ducked / open, 0.25, 0.03);
    EXPECT_LT(std::fabs(mean(out.left, 100000, 132300)), 1e-3);
    EXPECT_LT(std::fabs(mean(out.right, 100000, 132300)), 1e-3);
}

TEST(Voices, NoiseIsRepeatableBoundedAndCentred) {
    Noise a{99}, b{99}, c{100};
    double sum = 0;
    int differ = 0;
    for (int i = 0; i < 100000; ++i) {
        const float x = a.next(), y = b.next(), z = c.next();
        ASSERT_EQ(x, y);
        ASSERT_GE(x, -1.0f);
        ASSERT_LE(x, 1.0f);
        differ += x != z;
        sum += x;
    }
    EXPECT_GT(differ, 99000);
    EXPECT_LT(std::fabs(sum / 100000), 0.01);
}

// Every voice starts from and returns to silence, so notes never click at their edges.
TEST(Voices, EveryNoteBeginsAndEndsAtSilence) {
    using Play = void (*)(Mixer&);
    const Play voices[] = {
        [](Mixer& m) { padNote(m, Route{&m.main, 0, 0, 0}, Note{0.1, 0.5, 57, 1}, 0.2f, 0.8f); },
        [](Mixer& m) { bassNote(m, Route{&m.main, 0, 0, 0}, Note{0.1, 0.2, 33, 1}, 0.5f); },
        [](Mixer& m) { leadNote(m, Route{&m.main, 0, 0, 0}, Note{0.1, 0.7, 72, 1}, 0.8f); },
        [](Mixer& m) { pluckNote(m, Route{&m.main, 0, 0, 0}, Note{0.1, 0.1, 76, 1}, 0.8f); },
        [](Mixer& m) { brassNote(m, Route{&m.main, 0, 0, 0}, Note{0.1, 0.6, 52, 1}, 0.5f); },
        [](Mixer& m) { bellNote(m, Route{&m.main, 0, 0, 0}, Note{0.1, 0.2, 88, 1}); },
        [](Mixer& m) { kick(m, 0.1, 1, 0.5f); },
        [](Mixer& m) { snare(m, 0.1, 1, 0); },
        [](Mixer& m) { hat(m, 0.1, 1, true, 0); },
        [](Mixer& m) { tom(m, 0.1, 45, 1); },
        [](Mixer& m) { crash(m, 0.1, 1); },
        [](Mixer& m) { riser(m, 0.1, 1.0, 1); },
        [](Mixer& m) { boom(m, 0.1, 1); },
    };
    for (size_t v = 0; v < std::size(voices); ++v) {
        Mixer mixer = makeMixer(4.0);
        voices[v](mixer);
        const std::vector<float>& out = mixer.main.left;
        const auto sounding = [](float s) { return s != 0.0f; };
        const auto first = std::find_if(out.begin(), out.end(), sounding);
        ASSERT_NE(first, out.end()) << "voice " << v << " is silent";
        const auto last = std::find_if(out.rbegin(), out.rend(), sounding);
        const float peak = std::fabs(*std::max_element(out.begin(), out.end(), [](float a, float b) { return std::fabs(a) < std::fabs(b); }));
        const size_t onset = size_t(first - out.begin());
        EXPECT_TRUE(onset >= frameAt(0.1) && onset <= frameAt(0.1) + 2) << "voice " << v << " starts at " << onset;
        EXPECT_LT(std::fabs(*first), 0.05f * peak) << "voice " << v << " starts with a step";
        EXPECT_LT(std::fabs(*last), 0.01f * peak) << "voice " << v << " stops with a step";
        EXPECT_LT(size_t(last.base() - out.begin()), out.size()) << "voice " << v << " rings past the mixer";
    }
}

}  // namespace
