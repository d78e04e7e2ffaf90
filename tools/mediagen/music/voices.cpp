// The soundtrack's instruments, built on the Synthesis ToolKit's oscillators, envelopes and filters.
// Each call renders one note into a scratch buffer and places it, panned, into the mixer.
#include "music/voices.h"

#include <ADSR.h>
#include <BiQuad.h>
#include <BlitSaw.h>
#include <BlitSquare.h>
#include <SineWave.h>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kControlBlock = 32;  // samples between filter and pitch updates

// Scratch buffers reused from note to note: a fresh allocation per note costs more than its synthesis.
struct {
    std::vector<float> gains, left, right;
} state;

std::vector<float>& scratch(std::vector<float>& buffer, std::size_t count) {
    buffer.resize(count);
    return buffer;
}

std::uint64_t mixSeed(std::uint64_t value) {
    value += 0x9E3779B97F4A7C15ull;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
    return value ^ (value >> 31);
}

// Seeds a noise source from where and what plays, so render order never changes the hiss.
Noise noiseFor(double start, std::uint64_t voice) {
    return Noise{mixSeed(frameAt(start) * 0x100000001B3ull + voice) | 1};
}

// Adds a rendered note into its bus and sends, with constant-power panning.
void place(Mixer& mixer, const Route& route, double start, const std::vector<float>& left,
           const std::vector<float>& right) {
    const std::size_t first = frameAt(start);
    if (first >= mixer.frames) return;
    const std::size_t count = std::min(left.size(), mixer.frames - first);
    const double angle = (std::clamp(route.pan, -1.0f, 1.0f) + 1) * kPi / 4;
    const float gainL = static_cast<float>(std::cos(angle) * std::sqrt(2.0));
    const float gainR = static_cast<float>(std::sin(angle) * std::sqrt(2.0));
    const auto add = [&](Bus& bus, float level) {
        if (level == 0) return;
        for (std::size_t i = 0; i < count; ++i) {
            bus.left[first + i] += left[i] * gainL * level;
            bus.right[first + i] += right[i] * gainR * level;
        }
    };
    add(*route.bus, 1);
    add(mixer.reverb, route.reverb);
    add(mixer.echo, route.echo);
}

void placeMono(Mixer& mixer, const Route& route, double start, const std::vector<float>& mono) {
    place(mixer, route, start, mono, mono);
}

// Percussive shape: a short linear attack, exponential decay, and over the last fifth a fade to exactly zero.
struct Strike {
    double attack, decay, total;
    double at(double t) const {
        if (t < 0 || t >= total) return 0;
        const double rise = attack > 0 ? std::min(1.0, t / attack) : 1.0;
        const double tail = std::min(1.0, (total - t) / (0.2 * total));
        return rise * std::exp(-t / decay) * tail;
    }
};

stk::ADSR makeEnvelope(double attack, double decay, double sustain, double release) {
    stk::ADSR envelope;
    envelope.setAllTimes(attack, decay, sustain, release);
    return envelope;
}

// Runs an ADSR over a held note and its release; returns one gain per sample, ending at zero.
const std::vector<float>& envelopeFor(stk::ADSR& envelope, double length, double release) {
    const std::size_t held = std::max<std::size_t>(frameAt(length), 1);
    const std::size_t limit = held + frameAt(release * 4) + 64;
    std::vector<float>& gains = state.gains;
    gains.clear();
    envelope.keyOn();
    for (std::size_t i = 0; i < limit; ++i) {
        if (i == held) envelope.keyOff();
        gains.push_back(static_cast<float>(envelope.tick()));
        if (i > held && envelope.getState() == stk::ADSR::IDLE) break;
    }
    gains.back() = 0;
    return gains;
}

double detune(double hz, double cents) { return hz * std::pow(2.0, cents / 1200); }

}  // namespace

std::size_t frameAt(double seconds) {
    return seconds <= 0 ? 0 : static_cast<std::size_t>(std::llround(seconds * kSampleRate));
}

// Designs after the audio-EQ cookbook.
void setLowPass(stk::BiQuad& filter, double hz, double q) {
    hz = std::clamp(hz, 20.0, 0.45 * kSampleRate);
    const double w = 2 * kPi * hz / kSampleRate, alpha = std::sin(w) / (2 * q), c = std::cos(w);
    const double a0 = 1 + alpha;
    filter.setCoefficients((1 - c) / 2 / a0, (1 - c) / a0, (1 - c) / 2 / a0, -2 * c / a0, (1 - alpha) / a0);
}

void setHighPass(stk::BiQuad& filter, double hz, double q) {
    hz = std::clamp(hz, 20.0, 0.45 * kSampleRate);
    const double w = 2 * kPi * hz / kSampleRate, alpha = std::sin(w) / (2 * q), c = std::cos(w);
    const double a0 = 1 + alpha;
    filter.setCoefficients((1 + c) / 2 / a0, -(1 + c) / a0, (1 + c) / 2 / a0, -2 * c / a0, (1 - alpha) / a0);
}

void setBandPass(stk::BiQuad& filter, double hz, double q) {
    hz = std::clamp(hz, 20.0, 0.45 * kSampleRate);
    const double w = 2 * kPi * hz / kSampleRate, alpha = std::sin(w) / (2 * q), c = std::cos(w);
    const double a0 = 1 + alpha;
    filter.setCoefficients(alpha / a0, 0.0, -alpha / a0, -2 * c / a0, (1 - alpha) / a0);
}

float Noise::next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return static_cast<float>(static_cast<double>(state >> 11) / 4503599627370496.0 - 1.0);
}

Mixer makeMixer(double seconds) {
    Mixer mixer;
    mixer.frames = frameAt(seconds);
    for (Bus* bus : {&mixer.main, &mixer.ducked, &mixer.wide, &mixer.reverb, &mixer.echo}) {
        bus->left.assign(mixer.frames, 0.0f);
        bus->right.assign(mixer.frames, 0.0f);
    }
    mixer.pump.assign(mixer.frames, 1.0f);
    return mixer;
}

double pitchHz(double midiPitch) { return 440.0 * std::pow(2.0, (midiPitch - 69) / 12); }

void padNote(Mixer& mixer, const Route& route, const Note& note, float brightnessFrom, float brightnessTo) {
    const double release = std::min(1.2, 0.3 + note.length * 0.5);
    stk::ADSR envelope = makeEnvelope(std::min(0.6, note.length * 0.4), 0.6, 0.8, release);
    const std::vector<float>& gains = envelopeFor(envelope, note.length, release);
    // One saw per note: the chorus on the pad bus gives it width.
    stk::BlitSaw saw;
    saw.setFrequency(pitchHz(note.pitch));
    stk::BiQuad filter;
    const double held = static_cast<double>(std::max<std::size_t>(1, frameAt(note.length)));
    std::vector<float>& mono = scratch(state.left, gains.size());
    for (std::size_t i = 0; i < gains.size(); ++i) {
        if (i % kControlBlock == 0) {
            const double progress = std::min(1.0, i / held);
            const double brightness = brightnessFrom + (brightnessTo - brightnessFrom) * progress;
            const double drift = 1 + 0.08 * std::sin(i * 2 * kPi * 0.3 / kSampleRate);
            setLowPass(filter, 250 * std::pow(2.0, brightness * 5.5) * drift, 0.9);
        }
        mono[i] = static_cast<float>(filter.tick(saw.tick()) * gains[i] * note.level * 0.35);
    }
    placeMono(mixer, route, note.start, mono);
}

void bassNote(Mixer& mixer, const Route& route, const Note& note, float brightness) {
    stk::ADSR envelope = makeEnvelope(0.004, 0.18, 0.7, 0.04);
    const std::vector<float>& gains = envelopeFor(envelope, note.length, 0.04);
    const double hz = pitchHz(note.pitch);
    stk::BlitSaw saw;
    saw.setFrequency(hz);
    stk::SineWave sub;
    sub.setFrequency(hz);
    stk::BiQuad filter;
    std::vector<float>& mono = scratch(state.left, gains.size());
    for (std::size_t i = 0; i < gains.size(); ++i) {
        if (i % kControlBlock == 0) {
            const double t = static_cast<double>(i) / kSampleRate;
            setLowPass(filter, (150 + 2200 * brightness) * (1 + 3 * std::exp(-t / 0.07)), 1.2);
        }
        const double tone = filter.tick(saw.tick()) * 0.8 + sub.tick() * 0.6;
        mono[i] = static_cast<float>(std::tanh(tone * 1.4) * gains[i] * note.level * 0.5);
    }
    placeMono(mixer, route, note.start, mono);
}

void leadNote(Mixer& mixer, const Route& route, const Note& note, float brightness) {
    stk::ADSR envelope = makeEnvelope(0.012, 0.25, 0.7, 0.18);
    const std::vector<float>& gains = envelopeFor(envelope, note.length, 0.18);
    const double hz = pitchHz(note.pitch);
    stk::BlitSaw sawA, sawB;
    stk::BlitSquare square;
    stk::BiQuad filter;
    std::vector<float>& mono = scratch(state.left, gains.size());
    for (std::size_t i = 0; i < gains.size(); ++i) {
        if (i % kControlBlock == 0) {
            const double t = static_cast<double>(i) / kSampleRate;
            // Vibrato fades in after the attack, as a player would lean into a held note.
            const double depth = std::clamp((t - 0.25) / 0.3, 0.0, 1.0) * 14;
            const double bend = depth * std::sin(2 * kPi * 5.4 * t);
            sawA.setFrequency(detune(hz, bend - 6));
            sawB.setFrequency(detune(hz, bend + 6));
            square.setFrequency(detune(hz / 2, bend));
            setLowPass(filter, (900 + 5200 * brightness) * (1 + 1.5 * std::exp(-t / 0.12)), 1.0);
        }
        const double tone = (sawA.tick() + sawB.tick()) * 0.5 + square.tick() * 0.35;
        mono[i] = static_cast<float>(filter.tick(tone) * gains[i] * note.level * 0.9);
    }
    placeMono(mixer, route, note.start, mono);
}

void pluckNote(Mixer& mixer, const Route& route, const Note& note, float brightness) {
    const Strike shape{0.002, 0.16 + note.length * 0.3, note.length + 0.35};
    const std::size_t count = frameAt(shape.total);
    const double hz = pitchHz(note.pitch);
    stk::BlitSquare square;
    square.setFrequency(hz);
    stk::BiQuad filter;
    std::vector<float>& mono = scratch(state.left, count);
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        if (i % kControlBlock == 0) setLowPass(filter, 400 + (1500 + 6000 * brightness) * std::exp(-t / 0.09), 2.0);
        mono[i] = static_cast<float>(filter.tick(square.tick()) * shape.at(t) * note.level * 0.4);
    }
    placeMono(mixer, route, note.start, mono);
}

void brassNote(Mixer& mixer, const Route& route, const Note& note, float brightness) {
    stk::ADSR envelope = makeEnvelope(0.12, 0.4, 0.85, 0.35);
    const std::vector<float>& gains = envelopeFor(envelope, note.length, 0.35);
    const double hz = pitchHz(note.pitch);
    stk::BlitSaw saws[3];
    const double cents[3] = {-12, 0, 11};
    stk::BiQuad filter;
    std::vector<float>& mono = scratch(state.left, gains.size());
    for (std::size_t i = 0; i < gains.size(); ++i) {
        if (i % kControlBlock == 0) {
            const double t = static_cast<double>(i) / kSampleRate;
            const double bend = std::clamp((t - 0.4) / 0.5, 0.0, 1.0) * 10 * std::sin(2 * kPi * 4.6 * t);
            for (int k = 0; k < 3; ++k) saws[k].setFrequency(detune(hz, cents[k] + bend));
            // The filter opens with the envelope: the swell of a brass section.
            setLowPass(filter, 200 + (600 + 2800 * brightness) * gains[i], 1.4);
        }
        const double tone = (saws[0].tick() + saws[1].tick() + saws[2].tick()) / 3;
        mono[i] = static_cast<float>(std::tanh(filter.tick(tone) * 1.8) * gains[i] * note.level * 0.5);
    }
    placeMono(mixer, route, note.start, mono);
}

void bellNote(Mixer& mixer, const Route& route, const Note& note) {
    const Strike shape{0.003, 0.5 + note.length * 0.5, note.length + 1.5};
    const std::size_t count = frameAt(shape.total);
    const double hz = pitchHz(note.pitch);
    stk::SineWave carrier, modulator;
    modulator.setFrequency(hz * 3.5);
    std::vector<float>& mono = scratch(state.left, count);
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double index = 2.5 * std::exp(-t / 0.25);
        carrier.setFrequency(hz * (1 + index * 0.1 * modulator.tick()));
        mono[i] = static_cast<float>(carrier.tick() * shape.at(t) * note.level * 0.3);
    }
    placeMono(mixer, route, note.start, mono);
}

void kick(Mixer& mixer, double start, float level, float pumpDepth) {
    const Strike body{0.001, 0.28, 0.75};
    const std::size_t count = frameAt(body.total);
    stk::SineWave sine;
    Noise noise = noiseFor(start, 1);
    stk::BiQuad click;
    setHighPass(click, 3000, 0.7);
    std::vector<float>& mono = scratch(state.left, count);
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        sine.setFrequency(46 + 120 * std::exp(-t / 0.028));
        const double transient = click.tick(noise.next()) * std::exp(-t / 0.004) * 0.4;
        mono[i] = static_cast<float>(std::tanh((sine.tick() * body.at(t) + transient) * 1.3) * level * 0.9);
    }
    const Route route{&mixer.main, 0, 0.02f, 0};
    placeMono(mixer, route, start, mono);
    // Duck the pads and bass under the kick, recovering over a quarter of a second.
    const std::size_t first = frameAt(start);
    const std::size_t span = frameAt(0.26);
    for (std::size_t i = 0; i < span && first + i < mixer.frames; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double shape = t < 0.004 ? t / 0.004 : std::pow(1 - (t - 0.004) / 0.256, 2);
        float& pump = mixer.pump[first + i];
        pump = std::min(pump, static_cast<float>(1 - pumpDepth * shape));
    }
}

void snare(Mixer& mixer, double start, float level, float reverbSend) {
    const Strike body{0.001, 0.05, 0.3}, rattle{0.001, 0.12, 0.45};
    const std::size_t count = frameAt(rattle.total);
    stk::SineWave tone;
    Noise noise = noiseFor(start, 2);
    stk::BiQuad band, air;
    setBandPass(band, 2200, 0.6);
    setHighPass(air, 6000, 0.7);
    std::vector<float>& mono = scratch(state.left, count);
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        tone.setFrequency(175 + 60 * std::exp(-t / 0.015));
        const double hiss = noise.next();
        const double sound =
            tone.tick() * body.at(t) * 0.7 + (band.tick(hiss) * 1.2 + air.tick(hiss) * 0.5) * rattle.at(t);
        mono[i] = static_cast<float>(std::tanh(sound * 1.2) * level * 0.7);
    }
    placeMono(mixer, Route{&mixer.main, 0, reverbSend, 0}, start, mono);
}

void hat(Mixer& mixer, double start, float level, bool open, float pan) {
    const Strike shape{0.0008, open ? 0.16 : 0.028, open ? 0.45 : 0.12};
    const std::size_t count = frameAt(shape.total);
    Noise noise = noiseFor(start, open ? 4 : 3);
    stk::BiQuad high, ring;
    setHighPass(high, 7500, 0.8);
    setBandPass(ring, 10500, 1.5);
    std::vector<float>& mono = scratch(state.left, count);
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        const double hiss = noise.next();
        mono[i] = static_cast<float>((high.tick(hiss) * 0.6 + ring.tick(hiss) * 0.8) * shape.at(t) * level * 0.32);
    }
    placeMono(mixer, Route{&mixer.main, pan, 0.05f, 0}, start, mono);
}

void tom(Mixer& mixer, double start, int pitch, float level) {
    const Strike shape{0.001, 0.22, 0.7};
    const std::size_t count = frameAt(shape.total);
    const double hz = pitchHz(pitch);
    stk::SineWave sine;
    Noise noise = noiseFor(start, 5);
    stk::BiQuad thud;
    setLowPass(thud, 900, 0.7);
    std::vector<float>& mono = scratch(state.left, count);
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        sine.setFrequency(hz * (1 + 0.6 * std::exp(-t / 0.05)));
        const double skin = thud.tick(noise.next()) * std::exp(-t / 0.02) * 0.5;
        mono[i] = static_cast<float>(std::tanh((sine.tick() + skin) * shape.at(t) * 1.3) * level * 0.7);
    }
    placeMono(mixer, Route{&mixer.main, 0, 0.25f, 0}, start, mono);
}

void crash(Mixer& mixer, double start, float level) {
    const Strike shape{0.002, 0.9, 3.4};
    const std::size_t count = frameAt(shape.total);
    Noise noiseL = noiseFor(start, 6), noiseR = noiseFor(start, 7);
    stk::BiQuad highL, highR, shimmerL, shimmerR;
    setHighPass(highL, 4200, 0.7);
    setHighPass(highR, 4200, 0.7);
    setBandPass(shimmerL, 6800, 2.5);
    setBandPass(shimmerR, 7400, 2.5);
    std::vector<float>& left = scratch(state.left, count);
    std::vector<float>& right = scratch(state.right, count);
    for (std::size_t i = 0; i < count; ++i) {
        const double gain = shape.at(static_cast<double>(i) / kSampleRate) * level * 0.35;
        const double l = noiseL.next(), r = noiseR.next();
        left[i] = static_cast<float>((highL.tick(l) + shimmerL.tick(l)) * gain);
        right[i] = static_cast<float>((highR.tick(r) + shimmerR.tick(r)) * gain);
    }
    place(mixer, Route{&mixer.main, 0, 0.3f, 0}, start, left, right);
}

void riser(Mixer& mixer, double start, double length, float level) {
    const std::size_t count = frameAt(length);
    Noise noiseL = noiseFor(start, 8), noiseR = noiseFor(start, 9);
    stk::BiQuad bandL, bandR;
    std::vector<float>& left = scratch(state.left, count);
    std::vector<float>& right = scratch(state.right, count);
    for (std::size_t i = 0; i < count; ++i) {
        const double progress = static_cast<double>(i) / count;
        if (i % kControlBlock == 0) {
            const double centre = 250 * std::pow(36.0, progress);
            setBandPass(bandL, centre, 2.2);
            setBandPass(bandR, centre * 1.08, 2.2);
        }
        const double gain = progress * progress * std::min(1.0, (count - i) / (0.01 * kSampleRate)) * level;
        left[i] = static_cast<float>(bandL.tick(noiseL.next()) * gain);
        right[i] = static_cast<float>(bandR.tick(noiseR.next()) * gain);
    }
    place(mixer, Route{&mixer.main, 0, 0.35f, 0}, start, left, right);
}

void boom(Mixer& mixer, double start, float level) {
    const Strike shape{0.002, 0.7, 2.2};
    const std::size_t count = frameAt(shape.total);
    stk::SineWave sine;
    std::vector<float>& mono = scratch(state.left, count);
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kSampleRate;
        sine.setFrequency(36 + 50 * std::exp(-t / 0.08));
        mono[i] = static_cast<float>(std::tanh(sine.tick() * shape.at(t) * 1.5) * level * 0.8);
    }
    placeMono(mixer, Route{&mixer.main, 0, 0.15f, 0}, start, mono);
}
