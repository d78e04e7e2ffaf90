// Seeded random numbers and lattice noise for the procedural pictures.
// Everything is a pure function of its seed and coordinates: no global generator, no clock.
#pragma once

#include <cstdint>

// SplitMix64: small, fast and the same sequence on every platform.
struct Rng {
    uint64_t state;
    explicit Rng(uint64_t seed) : state(seed) {}
    uint64_t next();
    float uniform();                  // [0, 1)
    float range(float lo, float hi);  // [lo, hi)
    int below(int n);                 // 0 .. n-1
};

float hashUnit(int x, int y, uint32_t seed);        // a lattice value in [0, 1)
float valueNoise(float x, float y, uint32_t seed);  // smooth, in [0, 1)
// Fractal sum of `octaves` noise layers, each twice the frequency and `gain` the amplitude;
// normalised back into [0, 1).
float fbm(float x, float y, uint32_t seed, int octaves, float gain = 0.5f);
// Ridged variant: sharp bright creases where the noise crosses its midpoint, for filaments.
float ridged(float x, float y, uint32_t seed, int octaves);
