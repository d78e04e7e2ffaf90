// The soundtrack's instruments: synth voices and drums that render one note into the mix buses.
// Every note carries its own envelope and ends at zero, so note boundaries never click.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "assets/demo_timeline.h"

namespace stk {
class BiQuad;
}

constexpr int kSampleRate = audioSampleRate;

// One stereo signal spanning the whole soundtrack.
struct Bus {
    std::vector<float> left, right;
};

// Where notes land before mastering. `ducked` is pumped by the kick through `pump`
// (1 = untouched); `wide` is pumped too and spread by a chorus; `reverb` and `echo` are
// sends into the hall and the tempo delay.
struct Mixer {
    Bus main, ducked, wide, reverb, echo;
    std::vector<float> pump;
    std::size_t frames = 0;
};

// How a voice reaches the mixer: its bus, stereo position (-1 left .. 1 right) and send levels.
struct Route {
    Bus* bus;
    float pan;
    float reverb;
    float echo;
};

// One played note: start and held length in seconds, MIDI pitch, level 0..1.
struct Note {
    double start;
    double length;
    int pitch;
    float level;
};

// Small deterministic noise source: the same seed always gives the same hiss.
struct Noise {
    std::uint64_t state;
    float next();
};

Mixer makeMixer(double seconds);
std::size_t frameAt(double seconds);
double pitchHz(double midiPitch);

// Second-order filter designs loaded into an STK BiQuad; `hz` is clamped to the audible range.
void setLowPass(stk::BiQuad& filter, double hz, double q);
void setHighPass(stk::BiQuad& filter, double hz, double q);
void setBandPass(stk::BiQuad& filter, double hz, double q);

// Tonal voices. `brightness` 0..1 opens the voice's filter.
void padNote(Mixer& mixer, const Route& route, const Note& note, float brightnessFrom, float brightnessTo);
void bassNote(Mixer& mixer, const Route& route, const Note& note, float brightness);
void leadNote(Mixer& mixer, const Route& route, const Note& note, float brightness);
void pluckNote(Mixer& mixer, const Route& route, const Note& note, float brightness);
void brassNote(Mixer& mixer, const Route& route, const Note& note, float brightness);
void bellNote(Mixer& mixer, const Route& route, const Note& note);

// Drums and effects. `pumpDepth` is how far the kick ducks the `ducked` bus.
void kick(Mixer& mixer, double start, float level, float pumpDepth);
void snare(Mixer& mixer, double start, float level, float reverbSend);
void hat(Mixer& mixer, double start, float level, bool open, float pan);
void tom(Mixer& mixer, double start, int pitch, float level);
void crash(Mixer& mixer, double start, float level);
void riser(Mixer& mixer, double start, double length, float level);
void boom(Mixer& mixer, double start, float level);
