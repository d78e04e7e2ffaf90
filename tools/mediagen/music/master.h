// Mixing, mastering and encoding of the soundtrack: effects returns, loudness, peak limiting, MP3.
// Everything here is deterministic, so the same mix always yields the same bytes.
#pragma once

#include <vector>

#include "music/voices.h"

// The finished stereo programme, samples in -1..1.
struct Stereo {
    std::vector<float> left, right;
};

struct Loudness {
    double integratedLufs;  // EBU R128 integrated loudness
    double truePeakDb;      // highest oversampled peak of either channel, dBTP
};

// Runs the reverb and echo sends, applies the kick's pump, band-limits (no rumble, no DC),
// lifts the presence range and fades the ends.
Stereo mixDown(const Mixer& mixer);

// The true peak is skipped (left at -inf) unless asked for: it is the costly part.
Loudness measureLoudness(const Stereo& programme, bool withTruePeak);

// Look-ahead limiter: no sample of either channel exceeds `ceiling` (linear) afterwards.
void limitPeaks(Stereo& programme, float ceiling);

// Brings the programme to `targetLufs` and keeps true peaks at or below `ceilingDb`.
Loudness masterProgramme(Stereo& programme, double targetLufs, double ceilingDb);

// 44.1 kHz stereo, 160 kbit/s constant bit rate, with the encoder's gapless-playback header.
// Empty on failure.
std::vector<unsigned char> encodeMp3(const Stereo& programme);

// How much louder (dB, usually negative) the encoded MP3 of `seconds` of the programme from
// `from` plays than the programme itself; 0 when it cannot be measured.
double codecGainDb(const Stereo& programme, double from, double seconds);
