// The texture bank. (Stub until the bank lands: names only, no pictures.)
#include "assets/texture_bank.h"

#include "assets/image.h"

TextureBank textureBank;
const char* archiveTextureNames[archiveSlotCount];
Image archiveImages[archiveSlotCount];

int loadBmpTextures() {
    glGenTextures(textureSlotCount, textureBank.names);
    return 1;
}
void loadArchiveTextures(TextureArchive*) { glGenTextures(archiveSlotCount, textureBank.names); }
