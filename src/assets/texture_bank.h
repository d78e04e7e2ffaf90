// The bank of 29 OpenGL texture names that all drawing binds by slot number,
// filled at every start-up from the four BMP pictures and the texture archive.
#pragma once

#include <GL/gl.h>

struct TextureArchive;
struct Image;

constexpr int textureSlotCount = 29;
constexpr int archiveSlotCount = 23;

struct TextureBank {
    GLuint names[textureSlotCount];
};

extern TextureBank textureBank;
extern const char* archiveTextureNames[archiveSlotCount];
extern Image archiveImages[archiveSlotCount];

int loadBmpTextures();
void loadArchiveTextures(TextureArchive* archive);

// glBindTexture(GL_TEXTURE_2D, the name in slot `slot`).
inline void bindSlot(int slot) { glBindTexture(GL_TEXTURE_2D, textureBank.names[slot]); }
