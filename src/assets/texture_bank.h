// The bank of 29 OpenGL texture names that all drawing binds by slot number,
// filled at every start-up from the four BMP pictures and the texture archive.
#pragma once

#include "assets/media_manifest.h"
#include "platform/gl.h"

struct TextureArchive;

struct TextureBank {
    GLuint names[textureSlotCount];
};

extern TextureBank textureBank;

// Loads the four BMP pictures, makes 29 fresh names and uploads the pictures into slots
// 24-27 (a missing picture leaves its slot without an image). Always 1.
int loadBmpTextures();
// 23 fresh names in slots 0-22, each filled from its archive entry (when it decodes) and
// given repeat wrapping and linear/trilinear filtering; decoded pixels are freed after upload.
void loadArchiveTextures(TextureArchive* archive);

// Deletes every name the two loads made, the archive slots' earlier ones included, and
// empties the bank; for the context they were made in, while it is still current.
void releaseTextures();

// glBindTexture(GL_TEXTURE_2D, the name in slot `slot`).
inline void bindSlot(TextureSlot slot) { glBindTexture(GL_TEXTURE_2D, textureBank.names[slot]); }
