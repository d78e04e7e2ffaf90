// The particle fountain: 1000 records filled at start-up, drawn as additive quads and
// stepped once per call, reborn at the emitter when their life runs out.
#include "render/particles.h"

#include "platform/gl.h"

#include <cstdlib>

Particle particles[particleCount];

namespace {
constexpr float particleSlowdown = 2.0f;
constexpr float particleColour[3] = {1.0f, 0.5f, 0.5f};
constexpr float depth = -40.0f;

// The order of the rand() calls is part of the picture: the generator is never seeded,
// so every run sprays the same fountain.
float randomFade() { return static_cast<float>(std::rand() % 100) / 1000.0f + 0.003f; }

void setColour(Particle& p) {
    p.r = particleColour[0];
    p.g = particleColour[1];
    p.b = particleColour[2];
}

void respawn(Particle& p, float emitterX, float emitterY) {
    p.life = 1.0f;
    p.fade = randomFade();
    p.x = emitterX - 3.4f;
    p.y = emitterY - 7.5f;
    p.z = 0.0f;
    p.vx = static_cast<float>(std::rand() % 60 - 32);
    p.vy = static_cast<float>(std::rand() % 60 - 30);
    p.vz = static_cast<float>(std::rand() % 60 - 30);
    setColour(p);
}

void drawQuad(const Particle& p) {
    glBegin(GL_TRIANGLE_STRIP);
    glTexCoord2d(1, 1);
    glVertex3f(p.x + 0.5f, p.y + 0.5f, p.z);
    glTexCoord2d(0, 1);
    glVertex3f(p.x - 0.5f, p.y + 0.5f, p.z);
    glTexCoord2d(1, 0);
    glVertex3f(p.x + 0.5f, p.y - 0.5f, p.z);
    glTexCoord2d(0, 0);
    glVertex3f(p.x - 0.5f, p.y - 0.5f, p.z);
    glEnd();
}
}  // namespace

void initParticles(float emitterX, float emitterY) {
    for (Particle& p : particles) {
        p.x = emitterX - 3.4f;
        p.y = emitterY - 7.5f;
        p.z = depth;
        p.alive = true;
        p.life = 1.0f;
        p.fade = randomFade();
        setColour(p);
        p.vx = static_cast<float>((std::rand() % 50 - 26) * 10);
        p.vy = static_cast<float>((std::rand() % 50 - 25) * 10);
        p.vz = static_cast<float>((std::rand() % 50 - 25) * 10);
        p.gx = 0.0f;
        p.gy = -15.8f;
        p.gz = 0.0f;
    }
}

void drawParticles(float emitterX, float emitterY) {
    glDisable(GL_DEPTH_TEST);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glLoadIdentity();
    const float stepDivisor = particleSlowdown * 1000.0f;
    for (Particle& p : particles) {
        if (!p.alive) continue;
        p.z = depth;  // the fountain is a flat spray, whatever vz does
        glColor4f(p.r, p.g, p.b, p.life);
        drawQuad(p);
        p.x += p.vx / stepDivisor;
        p.y += p.vy / stepDivisor;
        p.z += p.vz / stepDivisor;
        p.vx += p.gx;
        p.vy += p.gy;
        p.vz += p.gz;
        p.life -= p.fade;
        // Strictly below zero: a particle at exactly 0 is drawn once more, invisibly.
        if (p.life < 0.0f) respawn(p, emitterX, emitterY);
    }
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glColor3f(1.0f, 1.0f, 1.0f);
}
