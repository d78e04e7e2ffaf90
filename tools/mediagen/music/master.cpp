// Mixing and mastering of the soundtrack, and its MP3 encoding with LAME.
// Loudness is measured with libebur128; the limiter keeps the peaks clear of the MP3's overshoot.
#include "music/master.h"

#include <BiQuad.h>
#include <Chorus.h>
#include <DelayL.h>
#include <FreeVerb.h>
#include <OnePole.h>
#include <ebur128.h>
#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <memory>
#include <type_traits>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kEchoSeconds = 0.375;  // a dotted eighth at 120 beats a minute

double toLinear(double db) { return std::pow(10.0, db / 20); }

void runReverb(const Bus& send, Stereo& out) {
    stk::FreeVerb hall;
    hall.setRoomSize(0.82);
    hall.setDamping(0.45);
    hall.setWidth(1.0);
    hall.setEffectMix(1.0);
    for (std::size_t i = 0; i < out.left.size(); ++i) {
        hall.tick(send.left[i], send.right[i]);
        out.left[i] += static_cast<float>(hall.lastOut(0) * 0.6);
        out.right[i] += static_cast<float>(hall.lastOut(1) * 0.6);
    }
}

// Ping-pong echo: repeats alternate sides and darken as they fade.
void runEcho(const Bus& send, Stereo& out) {
    const double delay = kEchoSeconds * kSampleRate;
    stk::DelayL lineL(delay, static_cast<unsigned long>(delay) + 1),
        lineR(delay, static_cast<unsigned long>(delay) + 1);
    stk::OnePole tone(0.45);
    for (std::size_t i = 0; i < out.left.size(); ++i) {
        const double input = (send.left[i] + send.right[i]) * 0.5;
        const double fromR = lineR.lastOut();
        const double l = lineL.tick(input + tone.tick(fromR) * 0.42);
        const double r = lineR.tick(l);
        out.left[i] += static_cast<float>(l * 0.55);
        out.right[i] += static_cast<float>(r * 0.55);
    }
}

// The pads' bus, pumped like the bass and spread across the stereo field by a slow chorus.
void spreadWide(const Mixer& mixer, Stereo& out) {
    stk::Chorus chorus(900);
    chorus.setModDepth(0.03);
    chorus.setModFrequency(0.3);
    chorus.setEffectMix(0.6);
    for (std::size_t i = 0; i < out.left.size(); ++i) {
        chorus.tick((mixer.wide.left[i] + mixer.wide.right[i]) * 0.5);
        out.left[i] += static_cast<float>(chorus.lastOut(0) * mixer.pump[i]);
        out.right[i] += static_cast<float>(chorus.lastOut(1) * mixer.pump[i]);
    }
}

// Removes rumble and DC below 24 Hz, and the air above 16.5 kHz that the encoder would drop
// anyway: measured without it, the loudness would read higher than the MP3 plays.
void bandLimit(std::vector<float>& channel) {
    stk::BiQuad lowCut[2], highCut[2];
    const double q[2] = {0.54, 1.31};  // two stages of a fourth-order Butterworth
    for (int k = 0; k < 2; ++k) {
        setHighPass(lowCut[k], 24, q[k]);
        setLowPass(highCut[k], 16500, q[k]);
    }
    for (float& sample : channel) {
        const double low = lowCut[1].tick(lowCut[0].tick(sample));
        sample = static_cast<float>(highCut[1].tick(highCut[0].tick(low)));
    }
}

// A broad lift around 3 kHz: the synths sit low, and this is where a mix gets its presence.
void addPresence(std::vector<float>& channel) {
    constexpr double kHz = 3000, kQ = 0.8, kGainDb = 3.5;
    const double a = std::pow(10.0, kGainDb / 40), w = 2 * kPi * kHz / kSampleRate;
    const double alpha = std::sin(w) / (2 * kQ), c = std::cos(w), a0 = 1 + alpha / a;
    stk::BiQuad peak;
    peak.setCoefficients((1 + alpha * a) / a0, -2 * c / a0, (1 - alpha * a) / a0, -2 * c / a0, (1 - alpha / a) / a0);
    for (float& sample : channel) sample = static_cast<float>(peak.tick(sample));
}

// A short fade-in against a start click, and a cosine fade that lets the last tails die out.
void fadeEnds(Stereo& programme) {
    const std::size_t frames = programme.left.size();
    const std::size_t in = frameAt(0.01), outStart = frameAt(demoSeconds + 0.4),
                      outEnd = frameAt(soundtrackSeconds - 0.1);
    for (std::size_t i = 0; i < frames; ++i) {
        double gain = 1;
        if (i < in) gain = static_cast<double>(i) / in;
        if (i >= outEnd) gain = 0;
        else if (i >= outStart) gain = 0.5 + 0.5 * std::cos(kPi * (i - outStart) / (outEnd - outStart));
        programme.left[i] = static_cast<float>(programme.left[i] * gain);
        programme.right[i] = static_cast<float>(programme.right[i] * gain);
    }
}

// Per-frame running minimum over the next `window` values (monotonic deque).
std::vector<float> lookAheadMinimum(const std::vector<float>& values, std::size_t window) {
    std::vector<float> result(values.size());
    std::deque<std::size_t> candidates;
    std::size_t next = 0;
    for (std::size_t i = 0; i < values.size(); ++i) {
        for (; next < values.size() && next <= i + window; ++next) {
            while (!candidates.empty() && values[candidates.back()] >= values[next]) candidates.pop_back();
            candidates.push_back(next);
        }
        while (candidates.front() < i) candidates.pop_front();
        result[i] = values[candidates.front()];
    }
    return result;
}

}  // namespace

Stereo mixDown(const Mixer& mixer) {
    Stereo out;
    out.left.resize(mixer.frames);
    out.right.resize(mixer.frames);
    for (std::size_t i = 0; i < mixer.frames; ++i) {
        out.left[i] = mixer.main.left[i] + mixer.ducked.left[i] * mixer.pump[i];
        out.right[i] = mixer.main.right[i] + mixer.ducked.right[i] * mixer.pump[i];
    }
    spreadWide(mixer, out);
    runReverb(mixer.reverb, out);
    runEcho(mixer.echo, out);
    for (std::vector<float>* channel : {&out.left, &out.right}) {
        bandLimit(*channel);
        addPresence(*channel);
    }
    fadeEnds(out);
    return out;
}

Loudness measureLoudness(const Stereo& programme, bool withTruePeak) {
    std::unique_ptr<ebur128_state, void (*)(ebur128_state*)> meter(
        ebur128_init(2, kSampleRate, EBUR128_MODE_I | (withTruePeak ? EBUR128_MODE_TRUE_PEAK : 0)),
        [](ebur128_state* state) { ebur128_destroy(&state); });
    Loudness result{-HUGE_VAL, -HUGE_VAL};
    if (!meter) return result;
    constexpr std::size_t kChunk = 4096;
    std::vector<float> interleaved(kChunk * 2);
    for (std::size_t first = 0; first < programme.left.size(); first += kChunk) {
        const std::size_t count = std::min(kChunk, programme.left.size() - first);
        for (std::size_t i = 0; i < count; ++i) {
            interleaved[2 * i] = programme.left[first + i];
            interleaved[2 * i + 1] = programme.right[first + i];
        }
        ebur128_add_frames_float(meter.get(), interleaved.data(), count);
    }
    ebur128_loudness_global(meter.get(), &result.integratedLufs);
    if (!withTruePeak) return result;
    double peak = 0;
    for (unsigned channel = 0; channel < 2; ++channel) {
        double channelPeak = 0;
        ebur128_true_peak(meter.get(), channel, &channelPeak);
        peak = std::max(peak, channelPeak);
    }
    result.truePeakDb = peak > 0 ? 20 * std::log10(peak) : -HUGE_VAL;
    return result;
}

void limitPeaks(Stereo& programme, float ceiling) {
    const std::size_t frames = programme.left.size();
    const std::size_t lookAhead = frameAt(0.004);
    // The gain each frame needs on its own, then the lowest gain any frame in reach needs.
    std::vector<float> needed(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const float peak = std::max(std::fabs(programme.left[i]), std::fabs(programme.right[i]));
        needed[i] = peak > ceiling ? ceiling / peak : 1.0f;
    }
    const std::vector<float> target = lookAheadMinimum(needed, lookAhead);
    // Recover slowly, then average over the look-ahead so the gain ramps down instead of stepping;
    // every frame averaged into a peak's gain already holds that peak's need or less.
    const double release = 1 - std::exp(-1.0 / (0.12 * kSampleRate));
    std::vector<float> held(frames);
    double gain = 1;
    for (std::size_t i = 0; i < frames; ++i) {
        gain = std::min<double>(target[i], gain + (1 - gain) * release);
        held[i] = static_cast<float>(gain);
    }
    double sum = 0;
    for (std::size_t i = 0; i < frames; ++i) {
        sum += held[i];
        if (i > lookAhead) sum -= held[i - lookAhead - 1];
        const double smooth = sum / static_cast<double>(std::min(i, lookAhead) + 1);
        const double applied = std::min<double>(smooth, needed[i]);
        programme.left[i] = static_cast<float>(programme.left[i] * applied);
        programme.right[i] = static_cast<float>(programme.right[i] * applied);
    }
}

Loudness masterProgramme(Stereo& programme, double targetLufs, double ceilingDb) {
    const Stereo source = programme;
    Loudness level = measureLoudness(source, false);
    if (!std::isfinite(level.integratedLufs)) return level;
    double gainDb = targetLufs - level.integratedLufs;
    double limitDb = ceilingDb - 0.8;  // sample ceiling below the true-peak ceiling
    for (int pass = 0; pass < 6; ++pass) {
        const float gain = static_cast<float>(toLinear(gainDb));
        for (std::size_t i = 0; i < source.left.size(); ++i) {
            programme.left[i] = source.left[i] * gain;
            programme.right[i] = source.right[i] * gain;
        }
        limitPeaks(programme, static_cast<float>(toLinear(limitDb)));
        level = measureLoudness(programme, false);
        const double missDb = targetLufs - level.integratedLufs;
        gainDb += missDb;
        if (std::fabs(missDb) >= 0.15 && pass < 5) continue;
        // The oversampled peak costs more than the loudness: measured once the level is right.
        level = measureLoudness(programme, true);
        if (level.truePeakDb <= ceilingDb) break;
        limitDb -= level.truePeakDb - ceilingDb + 0.05;
    }
    return level;
}

std::vector<unsigned char> encodeMp3(const Stereo& programme) {
    std::unique_ptr<lame_global_flags, int (*)(lame_global_flags*)> lame(lame_init(), lame_close);
    if (!lame) return {};
    lame_global_flags* flags = lame.get();
    lame_set_num_channels(flags, 2);
    lame_set_in_samplerate(flags, kSampleRate);
    lame_set_out_samplerate(flags, kSampleRate);
    lame_set_VBR(flags, vbr_off);
    lame_set_brate(flags, 160);
    lame_set_mode(flags, JOINT_STEREO);
    lame_set_quality(flags, 5);
    lame_set_bWriteVbrTag(flags, 1);
    if (lame_init_params(flags) < 0) return {};

    constexpr int kChunk = 8192;
    std::vector<unsigned char> mp3;
    std::vector<unsigned char> buffer(kChunk * 5 / 4 + 7200);
    const std::size_t frames = programme.left.size();
    for (std::size_t first = 0; first < frames; first += kChunk) {
        const int count = static_cast<int>(std::min<std::size_t>(kChunk, frames - first));
        const int written = lame_encode_buffer_ieee_float(flags, &programme.left[first], &programme.right[first], count,
                                                          buffer.data(), static_cast<int>(buffer.size()));
        if (written < 0) return {};
        mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + written);
    }
    const int flushed = lame_encode_flush(flags, buffer.data(), static_cast<int>(buffer.size()));
    if (flushed < 0) return {};
    mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + flushed);
    // The first frame was reserved for the header that records length and encoder delay.
    const std::size_t tagSize = lame_get_lametag_frame(flags, buffer.data(), buffer.size());
    if (tagSize == 0 || tagSize > mp3.size()) return {};
    std::copy(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(tagSize), mp3.begin());
    return mp3;
}

double codecGainDb(const Stereo& programme, double from, double seconds) {
    const std::size_t first = std::min(frameAt(from), programme.left.size());
    const std::size_t last = std::min(first + frameAt(seconds), programme.left.size());
    Stereo slice;
    slice.left.assign(programme.left.begin() + first, programme.left.begin() + last);
    slice.right.assign(programme.right.begin() + first, programme.right.begin() + last);
    double inputEnergy = 0;
    for (std::size_t i = 0; i < slice.left.size(); ++i) {
        inputEnergy += double(slice.left[i]) * slice.left[i] + double(slice.right[i]) * slice.right[i];
    }
    std::vector<unsigned char> mp3 = encodeMp3(slice);
    std::unique_ptr<std::remove_pointer_t<hip_t>, int (*)(hip_t)> decoder(hip_decode_init(), hip_decode_exit);
    if (mp3.empty() || !decoder || inputEnergy <= 0) return 0;
    // Energy is independent of the encoder's delay, so the decoded stream needs no alignment.
    constexpr std::size_t kFeed = 512;
    std::vector<short> left(1152 * 16), right(1152 * 16);
    double decodedEnergy = 0;
    for (std::size_t at = 0; at < mp3.size(); at += kFeed) {
        const int count =
            hip_decode(decoder.get(), mp3.data() + at, std::min(kFeed, mp3.size() - at), left.data(), right.data());
        if (count < 0) return 0;
        for (int i = 0; i < count; ++i) {
            decodedEnergy += (double(left[i]) * left[i] + double(right[i]) * right[i]) / (32768.0 * 32768.0);
        }
    }
    return decodedEnergy > 0 ? 10 * std::log10(decodedEnergy / inputEnergy) : 0;
}
