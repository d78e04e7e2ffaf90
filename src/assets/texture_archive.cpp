// The texture archive over minizip. (Stub until the archive lands: nothing opens.)
#include "assets/texture_archive.h"

TextureArchive textureArchive;

int openTextureArchive(TextureArchive*, const char*) { return 0; }
int readArchiveEntry(TextureArchive*, const char*, unsigned char**) { return 0; }
void closeTextureArchive(TextureArchive*) {}
uint32_t archiveEntryCount(const TextureArchive* archive) { return archive->entryCount; }
const ArchiveEntry* archiveEntryAt(const TextureArchive*, uint32_t) { return nullptr; }
