// The particle fountain of the intro: 1000 additive quads born at the rocket,
// stepped once per call and reborn at the emitter when their life runs out.
#pragma once

struct Particle {
    bool alive;
    float life, fade;
    float r, g, b;
    float x, y, z;
    float vx, vy, vz;
    float gx, gy, gz;
};

constexpr int particleCount = 1000;
extern Particle particles[particleCount];

// Every particle born at the emitter with its fade rate and velocity drawn from rand().
void initParticles(float emitterX, float emitterY);
void drawParticles(float emitterX, float emitterY);
