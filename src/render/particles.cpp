// Particle fountain. (Stub until the fountain lands.)
#include "render/particles.h"

Particle particles[particleCount];
void initParticles() {}
void drawParticles(float, float) {}
