// The texture archive: a zip file opened once, its central directory copied into memory,
// entries looked up by name without regard to case and inflated whole into heap blocks.
#pragma once

#include <minizip/unzip.h>

#include <cstdint>

struct ArchiveEntry {
    char name[256];
    uint32_t externalAttributes;
    uint32_t localHeaderOffset;
    uint32_t uncompressedSize;
    uint32_t directoryOffset;
};

struct TextureArchive {
    char path[256];
    unzFile handle;
    uint32_t entryCount;
    uint32_t commentSize;
    ArchiveEntry* entries;
};

extern TextureArchive textureArchive;  // the one start-up opens

int openTextureArchive(TextureArchive* archive, const char* name);
int readArchiveEntry(TextureArchive* archive, const char* name, unsigned char** buffer);
void closeTextureArchive(TextureArchive* archive);
uint32_t archiveEntryCount(const TextureArchive* archive);
const ArchiveEntry* archiveEntryAt(const TextureArchive* archive, uint32_t index);
