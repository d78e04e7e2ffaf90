// Test MP3s from LAME and their reference decode by libmpg123 alone.
#include "mp3_fixture.h"

#include <lame/lame.h>
#include <mpg123.h>

#include <cmath>
#include <stdexcept>

#include "audio/mp3_decoder.h"
#include "support/temp_dir.h"

std::vector<unsigned char> encodeTestMp3(double seconds, int rate, int channels) {
    const int frames = static_cast<int>(seconds * rate);
    std::vector<short> left(static_cast<size_t>(frames)), right(static_cast<size_t>(frames));
    uint32_t noise = 12345;
    const double twoPi = 6.283185307179586;
    for (int i = 0; i < frames; ++i) {
        const double t = static_cast<double>(i) / rate;
        noise = noise * 1664525u + 1013904223u;
        const double hiss = (static_cast<double>(noise >> 16) / 65536.0 - 0.5) * 0.02;
        const double swell = 0.6 + 0.4 * std::sin(twoPi * 0.5 * t);
        left[static_cast<size_t>(i)] = static_cast<short>(
            12000.0 * (swell * std::sin(twoPi * 440.0 * t) + 0.3 * std::sin(twoPi * 1320.0 * t) + hiss));
        right[static_cast<size_t>(i)] = static_cast<short>(
            12000.0 * (std::sin(twoPi * 660.0 * t) * (1.0 - 0.5 * swell) + hiss));
    }
    lame_global_flags* lame = lame_init();
    lame_set_in_samplerate(lame, rate);
    lame_set_out_samplerate(lame, rate);
    lame_set_num_channels(lame, channels);
    lame_set_mode(lame, channels == 1 ? MONO : JOINT_STEREO);
    lame_set_brate(lame, 128);
    lame_set_quality(lame, 5);
    if (lame_init_params(lame) < 0) throw std::runtime_error("lame_init_params");
    std::vector<unsigned char> mp3(static_cast<size_t>(frames) * 5 / 4 + 7200 + 4096);
    int written = lame_encode_buffer(lame, left.data(), channels == 1 ? nullptr : right.data(), frames,
                                     mp3.data(), static_cast<int>(mp3.size()));
    if (written < 0) throw std::runtime_error("lame_encode_buffer");
    const int flushed = lame_encode_flush(lame, mp3.data() + written, static_cast<int>(mp3.size()) - written);
    if (flushed < 0) throw std::runtime_error("lame_encode_flush");
    mp3.resize(static_cast<size_t>(written + flushed));
    // The first frame was a placeholder for the tag that tells decoders the true length.
    unsigned char tag[2880];
    const size_t tagSize = lame_get_lametag_frame(lame, tag, sizeof tag);
    if (tagSize > 0 && tagSize <= mp3.size()) std::copy(tag, tag + tagSize, mp3.begin());
    lame_close(lame);
    return mp3;
}

ReferenceDecode referenceDecode(const std::vector<unsigned char>& mp3) {
    ReferenceDecode result;
    mpg123_init();
    mpg123_handle* handle = mpg123_new(mp3Synthesis, nullptr);
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    mpg123_open_feed(handle);
    if (!mp3.empty()) mpg123_feed(handle, mp3.data(), mp3.size());
    unsigned char buffer[16384];
    for (;;) {
        size_t done = 0;
        const int status = mpg123_read(handle, buffer, sizeof buffer, &done);
        if (status == MPG123_NEW_FORMAT) {
            int encoding = 0;
            mpg123_getformat(handle, &result.rate, &result.channels, &encoding);
            if (encoding != MPG123_ENC_SIGNED_16) throw std::runtime_error("reference encoding");
        }
        const int16_t* samples = reinterpret_cast<const int16_t*>(buffer);
        result.samples.insert(result.samples.end(), samples, samples + done / 2);
        if (status != MPG123_OK && status != MPG123_NEW_FORMAT) break;
    }
    mpg123_delete(handle);
    return result;
}

void writeMusicFile(const std::string& dir, const std::vector<unsigned char>& bytes) {
    writeFile(dir + "/data/muhsik.mp3", bytes);  // data/ is made on the way
}

size_t firstNonZero(const std::vector<int16_t>& samples, size_t from) {
    while (from < samples.size() && samples[from] == 0) ++from;
    return from;
}
